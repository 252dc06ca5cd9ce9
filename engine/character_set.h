// The character set of a conversion: chosen by the front end, or decided
// from the whole input. Every page of a conversion is written in one set.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "utf8.h"

namespace torvex {

enum class CharacterSet {
    Auto,    // UTF-8 when the input is valid UTF-8 with a byte above 127, else ISO 8859-1
    Utf8,
    Latin1,  // ISO 8859-1: one byte, one character
};

// How many characters text holds for a page in that set. The line-break,
// underline and link rules count characters, not bytes.
inline size_t CharacterCount(std::string_view text, CharacterSet set) {
    return set == CharacterSet::Utf8 ? Utf8Length(text) : text.size();
}

// How many bytes the character at text[at] takes in a page in set.
inline size_t CharacterWidth(std::string_view text, size_t at, CharacterSet set) {
    char32_t code = 0;
    return set == CharacterSet::Utf8 && static_cast<unsigned char>(text[at]) >= 0x80 ? std::max<size_t>(DecodeUtf8(text, at, code), 1)
                                                                                       : 1;
}

}  // namespace torvex
