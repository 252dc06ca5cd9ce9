// The window for a build without a toolkit: there is none.
#include "command_line.h"
#include "window.h"

namespace torvex {

int OpenWindow(int, char**) {
    return UsageError("this build has no window; give INPUT and OUTPUT");
}

}  // namespace torvex
