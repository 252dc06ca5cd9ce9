#include "signals.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "torvex.h"

namespace torvex {

namespace {

// SIGPIPE too: a program in a pipeline ends when its reader has gone, and
// must not leave its temporary pages behind when it does.
constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

std::atomic<bool> deferring{false};
std::atomic<int> stop_signal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

extern "C" void OnStopSignal(int signal) {
    const int saved = errno;  // the thread it interrupts may be about to read it
    if (deferring.load()) {
        // The first stop is recorded, before the removal: a conversion whose
        // page cannot take its name once its temporary file is gone then
        // knows why. A reader that has gone may say so again and again while
        // the batch winds down; a second stop of any other kind ends the
        // program at once.
        int none = 0;
        if (stop_signal.compare_exchange_strong(none, signal) || signal == SIGPIPE) {
            torvex_remove_temporary_files();
            errno = saved;
            return;
        }
    }
    torvex_remove_temporary_files();
    std::signal(signal, SIG_DFL);
    std::raise(signal);  // delivered as this handler returns
}

// An input read through a mapping was cut short by another process: its
// conversion fails and the program goes on. Any other bus error ends the
// program as it would have, without its temporary pages.
extern "C" void OnBusError(int signal, siginfo_t* info, void*) {
    const int saved = errno;
    const bool covered = torvex_handle_input_fault(info->si_addr) != 0;
    errno = saved;
    if (covered) return;
    torvex_remove_temporary_files();
    std::signal(signal, SIG_DFL);
    std::raise(signal);  // delivered as this handler returns, if the fault itself does not come again
}

}  // namespace

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;  // a deferred stop must not make reads and writes fail
    sigemptyset(&action.sa_mask);
    for (int signal : StopSignals) sigaddset(&action.sa_mask, signal);
    for (int signal : StopSignals) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;  // nohup
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
    struct sigaction bus {};
    bus.sa_sigaction = OnBusError;
    bus.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&bus.sa_mask);
    sigaction(SIGBUS, &bus, nullptr);
}

void DeferStopSignals() { deferring = true; }

const std::atomic<int>& StopSignal() { return stop_signal; }

void EndBySignal(int signal) {
    torvex_remove_temporary_files();
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
    _exit(128 + signal);  // should the signal not end the program after all
}

}  // namespace torvex
