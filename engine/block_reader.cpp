#include "block_reader.h"

#include <algorithm>
#include <cstring>

#include "utf8.h"

namespace torvex {

namespace {

// Lines of look-ahead: enough to tell an underline, an overline, a
// hanging paragraph and the gaps of the next line.
constexpr size_t Ahead = 3;

using Type = Block::Type;

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t Words(std::string_view text) {
    size_t words = 0;
    bool inWord = false;
    for (char c : text) {
        const bool space = c == ' ' || c == '\t';
        if (!space && !inWord) ++words;
        inWord = !space;
    }
    return words;
}

std::string_view FirstWord(std::string_view text) { return text.substr(0, std::min(text.find(' '), text.size())); }

// The bytes of mail quoting at the start of line ("> ", ">>", "> > ") and
// how deep it goes.
size_t QuoteMarks(std::string_view line, std::uint32_t& depth) {
    depth = 0;
    if (line.empty() || (line[0] != '>' && line[0] != ' ')) return 0;
    size_t end = 0, at = 0;
    for (;;) {
        size_t spaces = 0;
        while (at + spaces < line.size() && line[at + spaces] == ' ' && spaces < 3) ++spaces;
        if (at + spaces >= line.size() || line[at + spaces] != '>') break;
        at += spaces + 1;
        ++depth;
        if (at < line.size() && line[at] == ' ') ++at;
        end = at;
    }
    return end;
}

// Copies n bytes of a line: sixteen at a time, the last sixteen overlapping
// those before, as a string of a few dozen bytes is copied quickest
// (memcpy here, told the room's size, would start a string instruction).
void CopyShort(char* to, const char* from, size_t n) {
    if (n >= 16) {
        for (size_t at = 0; at + 16 < n; at += 16) std::memcpy(to + at, from + at, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else {
        for (size_t at = 0; at < n; ++at) to[at] = from[at];
    }
}

bool IsFence(std::string_view text) { return text.starts_with("```") || text.starts_with("~~~"); }

// "$ make install": a command after a shell's prompt ("$ 5" is money).
bool IsPrompt(std::string_view text) {
    return text.size() > 2 && text.starts_with("$ ") && text[2] != ' ' && !IsDigit(text[2]);
}

// "## Title ##": the level (1 to 6) and the title, or 0.
int Hashes(std::string_view text, std::string_view& title) {
    size_t n = 0;
    while (n < text.size() && text[n] == '#') ++n;
    if (n == 0 || n > 6 || (n < text.size() && text[n] != ' ')) return 0;
    title = text.substr(n);
    title.remove_prefix(std::min(title.find_first_not_of(' '), title.size()));
    const size_t end = title.find_last_not_of('#');
    if (end != std::string_view::npos && end + 1 < title.size() && title[end] == ' ') title = title.substr(0, end);
    while (!title.empty() && title.back() == ' ') title.remove_suffix(1);
    return title.empty() ? 0 : static_cast<int>(n);
}

// A line of capitals: three letters or more, none of them small, and
// nothing a sentence ends with.
bool Capitals(std::string_view text) {
    size_t upper = 0;
    for (char c : text) {
        if (IsLowerAscii(c)) return false;
        if (IsUpper(c)) ++upper;
    }
    const char last = text.back();
    return upper >= 3 && last != '.' && last != ',' && last != ';';
}

// "pkg (1.2-3) unstable; urgency=low": a Debian changelog's entry; or
// "2021-08-01  Name  <mail>": a GNU ChangeLog's.
bool Release(std::string_view text) {
    const size_t space = text.find(' ');
    if (space != std::string_view::npos && space > 0 && space + 1 < text.size() && text[space + 1] == '(')
        return text.find(')', space) != std::string_view::npos && text.find("; urgency=", space) != std::string_view::npos;
    return text.size() > 12 && IsDigit(text[0]) && IsDigit(text[3]) && text[4] == '-' && text[7] == '-' &&
           text.substr(10, 2) == "  ";
}

// "** Title": an outline's heading below the top (a single "*" is a bullet).
int Stars(std::string_view text) {
    size_t n = 0;
    while (n < text.size() && text[n] == '*') ++n;
    return n >= 2 && n <= 6 && n < text.size() && text[n] == ' ' ? static_cast<int>(n) : 0;
}

// Where an editor's mode ("-*- outline -*-") starts in a line, or 0.
size_t ModeLine(std::string_view text) {
    const size_t mark = text.find("-*-");
    return mark != std::string_view::npos && mark > 0 && text.find("-*-", mark + 3) != std::string_view::npos ? mark : 0;
}

// Signs of a command or code rather than words: what prose rarely holds.
constexpr std::array<bool, 256> MakeCodeSigns() {
    std::array<bool, 256> signs{};
    for (unsigned char c : std::string_view("$;{}()=/\\|<>#`[]")) signs[c] = true;
    return signs;
}
constexpr auto CodeSigns = MakeCodeSigns();

bool LooksLikeCode(std::string_view text) {
    for (char c : text)
        if (CodeSigns[static_cast<unsigned char>(c)]) return true;
    return false;
}

// The first characters of a line that may make it something else than the
// next line of a paragraph: a fence, a heading, a hunk, a prompt, a diff's
// header.
constexpr std::array<bool, 256> MakeMayStartOther() {
    std::array<bool, 256> may{};
    for (unsigned char c : std::string_view("`~#*@$-d")) may[c] = true;
    return may;
}
constexpr auto MayStartOther = MakeMayStartOther();

bool IsUnderlineRow(char c) { return c == '=' || c == '-' || c == '~' || c == '^' || c == '*' || c == '+' || c == '#' || c == '_'; }
bool IsRuleRow(char c) { return c == '-' || c == '=' || c == '*' || c == '_' || c == '~' || c == '#'; }

}  // namespace

void BlockReader::Reset() {
    first_ = pending_ = 0;
    blanks_ = 0;
    recent_[0] = recent_[1] = recent_[2] = 80;
    widths_.fill(0);
    margin_ = ~0u;
    has_previous_ = false;
    depth_ = 0;
    open_.clear();
    content_column_ = 0;
    leaf_ = Leaf::None;
    fence_.clear();
    text_indent_ = paragraph_indent_ = 0;
    diff_ = false;
}

void BlockReader::Add(std::string_view line, std::uint64_t tag, bool plain) {
    Push(line, tag, false, plain);
    if (pending_ > Ahead) Drain(Ahead);
}

void BlockReader::AddLong(std::string_view head, std::uint64_t tag) {
    Push(head, tag, true, false);
    Drain(0);
}

void BlockReader::Finish() {
    Drain(0);
    EndLeaf();
    CloseTo(0);
    depth_ = 0;
    blanks_ = 0;
}

void BlockReader::Push(std::string_view text, std::uint64_t tag, bool longLine, bool plain) {
    if (text.empty() && !longLine) {  // an empty line: blank, short, and nothing to lay out
        recent_[2] = recent_[1];
        recent_[1] = recent_[0];
        recent_[0] = 0;
        ++blanks_;
        return;
    }
    Line& line = Pending(pending_);
    // Laid out where it lies, before the copy (reading what was just
    // written, sixteen bytes at a time, would wait for the writes).
    line.depth = 0;
    line.quoted = plain ? 0 : QuoteMarks(text, line.depth);
    LayOut(text.substr(line.quoted), line.layout, plain);
    // The short-line rule of the line-break options, on lengths in
    // characters (a long line, whatever its length, is no short one). The
    // layout counted them, unless tabs or form feeds made columns of others.
    const LineLayout& layout = line.layout;
    size_t length = text.size();
    if (!longLine && !layout.ascii)
        length = !layout.blank && !layout.tab && layout.text == layout.indent ? line.quoted + layout.width : Utf8Length(text);
    line.short_line =
        length * 3 < 160 || (length * 5 < 320 && ShortLineRun(recent_[0], recent_[1], recent_[2]));
    recent_[2] = recent_[1];
    recent_[1] = recent_[0];
    recent_[0] = length;
    if (line.layout.blank && !longLine) {
        ++blanks_;
        return;
    }
    line.first = line.quoted + layout.text < text.size() ? text[line.quoted + layout.text] : 0;
    line.text = std::string_view(line.room, std::min(text.size(), LongLine));  // (never more: see Add)
    CopyShort(line.room, text.data(), line.text.size());
    line.blanks_before = blanks_;
    blanks_ = 0;
    line.tag = tag;
    line.long_line = longLine;
    line.consumed = line.prose_known = false;
    // The margin: the most common width of 60 columns or more (the wider on a tie).
    if (const std::uint32_t width = line.layout.width; width >= 60 && width < widths_.size()) {
        const std::uint32_t count = ++widths_[width];
        if (margin_ == ~0u || count > widths_[margin_] || (count == widths_[margin_] && width > margin_)) margin_ = width;
    }
    ++pending_;
}

void BlockReader::Drain(size_t keep) {
    while (pending_ > keep) {
        // Most lines go on with the paragraph open: told at once.
        if (Line& line = Pending(0); quick_ && line.depth == depth_ && leaf_ == Leaf::Paragraph && Continues(line)) {
            Emit(line, std::string_view(line.text).substr(line.quoted + line.layout.text), 1, leaf_hard_);
            leaf_hard_ = mode_ == LineBreakMode::Keep || (mode_ == LineBreakMode::Add && line.short_line);
        } else {
            Step();
        }
        first_ = (first_ + 1) % Ring;
        --pending_;
        has_previous_ = true;
    }
}

size_t BlockReader::ColumnGaps(const Line& line, Gap* out) {
    const LineLayout& layout = line.layout;
    if (layout.gap_count == 0 || Justified(layout, margin_)) return 0;
    size_t n = 0;
    for (size_t g = 0; g < layout.gap_count; ++g)
        if (layout.gaps[g].length >= 4 || !layout.gaps[g].after_stop) out[n++] = layout.gaps[g];
    return n;
}

bool BlockReader::Prose(Line& line) {
    if (!line.prose_known) {
        line.prose = ReadsAsProse(std::string_view(line.text).substr(line.quoted + line.layout.text));
        line.prose_known = true;
    }
    return line.prose;
}

// Whether the spacing of the line carries meaning: a row of a drawn table,
// or a gap that is not a justified line's padding nor a sentence's spacing
// and either lines up with a gap of the line above or below, or has
// another wide gap beside it. The head of a hanging paragraph, whose text
// goes on below where the text after its gap starts, is a term, not a row.
bool BlockReader::Aligned(const Line& line, const Line* next) {
    if (line.layout.box) return true;
    Gap gaps[LineLayout::MaxGaps], nextGaps[LineLayout::MaxGaps], previousGaps[LineLayout::MaxGaps];
    const size_t n = ColumnGaps(line, gaps);
    if (n == 0) return false;
    const size_t nn = next != nullptr ? ColumnGaps(*next, nextGaps) : 0;
    if (next != nullptr && nn == 0 && next->layout.indent == gaps[0].end) return false;
    size_t wide = 0;
    for (size_t g = 0; g < n; ++g) wide += gaps[g].length >= 3;
    if (wide >= 2) return true;
    const size_t pn = has_previous_ ? ColumnGaps(Previous(), previousGaps) : 0;
    for (size_t g = 0; g < n; ++g) {
        for (size_t h = 0; h < nn; ++h)
            if (nextGaps[h].end == gaps[g].end) return true;
        for (size_t h = 0; h < pn; ++h)
            if (previousGaps[h].end == gaps[g].end) return true;
    }
    return false;
}

// The next line of the paragraph open, told at a glance: nothing in it can
// make it anything else (RoleOf would find it text, and every container
// open holds it). Most lines of a text are such lines.
bool BlockReader::Continues(const Line& line) {
    if (leaf_ != Leaf::Paragraph || line.blanks_before != 0 || line.long_line) return false;
    const LineLayout& l = line.layout;
    // (Gaps that are a sentence's spacing part no columns.)
    if (l.marker != Marker::None || l.row != 0 || l.box || !l.sentence_gaps) return false;
    if (l.indent >= paragraph_indent_ + 2 || (l.indent < ContentColumn() && !HoldsNextLine(l.indent))) return false;
    if (MayStartOther[static_cast<unsigned char>(line.first)]) {
        if (line.first != '-' && line.first != 'd') return false;
        const std::string_view text = line.text.substr(line.quoted + l.text);
        if (text.starts_with("--- ") || text.starts_with("diff -")) return false;  // perhaps a diff's header
    }
    if (pending_ > 1) {  // an underline below makes it a heading
        const Line& next = Pending(1);
        if (next.blanks_before == 0 && next.layout.row != 0) return false;
    }
    return true;
}

// A line of code or a command: not prose, and either the next line of a
// block of such lines, or set further in than the text around it (than the
// paragraph it follows, or the last paragraph before a blank line) with
// signs of code in it.
bool BlockReader::Code(Line& line) {
    const std::uint32_t indent = line.layout.indent;
    // After a prompt come the command's output lines, whatever they read like.
    if (leaf_ == Leaf::Pre && line.blanks_before == 0) return indent >= pre_indent_ && (session_ || !Prose(line));
    const std::string_view words(line.text.data() + line.quoted + line.layout.text,
                                 line.text.size() - line.quoted - line.layout.text);
    const bool inParagraph = leaf_ == Leaf::Paragraph && line.blanks_before == 0;
    const std::uint32_t text = inParagraph ? paragraph_indent_ : text_indent_;
    // "$ make install": a command after a shell's prompt (set in, within a paragraph).
    if (words[0] == '$' && indent >= text + (inParagraph ? 1 : 0) && IsPrompt(words)) return true;
    return indent >= text + (inParagraph ? 2 : 4) && LooksLikeCode(words) && !Prose(line);
}

// A line of a unified diff, which stays as written: a diff starts at its
// headers ("diff -" above "index " or "--- ", "--- " above "+++ ", a hunk's
// "@@ -N... @@") and goes on while each line starts, where its headers did,
// with "+", "-", "@" or "\" (or is set further in: a line of context).
bool BlockReader::Diff(const Line& line, const Line* next, std::string_view text) {
    const std::uint32_t indent = line.layout.indent;
    const std::string_view below =
        next != nullptr && next->blanks_before == 0 ? std::string_view(next->text).substr(next->quoted + next->layout.text)
                                                    : std::string_view();
    const bool header = (text.starts_with("diff -") && (below.starts_with("index ") || below.starts_with("--- "))) ||
                        (text.starts_with("--- ") && below.starts_with("+++ ")) ||
                        (text.starts_with("@@ -") && text.size() > 4 && IsDigit(text[4]) &&
                         text.find(" @@", 4) != std::string_view::npos);
    if (header) {
        diff_ = true;
        diff_indent_ = indent;
        return true;
    }
    if (!diff_) return false;
    const bool body = indent > diff_indent_ ||
                      (indent == diff_indent_ && !text.empty() && std::strchr("+-@\\", text[0]) != nullptr) ||
                      text.starts_with("index ");
    diff_ = line.blanks_before == 0 && indent >= diff_indent_ && body;
    return diff_;
}

// A heading by its shape alone: the kind, or 0.
std::uint8_t BlockReader::ShapedHeading(const Line& line, const Line* next, bool nextDirect) {
    const LineLayout& layout = line.layout;
    const std::string_view text = std::string_view(line.text).substr(line.quoted + layout.text);
    const bool standsAlone = line.blanks_before > 0 || !has_previous_;
    const std::uint32_t width = layout.width - layout.indent;
    if (layout.indent == 0 && text[0] == '*' && Stars(text) > 0)
        return static_cast<std::uint8_t>(HeadingKind::Stars + Stars(text) - 2);
    // "GNU gzip NEWS    -*- outline -*-": a first line that names the text
    // (and, for an editor, its mode).
    if (!has_previous_ && ModeLine(text) > 0) return HeadingKind::Centred;
    if (!standsAlone && has_previous_) return 0;
    if (layout.indent == 0 && Release(text)) return HeadingKind::Release;
    if (layout.marker != Marker::None || layout.row || layout.box || layout.gap_count > 0) return 0;
    // The first line of a text, set in the middle: its title.
    if (!has_previous_ && layout.indent >= 8 && width <= 60 && Words(text) <= 10) return HeadingKind::Centred;
    const bool nextStandsIn = next != nullptr && nextDirect && next->layout.indent > layout.indent;
    if (width <= 72 && (!nextDirect || nextStandsIn) && Capitals(text)) return HeadingKind::Capitals;
    // "   Generic Program Information" above text set further in.
    const char last = text.back();
    if (layout.indent >= 1 && layout.indent <= 4 && nextStandsIn && next->layout.indent >= layout.indent + 2 &&
        IsUpper(text[0]) && width <= 50 && Words(text) <= 6 && last != '.' && last != ':' && last != ',' && last != ';')
        return HeadingKind::Subsection;
    return 0;
}

BlockReader::Role BlockReader::RoleOf(Line& line, std::uint8_t& kind) {
    if (line.consumed) return Role::Skip;
    const LineLayout& layout = line.layout;
    const std::string_view text = std::string_view(line.text).substr(line.quoted + layout.text);
    Line* next = pending_ > 1 ? &Pending(1) : nullptr;
    const bool nextDirect = next != nullptr && next->blanks_before == 0 && next->depth == line.depth;
    if (line.long_line) {
        if (layout.marker != Marker::None) return Role::Item;
        return Aligned(line, next) ? Role::Aligned : Role::Text;
    }
    if (IsFence(text)) return Role::Fence;
    const bool inDiff = diff_;
    if ((inDiff || text[0] == '-' || text[0] == 'd' || text[0] == '@') && Diff(line, next, text)) return Role::Aligned;
    std::string_view title;
    if (const int level = layout.indent <= 3 ? Hashes(text, title) : 0; level > 0) {
        kind = static_cast<std::uint8_t>(HeadingKind::Hashes + level - 1);
        return Role::Heading;
    }
    // An underline makes the line above it a heading; an overline above it
    // as well goes with the underline. Above a line of columns it is the
    // rule under a table's head.
    if (nextDirect && next->layout.row != 0 && !next->layout.spaced_row && IsUnderlineRow(next->layout.row) &&
        layout.row == 0 && !layout.box && layout.wide_gaps < 2 && layout.width <= 100 && !next->long_line) {
        next->consumed = true;
        kind = static_cast<std::uint8_t>(next->layout.row);
        return Role::Heading;
    }
    if (layout.row != 0 && nextDirect && next->layout.row == 0 && pending_ > 2) {
        const Line& under = Pending(2);
        if (under.blanks_before == 0 && under.depth == line.depth && under.layout.row == layout.row &&
            !under.layout.spaced_row && !layout.spaced_row)
            return Role::Skip;
    }
    if (layout.row != 0 && IsRuleRow(layout.row) && !(leaf_ == Leaf::Pre && line.blanks_before == 0))
        return Role::Rule;
    if ((kind = ShapedHeading(line, next, nextDirect)) != 0) return Role::Heading;
    if (layout.marker != Marker::None) {
        // A marker followed by a gap that lines up with a line starting
        // otherwise is a table's row ("-      (hyphen) do not pad" above
        // "_      (underscore) pad with spaces").
        Gap gaps[LineLayout::MaxGaps], other[LineLayout::MaxGaps];
        if (ColumnGaps(line, gaps) > 0 && Aligned(line, next)) {
            const std::string_view word = FirstWord(text);
            const auto linesUp = [&](const Line& neighbour) {
                const size_t n = ColumnGaps(neighbour, other);
                const std::string_view theirs =
                    FirstWord(std::string_view(neighbour.text).substr(neighbour.quoted + neighbour.layout.text));
                for (size_t g = 0; g < n; ++g)
                    if (other[g].end == gaps[0].end && theirs != word) return true;
                return false;
            };
            if ((has_previous_ && linesUp(Previous())) || (next != nullptr && linesUp(*next))) return Role::Aligned;
        }
        return Role::Item;
    }
    if (Aligned(line, next)) return Role::Aligned;
    if (!inDiff && Code(line)) return Role::Aligned;  // (the line after a diff is not its code)
    Gap gaps[LineLayout::MaxGaps];
    const size_t gapCount = ColumnGaps(line, gaps);
    if (gapCount > 0) {
        // "-c     with -lt: sort by": a term and its text.
        // (A gap of two only where the text goes on below at the gap's end.)
        const std::string_view tag = text.substr(0, gaps[0].begin_byte - layout.text);
        const bool hanging = nextDirect && next->layout.indent == gaps[0].end;
        if (Words(tag) <= 2 && gaps[0].end - gaps[0].length - layout.indent <= 20 && (gaps[0].length >= 3 || hanging))
            return Role::Tag;
        return Role::Text;
    }
    // "-a, --all" above its text, set further in (not in a paragraph's midst).
    const std::uint32_t width = layout.width - layout.indent;
    if (nextDirect && (line.blanks_before > 0 || leaf_ != Leaf::Paragraph) &&
        next->layout.indent >= layout.indent + 2 && next->layout.marker == Marker::None && next->layout.row == 0 &&
        layout.row == 0 && !layout.box && (text[0] == '-' ? width <= 60 : width <= 40 && Words(text) <= 4))
        return Role::Term;
    return Role::Text;
}

void BlockReader::Step() {
    Line& line = Pending(0);
    if (line.depth != depth_) {
        EndLeaf();
        Quote(line.depth);
    }
    const std::string_view text = std::string_view(line.text).substr(line.quoted + line.layout.text);
    if (leaf_ == Leaf::Fenced) {
        if (IsFence(text) && text.starts_with(fence_) && text.find_first_not_of(fence_[0]) == std::string_view::npos) {
            EndLeaf();
            return;
        }
        PreLine(line, line.blanks_before + (pre_lines_ > 0 ? 1 : 0));
        return;
    }
    std::uint8_t kind = 0;
    const Role role = RoleOf(line, kind);
    if (role == Role::Skip) return;
    // A blank line ends a paragraph; a block of aligned lines goes on
    // across blank lines to the next aligned line set as far in.
    if (line.blanks_before > 0 && leaf_ == Leaf::Paragraph) EndLeaf();
    if (leaf_ == Leaf::Pre && (role != Role::Aligned || line.layout.indent < ContentColumn())) EndLeaf();
    CloseFor(line, role);
    switch (role) {
    case Role::Skip:
        return;
    case Role::Fence:
        OpenPre(line, Leaf::Fenced);
        fence_.assign(text.substr(0, 3));
        return;
    case Role::Heading: {
        EndLeaf();
        std::string_view title = text;
        if (kind >= HeadingKind::Hashes && kind < HeadingKind::Hashes + 6) Hashes(text, title);
        if (kind >= HeadingKind::Stars && kind < HeadingKind::Stars + 5) title.remove_prefix(title.find(' ') + 1);
        if (const size_t mode = kind == HeadingKind::Centred ? ModeLine(title) : 0; mode > 0) {
            title = title.substr(0, mode);
            while (!title.empty() && title.back() == ' ') title.remove_suffix(1);
        }
        Block heading{Type::Heading};
        heading.kind = kind;
        sink_.Enter(heading);
        Emit(line, title);
        sink_.Leave(heading);
        return;
    }
    case Role::Rule: {
        EndLeaf();
        const Block rule{Type::Rule};
        sink_.Enter(rule);
        sink_.Leave(rule);
        return;
    }
    case Role::Item:
        EndLeaf();
        OpenItem(line);
        Paragraph(line, std::string_view(line.text).substr(line.quoted + line.layout.content_byte), line.layout.content);
        return;
    case Role::Aligned:
        PreLine(line, leaf_ == Leaf::Pre ? line.blanks_before + 1 : 0);
        return;
    case Role::Term:
        EndLeaf();
        OpenTerm(line, text, Pending(1).layout.indent);
        return;
    case Role::Tag: {
        EndLeaf();
        const LineLayout& layout = line.layout;
        Gap gaps[LineLayout::MaxGaps];
        ColumnGaps(line, gaps);
        OpenTerm(line, text.substr(0, gaps[0].begin_byte - layout.text), gaps[0].end);
        Paragraph(line, std::string_view(line.text).substr(line.quoted + gaps[0].end_byte), gaps[0].end);
        return;
    }
    case Role::Text:
        Paragraph(line, text, line.layout.indent);
        return;
    }
}

// Opens and closes quotes to reach depth; whatever was open inside the
// quote left is closed.
void BlockReader::Quote(std::uint32_t depth) {
    size_t keep = 0, quotes = 0;
    for (size_t k = 0; k < open_.size() && quotes < depth; ++k)
        if (open_[k].block.type == Type::Quote) {
            ++quotes;
            keep = k + 1;
        }
    CloseTo(keep);
    for (; quotes < depth; ++quotes) Open(Block{Type::Quote});
    depth_ = depth;
}

// Closes the containers that the line, taken as role, does not belong to:
// an item or definition holds what stands at least as far in as its text
// (and a paragraph's next line, however far in); a list goes on with an
// item of its kind, a list of terms with another term.
void BlockReader::CloseFor(const Line& line, Role role) {
    const std::uint32_t indent = line.layout.indent;
    const bool lazy = leaf_ == Leaf::Paragraph && line.blanks_before == 0 && role == Role::Text;
    const auto holds = [&](const Container& c) { return Holds(c, indent, lazy); };
    for (size_t k = 0; k < open_.size(); ++k) {
        const Container& c = open_[k];
        switch (c.block.type) {
        case Type::List:
        case Type::Terms: {
            if (k + 1 < open_.size() && holds(open_[k + 1])) continue;
            bool sibling = false;
            if (c.block.type == Type::List) {
                const LineLayout& l = line.layout;
                const bool ordered = l.marker != Marker::Bullet;
                const char numbering = l.marker == Marker::Letter ? 'a' : l.marker == Marker::Roman ? 'i' : '1';
                sibling = role == Role::Item && ordered == c.block.ordered && l.bullet == c.bullet &&
                          (!ordered || numbering == c.block.numbering) && indent + 1 >= c.marker && indent <= c.marker + 1;
            } else {
                sibling = (role == Role::Term || role == Role::Tag) && indent == c.marker;
            }
            if (leaf_ != Leaf::None && (k + 1 < open_.size() || !sibling)) EndLeaf();
            CloseTo(sibling ? k + 1 : k);
            return;
        }
        case Type::Item:
        case Type::Definition:
            if (holds(c)) continue;
            EndLeaf();
            CloseTo(k);
            return;
        default:
            continue;
        }
    }
}

// Whether an item or a definition holds a line set in this far. lazy: the
// line is a paragraph's next line, which stays in an item set in as long
// as it stands at least as far in as the item's marker (a ChangeLog's
// entries).
bool BlockReader::Holds(const Container& c, std::uint32_t indent, bool lazy) {
    return indent >= c.content ||
           (lazy && (indent > c.marker || (indent == c.marker && c.marker > 0 && c.block.type == Type::Item)));
}

// Whether CloseFor would leave every container open for a paragraph's next line.
bool BlockReader::HoldsNextLine(std::uint32_t indent) const {
    for (size_t k = 0; k < open_.size(); ++k) {
        const Container& c = open_[k];
        switch (c.block.type) {
        case Type::List:
        case Type::Terms:
            if (k + 1 < open_.size() && Holds(open_[k + 1], indent, true)) continue;
            return false;
        case Type::Item:
        case Type::Definition:
            if (Holds(c, indent, true)) continue;
            return false;
        default:
            continue;
        }
    }
    return true;
}

void BlockReader::CloseTo(size_t depth) {
    if (open_.size() > depth) EndLeaf();
    while (open_.size() > depth) {
        sink_.Leave(open_.back().block);
        open_.pop_back();
        content_column_ = 0;
        for (size_t k = open_.size(); k-- > 0;)
            if (open_[k].block.type == Type::Item || open_[k].block.type == Type::Definition) {
                content_column_ = open_[k].content;
                break;
            }
        text_indent_ = content_column_;
    }
}

void BlockReader::EndLeaf() {
    if (leaf_ == Leaf::None) return;
    sink_.Leave(leaf_block_);
    leaf_ = Leaf::None;
}

void BlockReader::Open(const Block& block, std::uint32_t marker, std::uint32_t content, char bullet) {
    sink_.Enter(block);
    open_.push_back({block, marker, content, bullet});
    if (block.type == Type::Item || block.type == Type::Definition) content_column_ = content;
    text_indent_ = content_column_;
}

void BlockReader::OpenItem(const Line& line) {
    const LineLayout& l = line.layout;
    const bool ordered = l.marker != Marker::Bullet;
    const char numbering = l.marker == Marker::Letter ? 'a' : l.marker == Marker::Roman ? 'i' : '1';
    if (open_.empty() || open_.back().block.type != Type::List || open_.back().block.ordered != ordered ||
        open_.back().bullet != l.bullet || (ordered && open_.back().block.numbering != numbering)) {
        Block list{Type::List};
        list.ordered = ordered;
        list.numbering = numbering;
        list.start = ordered ? l.ordinal : 1;
        Open(list, l.indent, l.content, l.bullet);
    }
    Open(Block{Type::Item}, l.indent, l.content);
}

void BlockReader::OpenTerm(const Line& line, std::string_view term, std::uint32_t content) {
    const std::uint32_t indent = line.layout.indent;
    if (open_.empty() || open_.back().block.type != Type::Terms || open_.back().marker != indent) {
        Block terms{Type::Terms};
        terms.indent = IndentStep(indent);
        Open(terms, indent, content);
    }
    const Block dt{Type::Term};
    sink_.Enter(dt);
    Emit(line, term);
    sink_.Leave(dt);
    Open(Block{Type::Definition}, indent, content);
}

void BlockReader::Paragraph(const Line& line, std::string_view text, std::uint32_t column) {
    std::uint32_t breaks = 0;
    if (leaf_ == Leaf::Paragraph && line.blanks_before == 0) {
        breaks = 1;
    } else {
        EndLeaf();
        leaf_block_ = Block{Type::Paragraph};
        leaf_block_.indent = IndentStep(line.layout.indent);
        sink_.Enter(leaf_block_);
        leaf_ = Leaf::Paragraph;
        paragraph_indent_ = text_indent_ = column;
    }
    Emit(line, text, breaks, leaf_hard_);
    leaf_hard_ = mode_ == LineBreakMode::Keep || (mode_ == LineBreakMode::Add && line.short_line);
}

// A line of a block whose spacing carries meaning: as written, tabs as
// spaces, less the indent of the block's first line.
void BlockReader::OpenPre(const Line& line, Leaf leaf) {
    EndLeaf();
    leaf_block_ = Block{Type::Pre};
    leaf_block_.indent = IndentStep(line.layout.indent);
    sink_.Enter(leaf_block_);
    leaf_ = leaf;
    pre_indent_ = line.layout.indent;
    pre_lines_ = 0;
    session_ = IsPrompt(std::string_view(line.text).substr(line.quoted + line.layout.text));
}

void BlockReader::PreLine(const Line& line, std::uint32_t breaks) {
    if (leaf_ != Leaf::Pre && leaf_ != Leaf::Fenced) OpenPre(line, Leaf::Pre);
    ++pre_lines_;
    const std::string_view text = std::string_view(line.text).substr(line.quoted);
    if (line.long_line) {
        Emit(line, text.substr(line.layout.text), breaks, true);
        return;
    }
    work_.clear();
    AppendExpanded(text, std::min(pre_indent_, line.layout.indent), work_);
    sink_.Text({work_, false, 0, line.tag, breaks, true});
}

void BlockReader::Emit(const Line& line, std::string_view text, std::uint32_t breaks, bool hard) {
    sink_.Text({text, line.long_line, static_cast<size_t>(text.data() - line.text.data()), line.tag, breaks, hard});
}

std::uint8_t BlockReader::IndentStep(std::uint32_t indent) const {
    const std::uint32_t content = ContentColumn();
    const std::uint32_t in = indent > content ? indent - content : 0;
    return in == 0 ? 0 : in < 4 ? 1 : in < 8 ? 2 : 3;
}

}  // namespace torvex
