// How one line of text ends in the page: "<BR>", a paragraph mark, or
// nothing, decided from the line's shape and the lengths of the lines
// before it, then adjusted by the line-break mode.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "character_set.h"

namespace torvex {

// Removes one pair of surrounding double quotes from a path longer than two
// characters; gives the (changed) path.
std::string& StripQuotes(std::string& path);

// The raw line without its last two characters (the CR LF) and its trailing spaces.
std::string_view TrimLineEnd(std::string_view raw);

// Makes a raw line that ends in LF end in exactly one CR LF; an empty line
// ending CR CR LF is too short to lose a CR and keeps both.
void NormaliseLineEnd(std::string& raw);

// True when at least two of the three lengths lie in 3..49.
bool ShortLineRun(size_t a, size_t b, size_t c);

class LineBreaks {
public:
    // Line lengths are counted in characters of set.
    explicit LineBreaks(int mode, CharacterSet set = CharacterSet::Latin1)
        : mode_(mode == 1 || mode == 3 ? mode : 2), set_(set) {}

    // Back to the state of a new page.
    void Reset();

    // Records the line's length and gives its suffix. convert tells whether
    // the text then goes through escaping and link detection (not for an
    // empty line).
    std::string_view ChooseSuffix(std::string_view text, bool& convert);

    // The suffix actually written: a second paragraph mark in a row is
    // dropped, then the mode applies. Also advances the paragraph mark.
    std::string_view Compose(std::string_view suffix);

private:
    int mode_;
    CharacterSet set_;
    std::array<size_t, 4> recent_lengths_{80, 80, 80, 80};  // newest first
    std::string_view previous_suffix_;
    std::string_view paragraph_mark_ = "<P>";
};

}  // namespace torvex
