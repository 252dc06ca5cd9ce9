#include "signals.h"

#include <csignal>
#include <cerrno>

#include "temp_files.h"

namespace torvex {

namespace {

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnStopSignal(int signal) {
    RemoveTempFilesNow();
    // A batch that should print its summary before it ends would set its
    // stop flag here and return instead of ending the program.
    std::signal(signal, SIG_DFL);
    std::raise(signal);  // delivered as this handler returns
}

}  // namespace

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : StopSignals) sigaddset(&action.sa_mask, signal);
    for (int signal : StopSignals) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;  // nohup
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace torvex
