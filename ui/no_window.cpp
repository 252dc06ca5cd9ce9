// The window for a build without a toolkit: there is none.
#include <cstdio>

#include "command_line.h"
#include "window.h"

namespace torvex {

int OpenWindow(int, char**) {
    std::fputs("torvex: this build has no window; give INPUT and OUTPUT\n", stderr);
    std::fputs(UsageText().c_str(), stderr);
    return 2;
}

}  // namespace torvex
