// Prints the bash completion script, made from the option table; run when
// torvex is built, which puts what it prints into the installed file.
#include <iostream>

#include "command_line.h"

int main() {
    std::cout << torvex::BashCompletion();
    return std::cout.flush() ? 0 : 1;
}
