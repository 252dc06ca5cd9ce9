#pragma once

#include <string>

#include "character_set.h"

namespace torvex {

class LineWriter;

// Writes the document type, head and body opening of a page. The title's
// surrounding quotes are removed and its section label dropped; the result
// (encoded for the page) is left in shortTitle and fills the description,
// keywords, TITLE and H1. The title is written as given, not escaped, but
// for its double quotes in the two content values, which they would end.
// The head declares set (UTF-8 or ISO 8859-1).
void WritePageHeader(LineWriter& writer, std::u32string title, std::string& shortTitle,
                     CharacterSet set);

}  // namespace torvex
