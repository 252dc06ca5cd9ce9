#include "line_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "any_byte.h"
#include "utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// What the first byte of a line may start: nothing (most), or a marker of
// some kind; a small letter only when "." or ")" follows (or it is a bullet
// "o" or a Roman digit).
enum Start : std::uint8_t { Never, Maybe, Letter };
constexpr std::array<Start, 256> MakeStarts() {
    std::array<Start, 256> starts{};
    for (unsigned char c : std::string_view("*+-(0123456789")) starts[c] = Maybe;
    for (int c = 'a'; c <= 'z'; ++c) starts[c] = Letter;
    for (unsigned char c : std::string_view("oivx")) starts[c] = Maybe;
    starts[0xE2] = starts[0xC2] = Maybe;  // the bullets beyond ASCII
    return starts;
}
constexpr auto Starts = MakeStarts();

Marker MarkerAt(std::string_view text, size_t& length, char& bullet, long& ordinal) {
    if (text.size() < 2) return Marker::None;
    const char c = text[0];
    // Most lines start with a word, of capitals or of a letter that no "."
    // or ")" follows.
    const Start start = Starts[static_cast<unsigned char>(c)];
    if (start == Never || (start == Letter && text[1] != '.' && text[1] != ')')) return Marker::None;
    if (c == '*' || c == '+' || c == 'o' || (c == '-' && text.size() > 1 && text[1] != '-')) {
        length = 1;
        bullet = c;
        return Marker::Bullet;
    }
    for (std::string_view wide : WideBullets) {
        if (static_cast<unsigned char>(c) >= 0x80 && text.starts_with(wide)) {
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
// A row of a drawn line, "═══" or "───", stands for "===" or "---".
constexpr std::pair<std::string_view, char> DrawnRows[] = {
    {"\xE2\x95\x90", '='}, {"\xE2\x94\x80", '-'}, {"\xE2\x94\x81", '-'}};

void FindRow(std::string_view text, LineLayout& layout) {
    const char c = text[0];
    switch (c) {
    case '-': case '=': case '*': case '_': case '~': case '#': case '+': case '^':
        break;
    case '\xE2':
        for (const auto& [drawn, stands] : DrawnRows) {
            size_t at = 0;
            while (text.substr(at, drawn.size()) == drawn) at += drawn.size();
            if (at == text.size() && at >= 3 * drawn.size()) layout.row = stands;
        }
        return;
    default:
        return;
    }
    if (text.size() < 3) return;
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

// The places in text where two spaces in a row start, sixteen at a time
// from at: a mask of 16 bits (a block read past the end sees no pair there).
std::uint32_t PairsAt(std::string_view text, size_t at) {
#if defined(__SSE2__)
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at + 1));
    const __m128i space = _mm_set1_epi8(' ');
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, space), _mm_cmpeq_epi8(b, space))));
#else
    ByteBlock a, b;
    std::memcpy(&a, text.data() + at, sizeof a);
    std::memcpy(&b, text.data() + at + 1, sizeof b);
    const ByteBlock pairs = (a == ' ') & (b == ' ');
    std::uint64_t halves[2];
    std::memcpy(halves, &pairs, sizeof halves);
    // One bit a byte: the top bit of each byte, gathered.
    const auto gather = [](std::uint64_t half) {
        return static_cast<std::uint32_t>(((half & 0x8080808080808080ull) * 0x0002040810204081ull) >> 56);
    };
    return gather(halves[0]) | gather(halves[1]) << 8;
#endif
}

// How many spaces text holds, sixteen bytes at a time.
size_t CountSpaces(std::string_view text) {
    size_t spaces = 0, at = 0;
#if defined(__SSE2__)
    // Each block's spaces as ones, summed by lanes of eight bytes.
    const __m128i one = _mm_set1_epi8(1), space = _mm_set1_epi8(' ');
    __m128i sums = _mm_setzero_si128();
    for (; at + 16 <= text.size(); at += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(_mm_cmpeq_epi8(x, space), one), _mm_setzero_si128()));
    }
    spaces = static_cast<size_t>(_mm_cvtsi128_si64(sums)) + static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
    for (; at < text.size(); ++at) spaces += text[at] == ' ';
    return spaces;
}

// Whether text holds two spaces in a row.
bool HasPair(std::string_view text) {
    constexpr size_t Block = 16;
    if (text.size() < Block + 1) return text.find("  ") != std::string_view::npos;
    std::uint32_t pairs = 0;
    for (size_t i = 0; i + Block + 1 <= text.size(); i += Block) pairs |= PairsAt(text, i);
    return (pairs | PairsAt(text, text.size() - Block - 1)) != 0;
}

