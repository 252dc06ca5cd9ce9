// The command line: either the plain form "INPUT OUTPUT [TITLE]" read from
// the argument text, or, when the first argument starts with "-", options
// followed by INPUT OUTPUT [TITLE...].
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
    CharacterSet encoding = CharacterSet::Auto;
    std::string error;  // for Action::Error: what was wrong
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending in a newline.
const char* UsageText();

// Runs one conversion with stderr for messages; the process's exit status.
int RunConversion(CommandLine& request);

}  // namespace torvex
