#pragma once

#include <string>

namespace torvex {

// Starts the toolkit, shows MainFrm (with input, when not empty, as its
// input file) and runs until the program ends.
int RunWindow(int argc, char** argv, const std::string& input);

}  // namespace torvex

// The window module's entry, looked up by name when the module is loaded.
extern "C" int torvex_run_window(int argc, char** argv, const char* input);
