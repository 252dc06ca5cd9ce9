#include "escape.h"

#include <array>
#include <cstdint>
#include <cstring>

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
    // Sixteen bytes at a time: most lines need nothing, and this runs on all.
    using Bytes = unsigned char __attribute__((vector_size(16)));
    size_t i = 0;
    for (; i + 16 <= text.size(); i += 16) {
        Bytes v;
        std::memcpy(&v, text.data() + i, 16);
        const Bytes hits = (v == '<') | (v == '>') | (v == '"') | (v == 0xA3);
        std::uint64_t halves[2];
        std::memcpy(halves, &hits, 16);
        if (halves[0] | halves[1]) return true;
    }
    for (; i < text.size(); ++i)
        if (References[static_cast<unsigned char>(text[i])] != nullptr) return true;
    return false;
}

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendEscaped(text, out);
    return out;
}

}  // namespace torvex
