#include "escape.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "any_byte.h"
#include "page_markup.h"

namespace torvex {

namespace {

// The reference for each byte that needs one; empty for the rest.
constexpr std::array<std::string_view, 256> MakeReferences() {
    std::array<std::string_view, 256> refs{};
    refs['>'] = markup::GreaterThan;
    refs['<'] = markup::LessThan;
    refs['"'] = markup::Quote;
    refs[163] = markup::Pound;  // the pound sign in ISO 8859-1, its last byte in UTF-8
    return refs;
}

constexpr auto References = MakeReferences();

// The first byte at or after from that may need a reference, sixteen bytes
// at a time (the last sixteen of a text that is long enough, overlapping
// bytes already seen); text.size() when there is none.
size_t NextSpecial(std::string_view text, size_t from) {
    const auto hitsAt = [&text](size_t at, std::uint64_t halves[2]) {
        ByteBlock v;
        std::memcpy(&v, text.data() + at, sizeof v);
        const ByteBlock hits = (v == '<') | (v == '>') | (v == '"') | (v == 0xA3);
        std::memcpy(halves, &hits, 2 * sizeof halves[0]);
    };
    std::uint64_t halves[2];
    for (; from + sizeof(ByteBlock) <= text.size(); from += sizeof(ByteBlock)) {
        hitsAt(from, halves);
        if (halves[0] != 0) return from + static_cast<size_t>(__builtin_ctzll(halves[0])) / 8;
        if (halves[1] != 0) return from + 8 + static_cast<size_t>(__builtin_ctzll(halves[1])) / 8;
    }
    if (from < text.size() && text.size() >= sizeof(ByteBlock)) {
        const size_t last = text.size() - sizeof(ByteBlock), seen = from - last;  // the bytes of it seen before
        hitsAt(last, halves);
        if (seen < 8) {
            halves[0] &= ~std::uint64_t(0) << (8 * seen);
        } else {
            halves[0] = 0;
            halves[1] &= ~std::uint64_t(0) << (8 * (seen - 8));
        }
        if (halves[0] != 0) return last + static_cast<size_t>(__builtin_ctzll(halves[0])) / 8;
        if (halves[1] != 0) return last + 8 + static_cast<size_t>(__builtin_ctzll(halves[1])) / 8;
        return text.size();
    }
    while (from < text.size() && References[static_cast<unsigned char>(text[from])].empty()) ++from;
    return from;
}

}  // namespace

void AppendEscaped(std::string_view text, std::string& out, CharacterSet set) {
    size_t copied = 0;
    for (size_t i = NextSpecial(text, 0); i < text.size(); i = NextSpecial(text, i + 1)) {
        const std::string_view ref = References[static_cast<unsigned char>(text[i])];
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

char* WriteEscaped(std::string_view text, char* out, CharacterSet set) {
    const auto put = [&out](std::string_view bytes) {
        std::memcpy(out, bytes.data(), bytes.size());
        out += bytes.size();
    };
    size_t copied = 0;
    for (size_t i = NextSpecial(text, 0); i < text.size(); i = NextSpecial(text, i + 1)) {
        size_t start = i;
        if (set == CharacterSet::Utf8 && text[i] == '\xA3') {
            if (i == 0 || text[i - 1] != '\xC2') continue;  // part of another character
            start = i - 1;
        }
        put(text.substr(copied, start - copied));
        put(References[static_cast<unsigned char>(text[i])]);
        copied = i + 1;
    }
    put(text.substr(copied));
    return out;
}

bool NeedsEscaping(std::string_view text) {
    return AnyByte(
        text, [](ByteBlock v) { return (v == '<') | (v == '>') | (v == '"') | (v == 0xA3); },
        [](char c) { return !References[static_cast<unsigned char>(c)].empty(); });
}

std::string EscapeText(std::string_view text, CharacterSet set) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendEscaped(text, out, set);
    return out;
}

}  // namespace torvex
