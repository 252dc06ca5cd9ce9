// The window for a build without a toolkit: there is none.
#include "command_line.h"
#include "window.h"

namespace torvex {

int OpenWindow(int, char**, const std::string& input) {
    if (!input.empty()) return UsageError(MissingOutput(input));
    return UsageError("this build has no window; give INPUT and OUTPUT");
}

}  // namespace torvex
