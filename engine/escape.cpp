#include "escape.h"

#include <array>

namespace torvex {

namespace {

// The reference for each byte that needs one; null for the rest.
constexpr std::array<const char*, 256> MakeReferences() {
    std::array<const char*, 256> refs{};
    refs['>'] = "&gt;";
    refs['<'] = "&lt;";
    refs['"'] = "&quot;";
    refs[163] = "&#163;";  // pound sign in ISO 8859-1
    return refs;
}

constexpr auto References = MakeReferences();

}  // namespace

void AppendEscaped(std::string_view text, std::string& out) {
    size_t copied = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char* ref = References[static_cast<unsigned char>(text[i])];
        if (ref == nullptr) continue;
        out.append(text, copied, i - copied);
        out.append(ref);
        copied = i + 1;
    }
    out.append(text, copied);
}

bool NeedsEscaping(std::string_view text) {
    // Block by block without an early exit inside a block, so that the
    // compiler can test many bytes at once.
    constexpr size_t Block = 256;
    for (size_t at = 0; at < text.size(); at += Block) {
        const std::string_view block = text.substr(at, Block);
        bool found = false;
        for (char c : block) found |= c == '<' || c == '>' || c == '"' || c == '\xA3';
        if (found) return true;
    }
    return false;
}

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendEscaped(text, out);
    return out;
}

}  // namespace torvex
