// Page titles are characters, not bytes: a title typed by the user is UTF-8
// text, a title taken from a heading line is the line's own text. An
// ISO 8859-1 page writes characters beyond U+00FF as "&#N;", a UTF-8 page
// writes them as they are.
#pragma once

#include <string>
#include <string_view>

#include "character_set.h"

namespace torvex {

// UTF-8 text as characters; a byte that is not part of valid UTF-8 stands
// for itself (so Latin-1 text typed on a Latin-1 terminal survives).
std::u32string TitleFromUtf8(std::string_view text);

// The characters of a line of a page in set: in ISO 8859-1 each byte.
std::u32string TitleFromLine(std::string_view line, CharacterSet set);

// The title as a page in set writes it: in ISO 8859-1 characters up to
// U+00FF as one byte each and the others as "&#N;"; in UTF-8 as UTF-8.
std::string EncodeTitle(std::u32string_view title, CharacterSet set);

}  // namespace torvex
