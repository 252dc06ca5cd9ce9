// Mail, web and news addresses in a line of escaped text become anchors.
#pragma once

#include <string>
#include <string_view>

namespace torvex {

// The line with anchors added for the candidates around each occurrence of
// key ("@", "://" or "news:"), found without regard to letter case. The line
// is escaped text: ">" arrives as "&gt;".
std::string MakeLinks(std::string_view line, std::string_view key);

}  // namespace torvex
