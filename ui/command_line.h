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
    std::string input, output;        // of a single conversion; the window's input, if one was named
    std::vector<std::string> inputs;  // of a batch
    std::string output_dir;           // of a batch: where every page goes (empty: beside its input)
    std::string files_from;           // of a batch: a list of more inputs ("-": standard input)
    bool null_separated = false;      // the list's names end in NUL, not in a line end
    unsigned jobs = 0;                // of a batch: files converted at once (0: one per online processor)
    ConversionOptions options;
    std::string error;  // for Action::Error: what was wrong
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending in a newline.
const std::string& UsageText();

// What was wrong before anything was converted, on stderr, and where to
// find the usage; the exit status for it (2).
int UsageError(const std::string& problem);

// What to tell a user who named only input: how to get its page.
std::string MissingOutput(const std::string& input);

// The bash completion script, made from the same option table as the
// parsing and the usage text.
std::string BashCompletion();

// Runs one conversion with stderr for messages; the process's exit status.
int RunConversion(CommandLine& request);

// Runs a batch: messages in input order and a summary on stderr, progress
// on a terminal. The exit status, unless a stop signal ends the program.
int RunBatch(CommandLine& request);

}  // namespace torvex
