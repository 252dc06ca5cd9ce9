#pragma once

namespace torvex {

// Starts the toolkit, shows MainFrm and runs until the program ends.
int RunWindow(int argc, char** argv);

}  // namespace torvex

// The window module's entry, looked up by name when the module is loaded.
extern "C" int torvex_run_window(int argc, char** argv);
