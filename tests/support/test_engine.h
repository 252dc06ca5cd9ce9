// The engine as the engine tests make it. Their second run sets
// TORVEX_TEST_LIMITS=tiny: every engine then holds a few bytes at a time,
// so that each page the tests expect is also made with every line in
// pieces, every held-back line out of memory, every file mapped and no
// quick path.
#pragma once

#include <cstdlib>
#include <string_view>

#include "engine.h"

namespace torvex::testing {

class TestEngine : public Engine {
public:
    explicit TestEngine(Host& host) : Engine(host) {
        const char* limits = std::getenv("TORVEX_TEST_LIMITS");
        if (limits == nullptr || std::string_view(limits) != "tiny") return;
        Limits.read_size = 3;
        Limits.line_in_memory = 2;
        Limits.piece = 2;
        Limits.held_line = 1;
        Limits.copy_plain_lines = false;
        Limits.map_from = 0;  // every file read through a mapping, a few bytes of it at a time
    }
};

}  // namespace torvex::testing
