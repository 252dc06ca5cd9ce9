// The single writer of every page byte. It holds each submitted line back by
// one call, so that an underline below a line can turn that line into an H2
// or H3 heading.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "character_set.h"
#include "scratch_file.h"

namespace torvex {

class PageFile;

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
    // Nothing added later can make it one.
    bool Impossible() const { return stage_ == Stage::No; }

private:
    enum class Stage { Leading, Row, Rest, No };
    void AddRest(std::string_view piece);

    CharacterSet set_;
    Stage stage_ = Stage::Leading;
    char first_[4] = {};      // the repeated character
    size_t width_ = 0;        // its bytes
    size_t row_ = 0;          // characters of the row
    size_t rest_ = 0;         // characters after the row, trailing spaces included
    size_t rest_bytes_ = 0;
    size_t trailing_ = 0;     // the spaces that end the line so far
};

bool IsUnderline(std::string_view line, CharacterSet set = CharacterSet::Latin1);

// Most lines are told from an underline by their first two characters
// after any spaces: two that differ make no row. (A UTF-8 page's line is
// valid UTF-8: its first byte tells how many bytes the character takes.)
// False when the glance does not tell.
inline bool IsUnderlineAtAGlance(std::string_view line, CharacterSet set, bool& underline) {
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
    underline = false;
    if (line.size() - first < 10) return true;
    const auto c = static_cast<unsigned char>(line[first]);
    if (set != CharacterSet::Utf8 || c < 0xC0) return line[first + 1] != line[first];
    const size_t width = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    for (size_t i = 0; i < width && first + width + i < line.size(); ++i)
        if (line[first + i] != line[first + width + i]) return true;
    return false;
}

// The page's bytes are gathered here before they go to the page: the lines
// already written, then the held-back line, then the line being added. The
// first part of a line of many megabytes leaves memory: it is written to
// the page as soon as the line is known to stay as it is (a heading's tag
// is put in front of it there, should one be needed), or else kept in an
// unnamed temporary file.
class LineWriter {
public:
    LineWriter();
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // The page that written lines go to; null writes nowhere. What was
    // written for the page before stays with it.
    void SetPage(PageFile* page);
    // The character set of the pages written from now on.
    void SetCharacterSet(CharacterSet set) { set_ = set; }
    // A longer line leaves memory but for its last bytes.
    void SetHeldInMemory(size_t bytes) { held_in_memory_ = bytes; }

    // Writes the line held back, and holds back `line` (or an empty line
    // in place of an underline).
    void WriteLine(std::string_view line);

    // The same for a line that is added in place, straight from where it
    // is made: Room and Added, or Append, as often as needed, then EndLine.
    // Room gives space for n more bytes of the line (valid until the next
    // call on the writer), Added counts those written there.
    char* Room(size_t n) {
        if (capacity_ - size_ < n) Grow(n);
        return data_.get() + size_;
    }
    void Added(size_t n) {
        size_ += n;
        if (size_ - adding_ > held_in_memory_ + Kept) Spill();
    }
    void Append(std::string_view bytes) {
        if (bytes.empty()) return;
        std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
        Added(bytes.size());
    }
    // The line being added is known to be no underline (before its end):
    // the held-back line is written as it stands.
    void NoUnderline();
    // The line added is complete. underline: it is one (the held-back line
    // becomes a heading); holdsParagraph: it holds "<P>" (which keeps the
    // line above it from becoming a heading).
    void EndLine(bool underline, bool holdsParagraph) {
        if (underline || pending_head_ != Head::Memory || adding_head_ != Head::Memory)
            return EndLineSlowly(underline, holdsParagraph);
        pending_ = adding_;
        adding_ = size_;
        pending_paragraph_ = holdsParagraph;
        pending_final_ = false;
        if (pending_ >= WrittenAtOnce) Flush(pending_);
    }

    std::string PendingLine();
    // Drops the held-back line of a page that failed, and whatever of that
    // page was not written yet, so that none of it reaches the next page.
    void Discard();

    // A temporary file for a long line could not be made or written.
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

private:
    // The bytes of a long line kept in memory: enough for the line end and
    // "<BR>" that a heading drops.
    static constexpr size_t Kept = 8;
    // Lines written are handed to the page a quarter of a megabyte at a
    // time, which the page writes straight out.
    static constexpr size_t WrittenAtOnce = size_t(1) << 18;
    // Where the first part of a line is when not all of it is in memory.
    enum class Head { Memory, Page, Spill };

    void EndLineSlowly(bool underline, bool holdsParagraph);
    void Grow(size_t n);
    void Put(std::string_view bytes);
    void Spill();
    bool MakeHeading();
    void WritePending();
    void Flush(size_t bytes);
    void WriteSpilled(ScratchFile& file);
    void Drop(size_t bytes);

    PageFile* page_ = nullptr;
    CharacterSet set_ = CharacterSet::Latin1;
    size_t held_in_memory_;

    std::unique_ptr<char[]> data_;
    size_t size_ = 0, capacity_ = 0;
    size_t pending_ = 0;  // where the held-back line starts; before it, lines written
    bool pending_paragraph_ = false;
    bool pending_final_ = false;  // the held-back line is written as it stands
    size_t adding_ = 0;   // where the line being added starts
    char adding_first_ = 0;       // the first byte of the line being added
    Head pending_head_ = Head::Memory, adding_head_ = Head::Memory;
    unsigned long long pending_at_ = 0, adding_at_ = 0;  // where in the page a head written there starts
    ScratchFile spills_[2];
    ScratchFile* pending_spill_ = &spills_[0];
    ScratchFile* adding_spill_ = &spills_[1];
    std::string chunk_;  // for copying a spilled line to the page
    std::string error_;
};

}  // namespace torvex
