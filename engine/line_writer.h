// The single writer of every page byte. It holds each submitted line back by
// one call, so that an underline below a line can turn that line into an H2
// or H3 heading.
#pragma once

#include <string>
#include <string_view>

#include "character_set.h"

namespace torvex {

class PageFile;

// A row of one repeated character (at least ten after trimming spaces; the
// last six characters, room for "<BR>" and CR LF, are not examined), with
// characters as a page in set reads them: a row of "═" is one in UTF-8.
bool IsUnderline(std::string_view line, CharacterSet set = CharacterSet::Latin1);

class LineWriter {
public:
    // The page that written lines go to; null writes nowhere.
    void SetPage(PageFile* page) { page_ = page; }
    // The character set of the pages written from now on.
    void SetCharacterSet(CharacterSet set) { set_ = set; }

    // Writes the line held back, and holds back `line` (or an empty line
    // in place of an underline).
    void WriteLine(std::string_view line);
    // The same, taking over line's buffer instead of copying it; line comes
    // back holding the old pending buffer, to be reused by the caller.
    void Submit(std::string& line);

    const std::string& PendingLine() const { return pending_; }
    // Drops the held-back line of a page that failed, so that none of it
    // reaches the next page.
    void Discard() { pending_.clear(); }

private:
    PageFile* page_ = nullptr;
    CharacterSet set_ = CharacterSet::Latin1;
    std::string pending_;
    std::string scratch_;
};

}  // namespace torvex
