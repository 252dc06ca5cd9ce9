#pragma once

#include <string>

namespace torvex {

// Opens the main window, with input (if not empty) chosen as its input file,
// and runs until it is closed; the exit status. Without a display to show
// it on, says what the command line lacks instead.
// The window lives in a module of its own (libtorvex-window.so), loaded only
// here: the command line never loads the toolkit, so it starts small and
// runs where the toolkit is not even installed.
int OpenWindow(int argc, char** argv, const std::string& input);

}  // namespace torvex
