// torvex on a machine without a display: the command line converts, and a
// request for the window ends with a clear message instead of an abort.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace torvex::testing {
namespace {

struct Outcome {
    int status = -1;  // exit status, or -1 when killed by a signal
    std::string err;
};

// Runs torvex with nothing in its environment but `env` (VAR=value words).
Outcome RunBare(const std::string& env, const std::string& args) {
    const std::string command =
        "env -i " + env + " '" + std::string(TORVEX_BINARY) + "' " + args + " 2>&1 >/dev/null </dev/null";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.err.append(buffer, n);
    const int status = pclose(pipe);
    if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
    return outcome;
}

TEST(NoDisplay, CommandLineConvertsWithoutAnyEnvironment) {
    TempDir dir;
    WriteFile(dir / "in.txt", "Hello\n");
    const Outcome run = RunBare("", "'" + (dir / "in.txt") + "' '" + (dir / "out.html") + "' Title");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(ReadFile(dir / "out.html").find("<TITLE>Title</TITLE>"), std::string::npos);
}

TEST(NoDisplay, WindowWithoutADisplayExplainsAndShowsUsage) {
    for (const char* args : {"", "only-one-name"}) {
        SCOPED_TRACE(args);
        const Outcome run = RunBare("", args);
        EXPECT_EQ(run.status, 2);
#ifdef TORVEX_HAS_WINDOW
        EXPECT_NE(run.err.find("torvex: no display to open the window on (DISPLAY, WAYLAND_DISPLAY and "
                               "QT_QPA_PLATFORM are unset)"),
                  std::string::npos)
            << run.err;
#else
        EXPECT_NE(run.err.find("this build has no window"), std::string::npos) << run.err;
#endif
        EXPECT_NE(run.err.find("Usage: torvex [OPTION...] [--] INPUT OUTPUT"), std::string::npos) << run.err;
    }
}

#ifdef TORVEX_HAS_WINDOW
// DISPLAY names a server that is not there: a clean exit, not an abort.
TEST(NoDisplay, UnreachableDisplayEndsCleanly) {
    const Outcome run = RunBare("DISPLAY=:5917 XAUTHORITY=/nonexistent HOME=/nonexistent", "");
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("torvex: cannot open the window: the display could not be reached (DISPLAY=:5917)"),
              std::string::npos)
        << run.err;
}
#endif

}  // namespace
}  // namespace torvex::testing
