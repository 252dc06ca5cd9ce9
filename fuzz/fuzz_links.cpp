// Escaping and link detection on any line: each key against the plain
// recursive form, on the escaped line (as the pass runs it) and on the raw
// bytes (anything at all), for a page in ISO 8859-1 and, when the line is
// UTF-8, for a page in UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "escape.h"
#include "links.h"
#include "links_reference.h"
#include "utf8.h"

namespace {

void Check(const std::string& line, torvex::CharacterSet set) {
    std::string text = line;
    for (const std::string key : {"@", "://", "news:"}) {
        const std::string linked = torvex::MakeLinks(text, key, set);
        if (linked != torvex::testing::ReferenceMakeLinks(text, key, set == torvex::CharacterSet::Utf8)) std::abort();
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
    Check(escaped, torvex::CharacterSet::Latin1);
    Check(line, torvex::CharacterSet::Latin1);
    if (torvex::ValidUtf8Prefix(line) == line.size()) {
        Check(torvex::EscapeText(line, torvex::CharacterSet::Utf8), torvex::CharacterSet::Utf8);
        Check(line, torvex::CharacterSet::Utf8);
    }
    return 0;
}
