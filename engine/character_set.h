// The character set of a conversion: chosen by the front end, or decided
// from the whole input. Every page of a conversion is written in one set.
#pragma once

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

}  // namespace torvex
