// The command line: each argument is one word of "INPUT OUTPUT [TITLE...]",
// or with --batch one INPUT each, with GNU-style options anywhere among them.
#pragma once

#include <string>
#include <vector>

#include "conversion.h"

namespace torvex {

struct CommandLine {
    enum class Action { Convert, Batch, Window, Help, Version, Error };
    Action action = Action::Window;
    std::string input, output;        // of a single conversion
    std::vector<std::string> inputs;  // of a batch
    std::string output_dir;           // of a batch: where every page goes (empty: beside its input)
    unsigned jobs = 0;                // of a batch: files converted at once (0: one per online processor)
    ConversionOptions options;
    std::string error;  // for Action::Error: what was wrong
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending in a newline.
const std::string& UsageText();

// What was wrong before anything was converted, on stderr, and the usage
// text; the exit status for it (2).
int UsageError(const std::string& problem);

// The bash completion script, made from the same option table as the
// parsing and the usage text.
std::string BashCompletion();

// Runs one conversion with stderr for messages; the process's exit status.
int RunConversion(CommandLine& request);

// Runs a batch: messages in input order and a summary on stderr, progress
// on a terminal. The exit status, unless a stop signal ends the program.
int RunBatch(CommandLine& request);

}  // namespace torvex
