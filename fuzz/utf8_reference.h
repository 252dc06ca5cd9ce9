// UTF-8 decoded the slow, obvious way, to check the real validator against:
// a sequence at a time, its code point computed, then tested for the
// shortest form, surrogates and the upper limit.
#pragma once

#include <string_view>

namespace torvex::testing {

// How many bytes at the start of text are well-formed UTF-8.
inline size_t ReferenceValidUtf8Prefix(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        char32_t value = lead, least = 0;
        if (lead >= 0xC0 && lead < 0xE0) length = 2, value = lead & 0x1F, least = 0x80;
        if (lead >= 0xE0 && lead < 0xF0) length = 3, value = lead & 0x0F, least = 0x800;
        if (lead >= 0xF0 && lead < 0xF8) length = 4, value = lead & 0x07, least = 0x10000;
        if ((lead >= 0x80 && lead < 0xC0) || lead >= 0xF8 || i + length > text.size()) return i;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return i;
            value = (value << 6) | (c & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return i;
        i += length;
    }
    return i;
}

}  // namespace torvex::testing
