#include "escape.h"

#include <array>

#include "any_byte.h"

namespace torvex {

namespace {

// The reference for each byte that needs one; null for the rest.
constexpr std::array<const char*, 256> MakeReferences() {
    std::array<const char*, 256> refs{};
    refs['>'] = "&gt;";
    refs['<'] = "&lt;";
    refs['"'] = "&quot;";
    refs[163] = "&#163;";  // the pound sign in ISO 8859-1, its last byte in UTF-8
    return refs;
}

constexpr auto References = MakeReferences();

}  // namespace

void AppendEscaped(std::string_view text, std::string& out, CharacterSet set) {
    size_t copied = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char* ref = References[static_cast<unsigned char>(text[i])];
        if (ref == nullptr) continue;
        size_t start = i;
        if (set == CharacterSet::Utf8 && text[i] == '\xA3') {
            if (i == 0 || text[i - 1] != '\xC2') continue;  // part of another character
            start = i - 1;
        }
        out.append(text, copied, start - copied);
        out.append(ref);
        copied = i + 1;
    }
    out.append(text, copied);
}

bool NeedsEscaping(std::string_view text) {
    return AnyByte(
        text, [](ByteBlock v) { return (v == '<') | (v == '>') | (v == '"') | (v == 0xA3); },
        [](char c) { return References[static_cast<unsigned char>(c)] != nullptr; });
}

std::string EscapeText(std::string_view text, CharacterSet set) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendEscaped(text, out, set);
    return out;
}

}  // namespace torvex
