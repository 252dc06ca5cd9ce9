// How a line of plain text is laid out, as a reader takes it in at a
// glance: how far it stands in, the gaps of two or more spaces between its
// words, a list marker at its start, a row of one repeated character, the
// rules of a drawn table. Columns count characters of UTF-8 text, a tab
// reaching to the next multiple of eight.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace torvex {

// A run of two or more spaces (or a tab) between two words.
// (Left uninitialised when made: a layout holds room for many, of which
// few are used.)
struct Gap {
    std::uint32_t end;         // the column where the next word starts
    std::uint32_t length;      // in columns
    bool after_stop;           // it follows ".", "?", "!" or ":" (and may be a sentence's spacing)
    std::uint32_t begin_byte, end_byte;  // where its white space lies in the line
};

enum class Marker : std::uint8_t { None, Bullet, Number, Letter, Roman };

struct LineLayout {
    bool blank = true;
    std::uint32_t indent = 0;  // columns before the text
    size_t text = 0;           // the byte where the text starts
    std::uint32_t width = 0;   // columns up to the end of the line
    bool tab = false;          // a tab anywhere
    bool ascii = true;

    // A list marker ("*", "-", "1.", "(a)", "iv)"...) followed by a space and text.
    Marker marker = Marker::None;
    char bullet = 0;       // the bullet's first byte, or the number's delimiter: "." ")" or "("
    long ordinal = 0;      // the number's value; "a" and "i" are 1
    std::uint32_t content = 0;  // the column where the marker's text starts
    size_t content_byte = 0;

    // A row of three or more of one character and nothing else, perhaps
    // with single spaces between ("* * *"): the character, or 0.
    char row = 0;
    bool spaced_row = false;
    // A row of a drawn table or box: it starts and ends with "|" or "+", or
    // holds box-drawing characters.
    bool box = false;

    static constexpr size_t MaxGaps = 16;
    Gap gaps[MaxGaps];
    std::uint8_t gap_count = 0;  // gaps beyond MaxGaps are not kept
    // The widest gap's length and how many gaps of three or more columns.
    std::uint32_t widest_gap = 0;
    std::uint8_t wide_gaps = 0;
    // Every gap is a sentence's spacing: two or three spaces after ".",
    // "?", "!" or ":", which never part columns.
    bool sentence_gaps = true;
    // Single spaces between words, for telling justified prose.
    std::uint16_t single_spaces = 0;
};

// The layout of line: UTF-8 text without its line end or trailing spaces.
// (Filled in place: a layout is not small.) plain: the line is known to
// be printable ASCII (no tabs, form feeds or characters beyond ASCII).
void LayOut(std::string_view line, LineLayout& layout, bool plain = false);

// Whether text reads as prose: five words or more, thirty characters or
// more, mostly letters.
bool ReadsAsProse(std::string_view text);

// Whether the line, of this layout, was set flush to both margins by a
// formatter: it reaches margin (the most common width of the text's long
// lines) and its gaps differ by at most a space (two after a sentence).
bool Justified(const LineLayout& line, std::uint32_t margin);

// line with its tabs turned into spaces, from column `from` on (the
// columns before it dropped), appended to out.
void AppendExpanded(std::string_view line, std::uint32_t from, std::string& out);

}  // namespace torvex