// Whether text holds a tab, a byte above 127 or two spaces in a row:
// without any, its columns are its bytes and it has no gaps. One pass,
// sixteen places at a time; the last block overlaps the one before.
void Survey(std::string_view text, bool& tab, bool& wide, bool& doubleSpace) {
    constexpr size_t Block = sizeof(ByteBlock);
    tab = wide = doubleSpace = false;
    if (text.size() < Block + 1) {
        for (size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            tab = tab || c == '\t';
            wide = wide || c >= 0x80;
            doubleSpace = doubleSpace || (c == ' ' && i + 1 < text.size() && text[i + 1] == ' ');
        }
        return;
    }
    ByteBlock tabs{}, high{}, pairs{};
    const auto take = [&](size_t at) {
        ByteBlock a, b;
        std::memcpy(&a, text.data() + at, Block);
        std::memcpy(&b, text.data() + at + 1, Block);
        tabs |= a == '\t';
        high |= a >= 0x80;
        pairs |= (a == ' ') & (b == ' ');
    };
    for (size_t i = 0; i + Block + 1 <= text.size(); i += Block) take(i);
    take(text.size() - Block - 1);
    const auto any = [](ByteBlock v) {
        std::uint64_t halves[2];
        std::memcpy(halves, &v, sizeof halves);
        return (halves[0] | halves[1]) != 0;
    };
    tab = any(tabs) || text.back() == '\t';
    wide = any(high) || static_cast<unsigned char>(text.back()) >= 0x80;
    doubleSpace = any(pairs);
}

// The gaps of text with neither tabs nor characters beyond ASCII, whose
// columns are its bytes (from column, the indent): found where the pairs
// of spaces are.
void FindGaps(std::string_view text, std::uint32_t column, LineLayout& layout) {
    constexpr size_t Block = sizeof(ByteBlock);
    size_t spaces = 0, inGaps = 0;
    for (size_t at = 0; at + 1 < text.size(); at += Block) {
        std::uint32_t mask = 0;
        if (at + Block + 1 <= text.size()) {
            mask = PairsAt(text, at);
        } else if (text.size() > Block) {  // the end: the last block, less what the one before saw
            const size_t last = text.size() - Block - 1;
            mask = PairsAt(text, last) >> (at - last);
        } else {  // a short text: byte by byte
            for (size_t k = at; k + 1 < text.size(); ++k)
                if (text[k] == ' ' && text[k + 1] == ' ') mask |= 1u << (k - at);
        }
        while (mask != 0) {
            const size_t begin = at + static_cast<size_t>(__builtin_ctz(mask));
            size_t end = begin;
            while (end < text.size() && text[end] == ' ') ++end;
            const auto length = static_cast<std::uint32_t>(end - begin);
            if (layout.gap_count < LineLayout::MaxGaps)
                layout.gaps[layout.gap_count++] = {static_cast<std::uint32_t>(column + end), length, IsStop(text[begin - 1]),
                                                   static_cast<std::uint32_t>(layout.text + begin),
                                                   static_cast<std::uint32_t>(layout.text + end)};
            layout.widest_gap = std::max(layout.widest_gap, length);
            if (length >= 3) ++layout.wide_gaps;
            layout.sentence_gaps = layout.sentence_gaps && length < 4 && IsStop(text[begin - 1]);
            inGaps += length;
            // Pairs inside this run, or starting in its last space, are the same gap.
            const size_t past = end - at;
            mask = past >= 32 ? 0 : mask & ~((1u << past) - 1);
            if (end > at + Block) {
                at = end - Block;  // the loop's step lands on end
                mask = 0;
            }
        }
    }
    // Single spaces matter only beside gaps (to tell justified prose).
    if (layout.gap_count >= 2) {
        spaces = CountSpaces(text);
        layout.single_spaces = static_cast<std::uint16_t>(std::min<size_t>(spaces - inGaps, 0xFFFF));
    }
    layout.width = static_cast<std::uint32_t>(column + text.size());
}

// The columns of text beyond ASCII (valid UTF-8, without tabs) from those
// its bytes gave: each gap's end and the width less the continuation bytes
// before them.
void CountCharacters(std::string_view text, std::uint32_t column, LineLayout& layout) {
    size_t counted = 0, continuations = 0;
    for (std::uint8_t g = 0; g < layout.gap_count; ++g) {
        Gap& gap = layout.gaps[g];
        const size_t end = gap.end_byte - layout.text;
        continuations += (end - counted) - Utf8Length(text.substr(counted, end - counted));
        counted = end;
        gap.end -= static_cast<std::uint32_t>(continuations);
    }
    layout.width = static_cast<std::uint32_t>(column + Utf8Length(text));
}

