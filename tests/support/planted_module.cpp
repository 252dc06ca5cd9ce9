// A stand-in for a window module that someone planted where the program
// must never look: loading it leaves a marker file, named by the
// environment, that the test then looks for.
#include <cstdlib>
#include <fstream>

namespace {

struct Marker {
    Marker() {
        if (const char* path = std::getenv("TORVEX_PLANTED_MARKER")) std::ofstream(path) << "loaded\n";
    }
} marker;

}  // namespace

extern "C" int torvex_run_window(int, char**, const char*) { return 0; }
