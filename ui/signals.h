// What the program does when it is told to stop (Ctrl-C, kill, a closed
// terminal) or runs into the file-size limit.
#pragma once

namespace torvex {

// SIGINT, SIGTERM and SIGHUP remove every temporary page being written and
// then end the program as the signal would have (the shell sees 128 plus
// the signal); a signal ignored at start stays ignored. SIGXFSZ is ignored,
// so that a write past the file-size limit fails (EFBIG) and is reported
// like any other write error.
void InstallSignalHandlers();

}  // namespace torvex
