// Runs a program with arguments, extra environment and standard input, and
// collects its exit status and output.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace torvex::testing {

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out, err;
    long peak_kb = 0;  // the most memory it held at once (resident set, KB)
};

// env: "NAME=value" entries added to a clean environment that has only
// PATH, HOME and LANG (no display), or to none when the first is "-i". in_child runs in the child just before
// the program starts (limits, a closed descriptor, file permissions that bind).
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& env = {}, const std::string& input = {},
              const std::string& directory = {}, const std::function<void()>& in_child = {});

// Everything below root by name: type, mode and inode, and but for folders
// size and modification time (a replaced page is a new inode).
std::map<std::string, std::string> Snapshot(const std::string& root);

// The words of a field of a table (see table.h), split at spaces; "..."
// keeps its spaces and may be empty.
std::vector<std::string> Words(const std::string& field);

// For in_child: the program runs as a user whom file permissions bind.
// Root keeps its user but loses for good (in the bounding set too, or it
// would get them back as the program starts) the capabilities that
// override file permissions, so that nothing depends on which user can
// reach the program's folder; an ordinary user has none to lose. A child
// that cannot lose them says so on standard error and ends with status 125.
void DropFileOverrides();

}  // namespace torvex::testing
