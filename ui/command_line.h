// The command line: each argument is one word of "INPUT OUTPUT [TITLE...]",
// with GNU-style options anywhere among them.
#pragma once

#include <string>
#include <vector>

#include "character_set.h"

namespace torvex {

struct CommandLine {
    enum class Action { Convert, Window, Help, Version, Error };
    Action action = Action::Window;
    std::string input, output, title;
    int line_break_mode = 2;
    bool time_stamp = true;
    bool force = false;  // replace an output that is not an HTML page
    CharacterSet encoding = CharacterSet::Auto;
    std::string error;   // for Action::Error: what was wrong
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending in a newline.
const std::string& UsageText();

// Runs one conversion with stderr for messages; the process's exit status.
int RunConversion(CommandLine& request);

}  // namespace torvex
