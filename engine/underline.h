// Underlines: a line that turns the line above it into a heading. The pass
// tells them as it writes each line; the line writer then makes the heading.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "character_set.h"
#include "page_markup.h"

namespace torvex {

// The heading that an underline starting with the byte first makes: a row
// of "=" (from the very first byte) a section's, any other a subsection's.
constexpr Heading HeadingUnder(char first) { return first == '=' ? Heading::Section : Heading::Subsection; }

// A row of one repeated character (at least ten after trimming spaces; the
// last six characters, room for "<BR>" and CR LF, are not examined), with
// characters as a page in set reads them: a row of "═" is one in UTF-8.
// Given the line whole, or piece by piece (in UTF-8, whole characters in
// each piece).
class UnderlineTest {
public:
    explicit UnderlineTest(CharacterSet set = CharacterSet::Latin1) : set_(set) {}
    void Add(std::string_view piece);
    bool Holds() const;
    // What the line above becomes: a heading when this one holds.
    Heading Makes() const { return Holds() ? HeadingUnder(first_byte_) : Heading::None; }
    // Nothing added later can make it one.
    bool Impossible() const { return stage_ == Stage::No; }

private:
    enum class Stage { Leading, Row, Rest, No };
    void AddRest(std::string_view piece);

    CharacterSet set_;
    Stage stage_ = Stage::Leading;
    char first_byte_ = 0;     // of the line, spaces included
    char first_[4] = {};      // the repeated character
    size_t width_ = 0;        // its bytes
    size_t row_ = 0;          // characters of the row
    size_t rest_ = 0;         // characters after the row, trailing spaces included
    size_t rest_bytes_ = 0;
    size_t trailing_ = 0;     // the spaces that end the line so far
};

bool IsUnderline(std::string_view line, CharacterSet set = CharacterSet::Latin1);
// The heading that line makes of the line above it (None: it is no underline).
Heading HeadingUnder(std::string_view line, CharacterSet set = CharacterSet::Latin1);

// Most lines are told from an underline by their first two characters
// after any spaces: two that differ make no row. (A UTF-8 page's line is
// valid UTF-8: its first byte tells how many bytes the character takes.)
// False when the glance does not tell.
inline bool IsUnderlineAtAGlance(std::string_view line, CharacterSet set, bool& underline) {
    underline = false;
    // The common line: an ASCII character other than a space, then another.
    if (const auto c = static_cast<unsigned char>(line.size() >= 2 ? line[0] : ' '); c != ' ' && c < 0x80 && line[1] != line[0])
        return true;
    size_t first = 0;
    if (line.size() >= 8) {
        // The first byte that is no space among the first eight, found at once.
        std::uint64_t bytes;
        std::memcpy(&bytes, line.data(), 8);
        const std::uint64_t other = bytes ^ 0x2020202020202020ull;  // a zero byte where a space was
        if (other != 0) first = static_cast<size_t>(__builtin_ctzll(other)) / 8;
        else first = 8;
    }
    while (first < line.size() && line[first] == ' ') ++first;
    if (line.size() - first < 10) return true;
    const auto c = static_cast<unsigned char>(line[first]);
    if (set != CharacterSet::Utf8 || c < 0xC0) return line[first + 1] != line[first];
    const size_t width = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    for (size_t i = 0; i < width && first + width + i < line.size(); ++i)
        if (line[first + i] != line[first + width + i]) return true;
    return false;
}

}  // namespace torvex