// Walks the text's characters with their columns: the gaps, the single
// spaces and the width (for text with tabs).
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
                layout.sentence_gaps = layout.sentence_gaps && length < 4 && IsStop(before);
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

// A line of 16 to 128 bytes, the most common, is surveyed at once: its
// spaces, and its tabs, form feeds and bytes above 127, as bit masks from
// loads of sixteen bytes (the last one overlapping the one before); the
// columns of characters beyond ASCII are counted after. False when the
// line asks for the long way: it has tabs or a form feed, or is of
// another length.
bool LayOutAtOnce(std::string_view line, LineLayout& layout) {
#if defined(__SSE2__)
    __extension__ typedef unsigned __int128 Mask;
    const size_t n = line.size();
    if (n < 16 || n > 128) return false;
    Mask spaces = 0;
    unsigned other = 0, high = 0;
    for (size_t at = 0;; at += 16) {
        at = std::min(at, n - 16);
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + at));
        spaces |= static_cast<Mask>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(' '))))) << at;
        other |= static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\f')))));
        high |= static_cast<unsigned>(_mm_movemask_epi8(x));
        if (at + 16 == n) break;
    }
    if (other != 0) return false;
    const auto low = static_cast<std::uint64_t>(spaces);
    const size_t leading = ~low != 0 ? static_cast<size_t>(__builtin_ctzll(~low))
                                     : 64 + static_cast<size_t>(__builtin_ctzll(~static_cast<std::uint64_t>(spaces >> 64)));
    if (leading >= n) return false;  // text never ends in a space: a line of spaces
    layout.blank = false;
    layout.indent = static_cast<std::uint32_t>(leading);
    layout.text = leading;
    const Mask pairs = spaces & (spaces >> 1) & (~Mask(0) << leading);
    if (pairs != 0)
        FindGaps(line.substr(leading), layout.indent, layout);
    else
        layout.width = static_cast<std::uint32_t>(n);
    if (high != 0) {
        layout.ascii = false;
        CountCharacters(line.substr(leading), layout.indent, layout);
    }
    return true;
#else
    (void)line;
    (void)layout;
    return false;
#endif
}

void LayOut(std::string_view line, LineLayout& layout, bool plain) {
    layout.blank = true;
    layout.indent = layout.width = 0;
    layout.text = 0;
    layout.tab = false;
    layout.ascii = true;
    layout.marker = Marker::None;
    layout.row = 0;
    layout.spaced_row = layout.box = false;
    layout.gap_count = layout.wide_gaps = 0;
    layout.widest_gap = 0;
    layout.single_spaces = 0;
    layout.sentence_gaps = true;
    // A line known to be printable ASCII is looked at the short way: its
    // indent of spaces and its pairs of spaces. Any other is surveyed at
    // once when it can be.
    if (plain) {
        size_t i = 0;
        while (i < line.size() && line[i] == ' ') ++i;
        if (i == line.size()) return;
        layout.blank = false;
        layout.indent = static_cast<std::uint32_t>(i);
        layout.text = i;
        const std::string_view text = line.substr(i);
        if (HasPair(text))
            FindGaps(text, layout.indent, layout);
        else
            layout.width = static_cast<std::uint32_t>(line.size());
    } else if (!LayOutAtOnce(line, layout)) {
        std::uint32_t column = 0;
        size_t i = 0;
        bool leadingTab = false;
        // A form feed (a page break in older texts) stands for nothing.
        for (; i < line.size(); ++i) {
            const char c = line[i];
            if (c == ' ') {
                ++column;
            } else if (c == '\t') {
                column = (column / TabStop + 1) * TabStop;
                leadingTab = true;
            } else if (c != '\f') {
                break;
            }
        }
        if (i == line.size()) return;
        layout.blank = false;
        layout.indent = column;
        layout.text = i;
        const std::string_view text = line.substr(i);
        bool tab = false, wide = false, doubleSpace = false;
        Survey(text, tab, wide, doubleSpace);
        layout.tab = tab || leadingTab;
        layout.ascii = !wide;
        // Without tabs the columns are the characters (the bytes, without
        // characters beyond ASCII); without two spaces in a row there is no
        // gap (the single spaces count only beside gaps).
        if (tab)
            MeasureSlowly(line, layout);
        else if (doubleSpace)
            FindGaps(text, column, layout);
        else
            layout.width = static_cast<std::uint32_t>(column + text.size());
        if (wide && !tab) CountCharacters(text, column, layout);
    }
    const size_t i = layout.text;
    const std::uint32_t column = layout.indent;
    const std::string_view text = line.substr(i);

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
                 (!layout.ascii && layout.row == 0 && HoldsBoxDrawing(text));
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
