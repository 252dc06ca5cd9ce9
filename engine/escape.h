// HTML escaping of one line of input text.
#pragma once

#include <string>
#include <string_view>

#include "character_set.h"

namespace torvex {

// Appends the escaped form of text to out: ">" "<" the double quote and the
// pound sign become character references; everything else, "&" included,
// is copied unchanged. The pound sign is byte 163 in ISO 8859-1 and the
// pair C2 A3 in UTF-8, where a byte 163 inside another character (as in
// "ã", C3 A3) is left alone.
void AppendEscaped(std::string_view text, std::string& out, CharacterSet set);
// The same, written at out, which has room for six bytes (the longest
// reference) for each of text: where the escaped text ends.
char* WriteEscaped(std::string_view text, char* out, CharacterSet set);

std::string EscapeText(std::string_view text, CharacterSet set = CharacterSet::Latin1);

// Whether EscapeText might change text (false: it certainly does not).
bool NeedsEscaping(std::string_view text);

}  // namespace torvex
