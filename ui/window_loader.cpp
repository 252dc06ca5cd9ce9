// Loads the window module beside the program (in the build tree) or where
// it is installed, and runs it. Never from the current directory or any
// relative path: a module planted there would run as the user.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "command_line.h"
#include "window.h"

namespace torvex {

namespace {

constexpr const char* ModuleName = "libtorvex-window.so";

// The folder of the running program itself, or nothing when the system
// cannot say (then only the installed folder is tried).
std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<size_t>(n) >= path.size() || path[0] != '/') return {};
    path.resize(static_cast<size_t>(n));
    return path.substr(0, path.rfind('/'));
}

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace

int OpenWindow(int argc, char** argv, const std::string& input) {
    if (!HasDisplay()) {
        if (!input.empty()) return UsageError(MissingOutput(input));
        return UsageError("no display to open the window on (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are "
                          "unset); give INPUT and OUTPUT to convert without a window");
    }
    std::vector<std::string> places;
    if (const std::string folder = ProgramFolder(); !folder.empty()) places.push_back(folder + "/" + ModuleName);
    places.push_back(std::string(TORVEX_MODULE_DIR) + "/" + ModuleName);
    std::string problem;
    for (const std::string& path : places) {
        if (access(path.c_str(), F_OK) != 0) continue;
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            problem = dlerror();
            break;
        }
        using Entry = int (*)(int, char**, const char*);
        if (auto run = reinterpret_cast<Entry>(dlsym(module, "torvex_run_window")))
            return run(argc, argv, input.c_str());
        problem = dlerror();
        break;
    }
    if (problem.empty()) {
        problem = "no window module at " + places.front();
        if (places.size() > 1) problem += " or " + places.back();
    }
    return UsageError("cannot open the window: " + problem + "; give INPUT and OUTPUT to convert without a window");
}

}  // namespace torvex
