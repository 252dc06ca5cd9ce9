#include "line_layout.h"

#include <algorithm>
#include <cstring>

#include "any_byte.h"

namespace torvex {

namespace {

constexpr std::uint32_t TabStop = 8;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsRoman(char c) { return c == 'i' || c == 'v' || c == 'x'; }
bool IsStop(char c) { return c == '.' || c == '?' || c == '!' || c == ':'; }

// The bullets other than ASCII ones: "•" "·" "‣" "◦" "▪".
constexpr std::string_view WideBullets[] = {"\xE2\x80\xA2", "\xC2\xB7", "\xE2\x80\xA3", "\xE2\x97\xA6", "\xE2\x96\xAA"};

long RomanValue(std::string_view digits) {
    long value = 0;
    for (size_t i = 0; i < digits.size(); ++i) {
        const auto of = [](char c) { return c == 'i' ? 1 : c == 'v' ? 5 : 10; };
        const long v = of(digits[i]);
        value += i + 1 < digits.size() && of(digits[i + 1]) > v ? -v : v;
    }
    return value;
}

// The marker at the start of text (after the indent) and the bytes it
// takes, or Marker::None. Sets bullet and ordinal.
Marker MarkerAt(std::string_view text, size_t& length, char& bullet, long& ordinal) {
    if (text.empty()) return Marker::None;
    const char c = text[0];
    if (c == '*' || c == '+' || c == 'o' || (c == '-' && text.size() > 1 && text[1] != '-')) {
        length = 1;
        bullet = c;
        return Marker::Bullet;
    }
    for (std::string_view wide : WideBullets) {
        if (text.starts_with(wide)) {
            length = wide.size();
            bullet = wide[0];
            return Marker::Bullet;
        }
    }
    // "(1)", "(a)", "(iv)": the same as "1)" after an opening parenthesis.
    const bool open = c == '(';
    const size_t from = open ? 1 : 0;
    size_t end = from;
    Marker kind = Marker::None;
    if (end < text.size() && IsDigit(text[end])) {
        for (ordinal = 0; end < text.size() && end - from < 3 && IsDigit(text[end]); ++end)
            ordinal = ordinal * 10 + (text[end] - '0');
        kind = Marker::Number;
    } else if (end < text.size() && IsLower(text[end])) {
        while (end < text.size() && end - from < 4 && IsRoman(text[end])) ++end;
        if (end - from >= 2 || (end - from == 1 && text[from] == 'i')) {
            kind = Marker::Roman;
            ordinal = RomanValue(text.substr(from, end - from));
        } else {
            end = from + 1;
            kind = Marker::Letter;
            ordinal = text[from] - 'a' + 1;
        }
    }
    if (kind == Marker::None || end >= text.size()) return Marker::None;
    const char delimiter = text[end];
    if (open ? delimiter != ')' : delimiter != '.' && delimiter != ')') return Marker::None;
    length = end + 1;
    bullet = open ? '(' : delimiter;
    return kind;
}

// A row of three or more of one character, perhaps spaced ("* * *").
void FindRow(std::string_view text, LineLayout& layout) {
    constexpr std::string_view RowCharacters = "-=*_~#+^";
    const char c = text[0];
    if (text.size() < 3 || RowCharacters.find(c) == std::string_view::npos) return;
    if (text.find_first_not_of(c) == std::string_view::npos) {
        layout.row = c;
        return;
    }
    // Spaced: the character at every other place, single spaces between.
    if (text.size() < 5 || text.size() % 2 == 0) return;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != (i % 2 == 0 ? c : ' ')) return;
    layout.row = c;
    layout.spaced_row = true;
}

bool HoldsBoxDrawing(std::string_view text) {
    // U+2500 to U+257F: E2 94 80 to E2 95 BF.
    for (size_t at = text.find('\xE2'); at != std::string_view::npos; at = text.find('\xE2', at + 1))
        if (at + 2 < text.size() && (text[at + 1] == '\x94' || text[at + 1] == '\x95')) return true;
    return false;
}

// Whether text holds a tab, a byte above 127 or two spaces in a row:
// without any, its columns are its bytes and it has no gaps.
void Survey(std::string_view text, bool& tab, bool& wide, bool& doubleSpace) {
    const auto hits = [](ByteBlock v) { return (v == '\t') | (v >= 0x80); };
    tab = wide = doubleSpace = false;
    const auto pairs = [&text](size_t at) {  // two spaces at at and at + 1, sixteen places at once
        ByteBlock a, b;
        std::memcpy(&a, text.data() + at, sizeof a);
        std::memcpy(&b, text.data() + at + 1, sizeof b);
        const ByteBlock both = (a == ' ') & (b == ' ');
        std::uint64_t halves[2];
        std::memcpy(halves, &both, sizeof halves);
        return (halves[0] | halves[1]) != 0;
    };
    if (text.size() <= sizeof(ByteBlock)) {
        for (size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            tab = tab || c == '\t';
            wide = wide || c >= 0x80;
            doubleSpace = doubleSpace || (c == ' ' && i + 1 < text.size() && text[i + 1] == ' ');
        }
        return;
    }
    const bool special = AnyByte(text, hits, [](char) { return false; });
    if (special) {
        for (char c : text) {
            tab = tab || c == '\t';
            wide = wide || static_cast<unsigned char>(c) >= 0x80;
        }
    }
    size_t at = 0;
    for (; at + sizeof(ByteBlock) + 1 <= text.size(); at += sizeof(ByteBlock))
        if (pairs(at)) {
            doubleSpace = true;
            return;
        }
    doubleSpace = pairs(text.size() - sizeof(ByteBlock) - 1);
}

// Walks the text's characters with their columns: the gaps, the single
// spaces and the width (for text with tabs, wide characters or gaps).
void MeasureSlowly(std::string_view line, LineLayout& layout) {
    std::uint32_t column = layout.indent;
    std::uint32_t runStart = 0;
    size_t runByte = 0;
    bool inRun = false;
    char before = 0;
    for (size_t i = layout.text; i < line.size(); ++i) {
        const char c = line[i];
        if (IsSpace(c)) {
            if (!inRun) {
                inRun = true;
                runStart = column;
                runByte = i;
            }
            column = c == '\t' ? (column / TabStop + 1) * TabStop : column + 1;
            if (c == '\t') layout.tab = true;
            continue;
        }
        if (IsContinuation(static_cast<unsigned char>(c))) continue;
        if (inRun) {
            inRun = false;
            const std::uint32_t length = column - runStart;
            if (length >= 2) {
                if (layout.gap_count < LineLayout::MaxGaps)
                    layout.gaps[layout.gap_count++] = {column, length, IsStop(before), static_cast<std::uint32_t>(runByte),
                                                       static_cast<std::uint32_t>(i)};
                layout.widest_gap = std::max(layout.widest_gap, length);
                if (length >= 3) ++layout.wide_gaps;
            } else {
                ++layout.single_spaces;
            }
        }
        before = c;
        ++column;
    }
    layout.width = column;
}

}  // namespace

