#pragma once

#include <string>

#include "host.h"

namespace torvex {

class LineWriter;

// " on dd-mmm-yyyy at hh:mm:ss<BR>", month names in English.
std::string FormatTimeStamp(const StampTime& now);

// Writes the rule, the credit line (with the date and time when
// addTimeStamp, read once from host) and the closing tags of a page.
void WritePageFooter(LineWriter& writer, bool addTimeStamp, Host& host);

}  // namespace torvex
