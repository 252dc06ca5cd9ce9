#include "line_breaks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "any_byte.h"

namespace torvex {

namespace {

// A TAB anywhere, or four spaces in a row: a line laid out by hand. This
// runs on every long line, so sixteen places are tested at once: the bytes
// at i, i+1, i+2 and i+3 are loaded side by side, and a lane where all four
// are spaces starts a run.
bool LaidOutByHand(std::string_view text) {
    constexpr size_t Reach = sizeof(ByteBlock) + 3;  // a block of starts and the three bytes after it
    const auto anyAt = [&text](size_t i) {
        const auto load = [&text](size_t at) {
            ByteBlock v;
            std::memcpy(&v, text.data() + at, sizeof v);
            return v;
        };
        const ByteBlock v = load(i);
        const auto hits = (v == '\t') | ((v == ' ') & (load(i + 1) == ' ') & (load(i + 2) == ' ') & (load(i + 3) == ' '));
        std::uint64_t halves[2];
        std::memcpy(halves, &hits, sizeof halves);
        return (halves[0] | halves[1]) != 0;
    };
    if (text.size() < Reach) {
        int spaces = 0;
        for (char c : text) {
            spaces = c == ' ' ? spaces + 1 : 0;
            if (c == '\t' || spaces == 4) return true;
        }
        return false;
    }
    size_t i = 0;
    for (; i + Reach <= text.size(); i += sizeof(ByteBlock))
        if (anyAt(i)) return true;
    // The last block overlaps starts already tested; the last three bytes
    // can still hold a TAB.
    return anyAt(text.size() - Reach) || text.substr(text.size() - 3).find('\t') != std::string_view::npos;
}

}  // namespace

void LineBreaks::Reset() {
    short_lines_ = 0;
    previous_suffix_ = Suffix::None;
    paragraph_mark_ = Suffix::FirstParagraph;
}

void LineShape::Add(std::string_view piece, CharacterSet set) {
    if (piece.empty()) return;
    length += CharacterCount(piece, set);
    if (bytes < 2) {
        if (bytes == 0) first = static_cast<unsigned char>(piece[0]);
        if (bytes + piece.size() >= 2) second = static_cast<unsigned char>(piece[1 - bytes]);
    }
    bytes += piece.size();
    if (laid_out) return;
    // Four spaces may be split between pieces.
    const size_t leading = std::min(piece.find_first_not_of(' '), piece.size());
    if (spaces_ > 0 && spaces_ + leading >= 4) laid_out = true;
    laid_out = laid_out || LaidOutByHand(piece);
    const size_t trailing = piece.size() - 1 - std::min(piece.find_last_not_of(' '), piece.size() - 1);
    spaces_ = static_cast<int>(std::min<size_t>(4, leading == piece.size() ? spaces_ + piece.size() : trailing));
}

}  // namespace torvex