LineLayout LayOut(std::string_view line) {
    LineLayout layout;
    std::uint32_t column = 0;
    size_t i = 0;
    // A form feed (a page break in older texts) stands for nothing.
    for (; i < line.size() && (IsSpace(line[i]) || line[i] == '\f'); ++i)
        column = line[i] == '\t' ? (column / TabStop + 1) * TabStop : line[i] == '\f' ? column : column + 1;
    if (i == line.size()) return layout;
    layout.blank = false;
    layout.indent = column;
    layout.text = i;
    const std::string_view text = line.substr(i);

    bool tab = false, wide = false, doubleSpace = false;
    Survey(text, tab, wide, doubleSpace);
    layout.tab = tab || (i > 0 && std::memchr(line.data(), '\t', i) != nullptr);
    layout.ascii = !wide;
    if (tab || wide || doubleSpace) {
        MeasureSlowly(line, layout);
    } else {
        layout.width = static_cast<std::uint32_t>(column + text.size());
        layout.single_spaces = static_cast<std::uint16_t>(std::min<size_t>(
            std::count(text.begin(), text.end(), ' '), 0xFFFF));
    }

    size_t length = 0;
    layout.marker = MarkerAt(text, length, layout.bullet, layout.ordinal);
    if (layout.marker != Marker::None) {
        size_t after = length;
        std::uint32_t content = column + static_cast<std::uint32_t>(length);  // markers are one column a character
        if (layout.marker == Marker::Bullet && length > 1) content = column + 1;
        while (after < text.size() && IsSpace(text[after])) {
            content = text[after] == '\t' ? (content / TabStop + 1) * TabStop : content + 1;
            ++after;
        }
        if (after == length || after == text.size()) {
            layout.marker = Marker::None;
        } else {
            layout.content = content;
            layout.content_byte = i + after;
        }
    }
    FindRow(text, layout);
    // "- - -" is a row, not a list of one.
    if (layout.spaced_row) layout.marker = Marker::None;
    const char first = text.front(), last = text.back();
    layout.box = ((first == '|' || first == '+') && (last == '|' || last == '+') && text.size() > 2) ||
                 (wide && HoldsBoxDrawing(text));
    return layout;
}

bool ReadsAsProse(std::string_view text) {
    size_t words = 0, letters = 0, visible = 0, characters = 0;
    bool inWord = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\t') {
            inWord = false;
            ++characters;
            continue;
        }
        if (!inWord) ++words;
        inWord = true;
        if (IsContinuation(c)) continue;
        ++characters;
        ++visible;
        // Letters of any script: ASCII ones, and (roughly) every character beyond ASCII.
        if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ++letters;
        else if (c >= 0xC3) ++letters;
    }
    return words >= 5 && characters >= 30 && visible > 0 && letters * 10 >= visible * 7;
}

bool Justified(const LineLayout& line, std::uint32_t margin) {
    if (line.width + 1 < margin || line.gap_count < 2 || line.gap_count == LineLayout::MaxGaps) return false;
    std::uint32_t k = ~0u;
    for (size_t g = 0; g < line.gap_count; ++g)
        if (!line.gaps[g].after_stop) k = std::min(k, line.gaps[g].length);
    // Single spaces are the ones the formatter may not stretch ("grep -E").
    if (k > 3 && line.single_spaces > 0) return false;
    for (size_t g = 0; g < line.gap_count; ++g) {
        const Gap& gap = line.gaps[g];
        if (gap.length < k || gap.length > k + (gap.after_stop ? 2 : 1)) return false;
    }
    return true;
}

void AppendExpanded(std::string_view line, std::uint32_t from, std::string& out) {
    std::uint32_t column = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            const std::uint32_t next = (column / TabStop + 1) * TabStop;
            for (; column < next; ++column)
                if (column >= from) out.push_back(' ');
            continue;
        }
        if (!IsContinuation(static_cast<unsigned char>(c))) ++column;
        if (column > from) out.push_back(c);
    }
}

}  // namespace torvex
