// What the program does when it is told to stop (Ctrl-C, kill, a closed
// terminal) or runs into the file-size limit.
#pragma once

#include <atomic>

namespace torvex {

// SIGINT, SIGTERM, SIGHUP and SIGPIPE (a closed pipe on standard output or
// error) remove every temporary page being written and then end the
// program as the signal would have (the shell sees 128 plus the signal); a
// signal ignored at start stays ignored. SIGXFSZ is ignored,
// so that a write past the file-size limit fails (EFBIG) and is reported
// like any other write error. A bus error in an input read through a
// mapping (cut short meanwhile) fails its conversion instead of ending the
// program.
void InstallSignalHandlers();

// From now on the first stop signal removes the temporary pages, records
// itself in StopSignal() and lets the program go on, so that a batch can
// give up its running conversions, say how far it got and end by
// EndBySignal; a second one ends the program at once (but SIGPIPE, which a
// batch whose reader has gone meets at every message).
void DeferStopSignals();

// The stop signal received since DeferStopSignals, or 0. Lock-free, so
// that a signal handler can set it.
const std::atomic<int>& StopSignal();

// Removes the temporary pages and ends the program as signal would have.
[[noreturn]] void EndBySignal(int signal);

}  // namespace torvex
