// Loads the window module beside the program (in the build tree) or where
// it is installed, and runs it.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "command_line.h"
#include "window.h"

namespace torvex {

namespace {

constexpr const char* ModuleName = "libtorvex-window.so";

std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return ".";
    path.resize(static_cast<size_t>(n));
    return path.substr(0, path.rfind('/'));
}

}  // namespace

int OpenWindow(int argc, char** argv) {
    const std::string folder = ProgramFolder();
    std::string problem;
    for (const std::string& path : {folder + "/" + ModuleName, folder + "/../lib/torvex/" + ModuleName}) {
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            if (problem.empty() || access(path.c_str(), F_OK) == 0) problem = dlerror();
            continue;
        }
        using Entry = int (*)(int, char**);
        if (auto run = reinterpret_cast<Entry>(dlsym(module, "torvex_run_window"))) return run(argc, argv);
        problem = dlerror();
    }
    std::fprintf(stderr, "torvex: cannot open the window: %s; give INPUT and OUTPUT to convert without a window\n",
                 problem.c_str());
    std::fputs(UsageText(), stderr);
    return 2;
}

}  // namespace torvex
