// HTML escaping of one line of input text.
#pragma once

#include <string>
#include <string_view>

namespace torvex {

// Appends the escaped form of text to out: ">" "<" "£" (byte 163) and the
// double quote become character references; everything else, "&" included,
// is copied unchanged.
void AppendEscaped(std::string_view text, std::string& out);

std::string EscapeText(std::string_view text);

// Whether EscapeText would change text.
bool NeedsEscaping(std::string_view text);

}  // namespace torvex
