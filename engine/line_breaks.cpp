#include "line_breaks.h"

#include <cstdint>
#include <cstring>

#include "any_byte.h"

namespace torvex {

namespace {

constexpr std::string_view Break = "<BR>";
constexpr std::string_view FirstParagraph = "<P>";
constexpr std::string_view NextParagraph = "</P><P>";

// Suffixes come from a fixed set ("", "<BR>", "<P>", "</P><P>"): the ones
// holding a paragraph mark are the ones ending in it.
bool HasParagraph(std::string_view suffix) { return suffix.ends_with(FirstParagraph); }

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

std::string& StripQuotes(std::string& path) {
    if (path.size() > 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    return path;
}

std::string_view TrimLineEnd(std::string_view raw) {
    std::string_view text = raw.substr(0, raw.size() >= 2 ? raw.size() - 2 : 0);
    const auto last = text.find_last_not_of(' ');
    return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

void NormaliseLineEnd(std::string& raw) {
    if (raw.size() > 3) {
        size_t crs = 0;  // CRs just before the LF beyond the one that stays
        while (raw.size() - crs > 3 && raw[raw.size() - 2 - crs] == '\r' && raw[raw.size() - 3 - crs] == '\r') ++crs;
        raw.erase(raw.size() - 1 - crs, crs);
    }
    if (raw.size() < 2 || raw[raw.size() - 2] != '\r') {
        raw.back() = '\r';
        raw.push_back('\n');
    }
}

bool ShortLineRun(size_t a, size_t b, size_t c) {
    auto is_short = [](size_t n) { return n > 2 && n < 50; };
    return is_short(a) + is_short(b) + is_short(c) >= 2;
}

void LineBreaks::Reset() {
    recent_lengths_ = {80, 80, 80, 80};
    previous_suffix_ = {};
    paragraph_mark_ = FirstParagraph;
}

std::string_view LineBreaks::ChooseSuffix(std::string_view text, bool& convert) {
    const size_t length = CharacterCount(text, set_);
    recent_lengths_ = {length, recent_lengths_[0], recent_lengths_[1], recent_lengths_[2]};
    convert = !text.empty();
    if (text.empty()) return paragraph_mark_;
    const unsigned char first = static_cast<unsigned char>(text[0]);
    if (first < 32 && first != '\t') return paragraph_mark_;

    // A short line, or one of a run of short lines, keeps its break...
    if (length * 3 < 160 ||
        (length * 5 < 320 && ShortLineRun(recent_lengths_[1], recent_lengths_[2], recent_lengths_[3])))
        return Break;
    // ...and so does a quoted line, a label indented by one space, or a
    // line with a TAB or four spaces in a row.
    const bool br = text.starts_with(" [") || text.starts_with(">") || LaidOutByHand(text);
    return br ? Break : std::string_view();
}

std::string_view LineBreaks::Compose(std::string_view suffix) {
    const bool repeated = HasParagraph(previous_suffix_) && HasParagraph(suffix);
    previous_suffix_ = suffix;
    if (repeated) suffix = {};
    if (mode_ == 1) suffix = Break;
    if (mode_ == 3 && suffix == Break) suffix = {};
    if (suffix == FirstParagraph) paragraph_mark_ = NextParagraph;
    return suffix;
}

}  // namespace torvex
