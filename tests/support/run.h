// Runs a program with arguments, extra environment and standard input, and
// collects its exit status and output.
#pragma once

#include <string>
#include <vector>

namespace torvex::testing {

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out, err;
};

// env: "NAME=value" entries added to a clean environment that has only
// PATH, HOME and LANG (no display).
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& env = {}, const std::string& input = {},
              const std::string& directory = {});

}  // namespace torvex::testing
