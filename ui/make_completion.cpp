// Writes the bash completion script, made from the option table, into the
// file named by its argument; run when torvex is built.
#include <fstream>

#include "command_line.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::ofstream out(argv[1], std::ios::binary);
    out << torvex::BashCompletion();
    return out.flush() ? 0 : 1;
}
