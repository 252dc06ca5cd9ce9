#pragma once

#include <string>

namespace torvex {

class LineWriter;

// Writes the document type, head and body opening of a page. The title's
// surrounding quotes are removed and its section label dropped; the result
// (encoded for the page) is left in shortTitle and fills the description,
// keywords, TITLE and H1. The title is written as given, not escaped.
void WritePageHeader(LineWriter& writer, std::u32string title, std::string& shortTitle);

}  // namespace torvex
