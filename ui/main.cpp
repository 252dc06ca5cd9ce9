// Start-up: a complete command line converts one file and ends; anything
// else opens the window.
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "product.h"
#include "window.h"

namespace torvex {

int Main(int argc, char** argv) {
    CommandLine request = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (request.action) {
    case CommandLine::Action::Help:
        std::fputs(UsageText(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case CommandLine::Action::Version:
        std::printf("torvex %s\n", ProductVersion);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "torvex: %s\n", request.error.c_str());
        std::fputs(UsageText(), stderr);
        return 2;
    case CommandLine::Action::Convert:
        return RunConversion(request);
    case CommandLine::Action::Window:
        break;
    }
    return OpenWindow(argc, argv);
}

}  // namespace torvex

int main(int argc, char** argv) { return torvex::Main(argc, argv); }
