#include "links.h"

namespace torvex {

// Placeholder until link detection lands: lines pass through unchanged.
std::string MakeLinks(std::string_view line, std::string_view /*key*/) { return std::string(line); }

}  // namespace torvex
