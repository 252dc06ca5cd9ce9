// A line too long to hold whole in memory. It is read twice where it lies
// (see InputFile): once to its end, for what must be known before its text
// is converted, then piece by piece for the conversion. Pieces are cut
// where no step of the conversion looks across the cut: after a space that
// lies outside any section label (a link candidate never holds a space),
// or anywhere in a run without spaces that holds no link key (and, where
// labels are linked, no bracket). A run with no such place in it is cut
// all the same, outside labels, into pieces that the link step must join
// (see LineConversion); only a label is held whole however long it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "character_set.h"
#include "input_file.h"

namespace torvex {

struct LongLineFacts {
    unsigned long long length = 0;  // of the raw line, without its LF
    // The line text: without the CRs before the LF and the trailing spaces,
    // and in split mode without its leading spaces.
    unsigned long long text_begin = 0, text_end = 0;
    bool may_hold_links = false;  // an "@" or a ":"
    bool brackets = false;        // a "[" or a "]"
    unsigned long long last_close = 0;  // where the text's last "]" is (a "[" after it opens no label)
    // Split mode: LabelNumber of the text, and whether the text starts with "[".
    std::optional<float> label;
    bool starts_with_bracket = false;
};

class LongLine {
public:
    // Reads the line at the input's position to its end. split: its
    // leading spaces go, and its label is read. False when the line cannot
    // be read (see InputFile::error()).
    LongLine(InputFile& input, CharacterSet set, size_t pieceSize);
    bool Measure(bool split);
    const LongLineFacts& facts() const { return facts_; }

    // Which steps the cuts must respect: link detection, section labels.
    void CutFor(bool links, bool labels) {
        links_ = links;
        labels_ = labels;
    }
    // The next piece of the text; whole tells whether it ends where no step
    // looks across (else the link step joins it to the next), last whether
    // it is the last one. The piece stays valid until the next call. False
    // after the last.
    bool NextPiece(std::string_view& piece, bool& whole, bool& last);

    // The whole raw line (without its LF), for what needs it whole: the
    // heading of a section page is its page's title.
    std::string Whole();
    // The first bytes of the text, up to n of them (fewer rather than a
    // character cut in two), before any piece is taken.
    std::string_view Head(size_t n);

private:
    unsigned long long Cut();
    bool RunIsClean(unsigned long long begin);
    unsigned long long Boundary(unsigned long long at);
    bool BracketBetween(unsigned long long a, unsigned long long b) const;
    void Ensure(unsigned long long end);
    char At(unsigned long long at) const { return window_[static_cast<size_t>(at - window_begin_)]; }

    InputFile& input_;
    CharacterSet set_;
    size_t piece_size_;
    LongLineFacts facts_;
    bool links_ = true, labels_ = false;

    unsigned long long pos_ = 0;  // where the next piece starts
    bool whole_ = true;           // the piece before it ended where no step looks across
    std::string window_;          // the line from window_begin_ on, as far as it has been read
    unsigned long long window_begin_ = 0;
    // The run without spaces last looked ahead over: from where, and whether clean.
    unsigned long long run_begin_ = ~0ULL;
    unsigned long long clean_end_ = 0;
    bool run_clean_ = false;
    std::string ahead_;  // what the look ahead read beyond the window
};

}  // namespace torvex
