// What a plain text is made of, read the way a reader reads it: paragraphs
// that reflow, blocks whose spacing carries meaning (aligned columns,
// tables, box rows, code), lists and their items, terms and their
// definitions (a manual page's options), mail quoting, headings and rules.
// The reader sees each line once, with a few lines of look-ahead, and
// reports what it finds as it goes (as md4c reports blocks: Enter, Text,
// Break, Leave) to a sink that writes them in a style of its own. It keeps
// no markup and no more than a few lines in memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "line_breaks.h"
#include "line_layout.h"

namespace torvex {

struct Block {
    enum class Type : std::uint8_t { Quote, List, Item, Terms, Term, Definition, Paragraph, Pre, Heading, Rule };
    Type type = Type::Paragraph;
    // How far the block stands in from its container, in steps of 0 to 3
    // (Paragraph, Pre, Terms).
    std::uint8_t indent = 0;
    // List: numbered (with '1', 'a' or 'i' numbering from start) or not.
    bool ordered = false;
    char numbering = '1';
    long start = 1;
    // Heading: what made it one, so that headings made alike share a level
    // (see HeadingKind).
    std::uint8_t kind = 0;
};

// What makes a heading: an underline of one character (its own value, such
// as '=' or '-'), or one of these shapes.
namespace HeadingKind {
inline constexpr std::uint8_t Hashes = 1;     // "## Title": 1 to 6 ('#' + level - 1 is not used: Hashes + n - 1)
inline constexpr std::uint8_t Capitals = 10;  // a line of capitals standing alone ("DESCRIPTION")
inline constexpr std::uint8_t Subsection = 11;  // a short line standing out to the left of the text below
inline constexpr std::uint8_t Release = 12;   // a changelog's entry: "pkg (1.0-1) unstable; urgency=low"
inline constexpr std::uint8_t Stars = 13;     // an outline's "** Title": 13 + stars - 2
inline constexpr std::uint8_t Centred = 20;   // the first line of a text, set in the middle
}  // namespace HeadingKind

// One line's text within a block.
struct BlockText {
    // The text, from where the block's text starts (after the indent, a
    // list marker, a term; in a Pre, after the block's indent, with tabs
    // as spaces).
    std::string_view text;
    // A line too long to hold: text is its start, and the whole line is
    // to be read from where the pass has it, from byte `from` on.
    bool long_line = false;
    size_t from = 0;
    // What the line was handed in with (see BlockReader::Add).
    std::uint64_t tag = 0;
    // The line breaks before it within its block: in a paragraph one, kept
    // (hard) or not; in a Pre as many as there are lines between (hard).
    std::uint32_t breaks = 0;
    bool hard = false;
};

class BlockSink {
public:
    virtual ~BlockSink() = default;
    virtual void Enter(const Block& block) = 0;
    virtual void Leave(const Block& block) = 0;
    virtual void Text(const BlockText& text) = 0;
};

class BlockReader {
public:
    // quick: lines are told the quick way where they can be (off: every
    // line the whole way, which must tell the same).
    BlockReader(BlockSink& sink, LineBreakMode mode, bool quick = true) : sink_(sink), mode_(mode), quick_(quick) {}

    // A new document (or a page of one): nothing pending, nothing open.
    void Reset();

    // The next line: UTF-8 text without its line end and trailing spaces,
    // of at most LongLine bytes. tag goes with the line's text to the sink.
    // Lines are told to the sink a few lines later, once what follows them
    // is known.
    // plain: the line is known to be printable ASCII (no tabs, form feeds
    // or characters beyond ASCII) without a byte to escape (no mail quoting).
    void Add(std::string_view line, std::uint64_t tag = 0, bool plain = false);
    // A longer line, of which head is the start (LongLine bytes or a
    // little less, ending with a character): it and every line before it
    // are told at once, it as what its start shows; the sink reads the
    // rest of its text itself.
    void AddLong(std::string_view head, std::uint64_t tag = 0);
    // The end of the text: every line is told and every block left.
    void Finish();

