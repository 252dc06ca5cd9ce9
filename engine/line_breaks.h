// How one line of text ends in the page: "<BR>", a paragraph mark, or
// nothing, decided from the line's shape and the lengths of the lines
// before it, then adjusted by the line-break mode.
#pragma once

#include <string>
#include <string_view>

#include "character_set.h"
#include "page_markup.h"

namespace torvex {

// The line text of a raw line given without its LF: its end made exactly
// one CR LF (an empty line ending CR CR LF is too short to lose a CR and
// keeps both), then that CR LF and every trailing space dropped (tabs
// stay). Found without copying: it is always the start of content.
inline std::string_view LineText(std::string_view content) {
    if (content.empty() || (content.back() != '\r' && content.back() != ' ')) return content;  // most lines
    size_t end = content.size();
    while (end > 0 && content[end - 1] == '\r') --end;
    // A line of CRs alone is too short to lose them all: two or more leave one.
    if (end == 0) return content.substr(0, content.size() >= 2 ? 1 : 0);
    while (end > 0 && content[end - 1] == ' ') --end;
    return content.substr(0, end);
}

// True when at least two of the three lengths lie in 3..49.
inline bool ShortLineRun(size_t a, size_t b, size_t c) {
    auto is_short = [](size_t n) { return n - 3 < 47; };  // 3..49
    return is_short(a) + is_short(b) + is_short(c) >= 2;
}

// What a line's text is followed by before its line end.
enum class Suffix : unsigned char { None, Break, FirstParagraph, NextParagraph };

inline std::string_view Text(Suffix suffix) {
    const auto i = static_cast<size_t>(suffix);
    return {markup::SuffixBytes[i], markup::SuffixSize[i]};
}

// The suffix and the line end after it (each suffix's bytes hold both).
inline std::string_view TextWithLineEnd(Suffix suffix) { return {Text(suffix).data(), Text(suffix).size() + markup::LineEnd.size()}; }

inline bool HasParagraph(Suffix suffix) { return suffix >= Suffix::FirstParagraph; }

// What the suffix rules look at in a line text, gathered as the text goes
// by: whole, or in pieces however it is cut.
class LineShape {
public:
    void Add(std::string_view piece, CharacterSet set);

    size_t length = 0;  // in characters
    unsigned char first = 0, second = 0;  // its first two bytes (0 when absent)
    size_t bytes = 0;
    // A TAB anywhere, or four spaces in a row: a line laid out by hand.
    bool laid_out = false;

private:
    int spaces_ = 0;  // the spaces that end what was added so far, up to four
};

// The line-break modes, as the front ends number them: keep every line
// break, add them where the text needs them, or none.
enum class LineBreakMode { Keep = 1, Add = 2, None = 3 };

// Any number but those of Keep and None adds line breaks where the text needs them.
constexpr LineBreakMode LineBreakModeOf(int mode) {
    return mode == static_cast<int>(LineBreakMode::Keep)   ? LineBreakMode::Keep
           : mode == static_cast<int>(LineBreakMode::None) ? LineBreakMode::None
                                                           : LineBreakMode::Add;
}

class LineBreaks {
public:
    explicit LineBreaks(LineBreakMode mode) : mode_(mode) {}

    // Back to the state of a new page.
    void Reset();

    // Records the length of the line of this shape and gives its suffix:
    // a paragraph mark after an empty line or one that starts with a
    // control character (but TAB); "<BR>" after a short line (under 54
    // characters, or under 64 after two short lines of the three before),
    // one laid out by hand, or one that starts with ">" or " [".
    Suffix ChooseSuffix(const LineShape& shape) {
        const size_t length = shape.length;
        const unsigned before = short_lines_;
        short_lines_ = ((before << 1) | (length - 3 < 47)) & 7;  // 3..49, as ShortLineRun
        if (length == 0 || (shape.first < 32 && shape.first != '\t')) return paragraph_mark_;
        // Two of the three lines before are short: the bits of 3, 5, 6 and 7.
        const bool br = length < 54 || shape.laid_out || shape.first == '>' || (shape.first == ' ' && shape.second == '[') ||
                        (length < 64 && ((0xE8u >> before) & 1));
        return br ? Suffix::Break : Suffix::None;
    }

    // The suffix actually written: a second paragraph mark in a row is
    // dropped, then the mode applies. Also advances the paragraph mark.
    Suffix Compose(Suffix suffix) {
        switch (mode_) {
        case LineBreakMode::Keep:
            return ComposeIn<LineBreakMode::Keep>(suffix);
        case LineBreakMode::None:
            return ComposeIn<LineBreakMode::None>(suffix);
        case LineBreakMode::Add:
            break;
        }
        return ComposeIn<LineBreakMode::Add>(suffix);
    }

    // Compose(ChooseSuffix(shape)) where the mode is known at compile
    // time: with every line break kept, no shape and nothing recorded
    // shows; with none, only whether the line ends a paragraph does.
    template <LineBreakMode Mode>
    Suffix Next(const LineShape& shape) {
        if constexpr (Mode == LineBreakMode::Keep) {
            return Suffix::Break;
        } else if constexpr (Mode == LineBreakMode::None) {
            const bool paragraph = (shape.length == 0) | ((shape.first < 32) & (shape.first != '\t'));
            return ComposeIn<Mode>(paragraph ? paragraph_mark_ : Suffix::None);
        } else {
            return ComposeIn<Mode>(ChooseSuffix(shape));
        }
    }
    LineBreakMode mode() const { return mode_; }

private:
    template <LineBreakMode Mode>
    Suffix ComposeIn(Suffix suffix) {
        const bool repeated = HasParagraph(previous_suffix_) & HasParagraph(suffix);
        previous_suffix_ = suffix;
        suffix = repeated ? Suffix::None : suffix;
        if (Mode == LineBreakMode::Keep) suffix = Suffix::Break;
        if (Mode == LineBreakMode::None && suffix == Suffix::Break) suffix = Suffix::None;
        if (suffix == Suffix::FirstParagraph) paragraph_mark_ = Suffix::NextParagraph;
        return suffix;
    }

    LineBreakMode mode_;
    unsigned short_lines_ = 0;  // whether each of the last three lines was short, the last in bit 0
    Suffix previous_suffix_ = Suffix::None;
    Suffix paragraph_mark_ = Suffix::FirstParagraph;
};

}  // namespace torvex
