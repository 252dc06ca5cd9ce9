#pragma once

namespace torvex {

// Opens the main window and runs until it is closed; the exit status.
int RunWindow(int argc, char** argv);

}  // namespace torvex
