#include "title.h"

namespace torvex {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length and value of the UTF-8 sequence at text[i], or 0 when the bytes
// there are not a valid, shortest-form sequence of a scalar value.
size_t DecodeOne(std::string_view text, size_t i, char32_t& value) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[i + k]);
        if (!IsContinuation(c)) return 0;
        value = (value << 6) | (c & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::u32string TitleFromUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t value = 0;
        const size_t length = static_cast<unsigned char>(text[i]) < 0x80 ? 0 : DecodeOne(text, i, value);
        if (length == 0) {
            out.push_back(static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            out.push_back(value);
            i += length;
        }
    }
    return out;
}

std::u32string TitleFromBytes(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
    return out;
}

std::string EncodeTitle(std::u32string_view title) {
    std::string out;
    out.reserve(title.size());
    for (char32_t c : title) {
        if (c <= 0xFF)
            out.push_back(static_cast<char>(c));
        else
            out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    }
    return out;
}

}  // namespace torvex
