// Escaping and link detection on any line: each key against the plain
// recursive form, on the escaped line (as the pass runs it) and on the raw
// bytes (anything at all).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "escape.h"
#include "links.h"
#include "links_reference.h"

namespace {

void Check(const std::string& line) {
    std::string text = line;
    for (const std::string key : {"@", "://", "news:"}) {
        const std::string linked = torvex::MakeLinks(text, key);
        if (linked != torvex::testing::ReferenceMakeLinks(text, key)) std::abort();
        if (!torvex::ContainsKey(text, key) && linked != text) std::abort();
        text = linked;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string escaped = torvex::EscapeText(line);
    if (torvex::EscapeText(escaped) != escaped) std::abort();  // escaping twice changes nothing
    if (torvex::NeedsEscaping(line) != (escaped != line)) std::abort();
    Check(escaped);
    Check(line);
    return 0;
}