    // Lines up to this many bytes are read whole, with look-ahead.
    static constexpr size_t LongLine = 4096;

private:
    struct Line {
        Line() = default;
        Line(const Line&) = delete;  // text points into the line's own room
        Line& operator=(const Line&) = delete;
        std::string_view text;  // the line as added, quote marks included, in room
        char room[LongLine];
        LineLayout layout;  // of the text after the quote marks
        size_t quoted = 0;  // the bytes of the quote marks
        std::uint32_t depth = 0;  // of the quoting
        std::uint32_t blanks_before = 0;
        std::uint64_t tag = 0;
        char first = 0;  // of its text (after the quote marks and the indent)
        bool short_line = false;  // the short-line rule keeps its break
        bool long_line = false;
        bool consumed = false;  // an underline or overline of a heading
        bool prose = false;  // reads as prose (worked out when needed)
        bool prose_known = false;
    };
    struct Container {
        Block block;
        std::uint32_t marker = 0;   // Item, List: the marker's column; Terms, Definition: the term's
        std::uint32_t content = 0;  // where its text stands (Item, Definition)
        char bullet = 0;            // List: the bullet, or a number's delimiter
    };
    enum class Leaf { None, Paragraph, Pre, Fenced };
    enum class Role { Skip, Fence, Heading, Rule, Item, Aligned, Term, Tag, Text };

    void Push(std::string_view line, std::uint64_t tag, bool longLine, bool plain);
    bool Continues(const Line& line);
    void Drain(size_t keep);
    void Step();
    Role RoleOf(Line& line, std::uint8_t& kind);
    std::uint8_t ShapedHeading(const Line& line, const Line* next, bool nextDirect);
    bool Aligned(const Line& line, const Line* next);
    bool Code(Line& line);
    bool Diff(const Line& line, const Line* next, std::string_view text);
    size_t ColumnGaps(const Line& line, Gap* out);
    bool Prose(Line& line);
    void Quote(std::uint32_t depth);
    void CloseFor(const Line& line, Role role);
    static bool Holds(const Container& c, std::uint32_t indent, bool lazy);
    bool HoldsNextLine(std::uint32_t indent) const;
    void CloseTo(size_t depth);
    void EndLeaf();
    void Open(const Block& block, std::uint32_t marker = 0, std::uint32_t content = 0, char bullet = 0);
    void OpenItem(const Line& line);
    void OpenTerm(const Line& line, std::string_view term, std::uint32_t content);
    // A line of a paragraph whose text stands at column.
    void Paragraph(const Line& line, std::string_view text, std::uint32_t column);
    void OpenPre(const Line& line, Leaf leaf);
    void PreLine(const Line& line, std::uint32_t breaks);
    void Emit(const Line& line, std::string_view text, std::uint32_t breaks = 0, bool hard = false);
    std::uint8_t IndentStep(std::uint32_t indent) const;
    // Where the text of the innermost item or definition open stands (0: none).
    std::uint32_t ContentColumn() const { return content_column_; }

    // The lines not yet told (blank ones left out), after the last one
    // told, in a ring that keeps their room from line to line.
    static constexpr size_t Ring = 8;
    Line& Pending(size_t k) { return ring_[(first_ + k) % Ring]; }
    const Line& Previous() const { return ring_[(first_ + Ring - 1) % Ring]; }

    BlockSink& sink_;
    LineBreakMode mode_;
    bool quick_;
    std::array<Line, Ring> ring_;
    size_t first_ = 0;    // the first line not yet told
    size_t pending_ = 0;  // how many there are
    bool has_previous_ = false;  // a line has been told (Previous() is the last)
    std::uint32_t blanks_ = 0;  // blank lines since the last line added
    size_t recent_[3] = {80, 80, 80};  // lengths of the last three lines, newest first

    // The most common width of lines of 60 columns or more so far: the
    // text's right margin, which justified prose reaches.
    std::array<std::uint32_t, 1024> widths_{};
    std::uint32_t margin_ = ~0u;

    std::uint32_t depth_ = 0;  // of the quoting open
    std::vector<Container> open_;  // containers, outermost first (quotes included)
    std::uint32_t content_column_ = 0;  // see ContentColumn
    Leaf leaf_ = Leaf::None;
    Block leaf_block_;
    bool leaf_hard_ = false;     // the line in the leaf keeps its break
    std::uint32_t pre_indent_ = 0;
    bool session_ = false;  // the pre open starts at a shell's prompt
    bool diff_ = false;  // the lines are a unified diff's, its headers at diff_indent_
    std::uint32_t diff_indent_ = 0;
    std::uint32_t paragraph_indent_ = 0;  // where the text of the paragraph open stands
    std::uint32_t text_indent_ = 0;       // and of the last paragraph, in the container open
    size_t pre_lines_ = 0;  // lines in the pre so far
    std::string fence_;          // the fence that opened a fenced block
    std::string work_;
};

}  // namespace torvex
