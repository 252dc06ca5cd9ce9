// Start-up: a complete command line converts one file, or a batch of them,
// and ends; anything else opens the window.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "product.h"
#include "signals.h"
#include "stderr_host.h"
#include "window.h"

namespace torvex {

namespace {

// Descriptors 0 to 2 are always open, so that no file the program opens can
// take their place (an input on descriptor 1 would pass for standard output).
// One found closed is held by /dev/null, opened the wrong way round, so that
// using it fails as a closed one would: "standard output: Bad file descriptor".
void HoldStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
}

int Flushed(std::FILE* stream) {
    if (std::fflush(stream) == 0) return 0;
    const std::string problem = std::string("standard output: ") + std::strerror(errno);
    StderrHost(stderr).ShowMessage(problem);
    return 1;
}

}  // namespace

int Main(int argc, char** argv) {
    HoldStandardDescriptors();
    InstallSignalHandlers();
    CommandLine request = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (request.action) {
    case CommandLine::Action::Help:
        std::fputs(UsageText().c_str(), stdout);
        return Flushed(stdout);
    case CommandLine::Action::Version:
        std::printf("torvex %s\n", ProductVersion);
        return Flushed(stdout);
    case CommandLine::Action::Error:
        return UsageError(request.error);
    case CommandLine::Action::Convert:
        return RunConversion(request);
    case CommandLine::Action::Batch:
        return RunBatch(request);
    case CommandLine::Action::Window:
        break;
    }
    return OpenWindow(argc, argv, request.input);
}

}  // namespace torvex

int main(int argc, char** argv) { return torvex::Main(argc, argv); }
