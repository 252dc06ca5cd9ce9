#pragma once

namespace torvex {

// Opens the main window and runs until it is closed; the exit status.
// The window lives in a module of its own (libtorvex-window.so), loaded only
// here: the command line never loads the toolkit, so it starts small and
// runs where the toolkit is not even installed.
int OpenWindow(int argc, char** argv);

}  // namespace torvex
