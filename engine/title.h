// Page titles are characters, not bytes: a title typed by the user is UTF-8
// text, a title taken from a heading line is the input's own bytes. The page
// is ISO 8859-1, so characters beyond U+00FF are written as "&#N;".
#pragma once

#include <string>
#include <string_view>

namespace torvex {

// UTF-8 text as characters; a byte that is not part of valid UTF-8 stands
// for itself (so Latin-1 text typed on a Latin-1 terminal survives).
std::u32string TitleFromUtf8(std::string_view text);

// The bytes of an input line, one character each.
std::u32string TitleFromBytes(std::string_view bytes);

// Characters up to U+00FF as one byte each, the others as "&#N;".
std::string EncodeTitle(std::u32string_view title);

}  // namespace torvex
