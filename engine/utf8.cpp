#include "utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "huge_buffer.h"

namespace torvex {

namespace {

// How many bytes at the start of text are below 128: most text is mostly
// ASCII, so this is asked 32 bytes at a time.
size_t AsciiPrefix(std::string_view text) {
    constexpr std::uint64_t High = 0x8080808080808080;
    const char* p = text.data();
    size_t i = 0;
    for (; i + 32 <= text.size(); i += 32) {
        std::uint64_t words[4];
        std::memcpy(words, p + i, sizeof words);
        if ((words[0] | words[1] | words[2] | words[3]) & High) break;
    }
    while (i < text.size() && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

// ValidUtf8Prefix, telling also whether those bytes go beyond ASCII.
size_t ScanUtf8(std::string_view text, bool& beyondAscii) {
    size_t i = 0;
    for (;;) {
        i += AsciiPrefix(text.substr(i));
        if (i == text.size()) return i;
        char32_t value = 0;
        const size_t length = DecodeUtf8(text, i, value);
        if (length == 0) return i;
        beyondAscii = true;
        i += length;
    }
}

// The length of the sequence that a lead byte (C2 to F4) starts.
size_t SequenceLength(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2; }

}  // namespace

size_t DecodeUtf8(std::string_view text, size_t at, char32_t& value) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        value = lead;
        return 1;
    }
    if (lead < 0xC2 || lead > 0xF4) return 0;  // a continuation byte, an overlong lead, beyond U+10FFFF
    const size_t length = SequenceLength(lead);
    // The second byte's range rules out overlong forms, surrogates and
    // code points above U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (text.size() - at < length || byte(1) < low || byte(1) > high) return 0;
    char32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(k) & 0x3F);
    }
    value = code;
    return length;
}

size_t ValidUtf8Prefix(std::string_view text) {
    bool beyondAscii = false;
    return ScanUtf8(text, beyondAscii);
}

size_t Utf8Length(std::string_view text) {
    size_t continuations = 0;
    for (char c : text) continuations += static_cast<signed char>(c) < -64;  // 0x80 to 0xBF
    return text.size() - continuations;
}

void AppendUtf8(char32_t c, std::string& out) {
    const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | c >> 6), put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | c >> 12), put(0x80 | (c >> 6 & 0x3F)), put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | c >> 18), put(0x80 | (c >> 12 & 0x3F)), put(0x80 | (c >> 6 & 0x3F)), put(0x80 | (c & 0x3F));
    }
}

void MakeValidUtf8(std::string& text, std::string& work) {
    size_t valid = ValidUtf8Prefix(text);
    if (valid == text.size()) return;
    work.clear();
    ReserveHuge(work, text.size() + (text.size() - valid));  // at worst every byte left takes two
    std::string_view rest = text;
    for (;;) {
        work.append(rest.substr(0, valid));
        if (valid == rest.size()) break;
        AppendUtf8(static_cast<unsigned char>(rest[valid]), work);
        rest.remove_prefix(valid + 1);
        valid = ValidUtf8Prefix(rest);
    }
    text.swap(work);
}

void Utf8Check::Add(std::string_view piece) {
    if (failed_) return;
    if (!cut_.empty()) {
        const size_t length = SequenceLength(static_cast<unsigned char>(cut_[0]));
        const size_t take = std::min(length - cut_.size(), piece.size());
        cut_.append(piece.substr(0, take));
        piece.remove_prefix(take);
        if (cut_.size() < length) return;
        char32_t value = 0;
        failed_ = DecodeUtf8(cut_, 0, value) != length;
        if (failed_) return;
        beyond_ascii_ = true;
        cut_.clear();
    }
    const std::string_view rest = piece.substr(ScanUtf8(piece, beyond_ascii_));
    if (rest.empty()) return;
    // A lead byte near the end may start a sequence that the next piece ends.
    const auto lead = static_cast<unsigned char>(rest[0]);
    if (lead >= 0xC2 && lead <= 0xF4 && rest.size() < SequenceLength(lead))
        cut_.assign(rest);
    else
        failed_ = true;
}

}  // namespace torvex
