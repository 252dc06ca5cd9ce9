#include "long_line.h"

#include <algorithm>
#include <cstring>

#include "labels.h"
#include "links.h"

namespace torvex {

namespace {

constexpr auto NoPlace = ~0ULL;

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

LongLine::LongLine(InputFile& input, CharacterSet set, size_t pieceSize)
    : input_(input), set_(set), piece_size_(std::max<size_t>(pieceSize, 1)) {}

// The text ends after the last byte that is not a space before the CRs
// that end the line (see LineText), found a stretch at a time from the
// stretch's end.
bool LongLine::Measure(bool split) {
    unsigned long long seen = 0;
    unsigned long long lastNotCr = NoPlace, lastNotSpace = NoPlace, textEnd = NoPlace;
    bool leading = split;
    unsigned long long lead = 0;
    LabelNumberReader label;
    const auto see = [&](std::string_view bytes) {
        size_t notCr = bytes.size();
        while (notCr > 0 && bytes[notCr - 1] == '\r') --notCr;
        if (notCr > 0) {
            size_t notSpace = notCr;
            while (notSpace > 0 && bytes[notSpace - 1] == ' ') --notSpace;
            textEnd = notSpace > 0 ? seen + notSpace - 1 : lastNotSpace;
            lastNotCr = seen + notCr - 1;
        }
        size_t notSpace = bytes.size();
        while (notSpace > 0 && bytes[notSpace - 1] == ' ') --notSpace;
        if (notSpace > 0) lastNotSpace = seen + notSpace - 1;

        const auto holds = [&bytes](char c) { return std::memchr(bytes.data(), c, bytes.size()) != nullptr; };
        facts_.may_hold_links = facts_.may_hold_links || MayHoldLinks(bytes);
        if (const void* close = memrchr(bytes.data(), ']', bytes.size())) {
            facts_.brackets = true;
            facts_.last_close = seen + static_cast<size_t>(static_cast<const char*>(close) - bytes.data());
        }
        facts_.brackets = facts_.brackets || holds('[');
        size_t from = 0;
        if (leading) {
            from = std::min(bytes.find_first_not_of(' '), bytes.size());
            lead += from;
            if (from < bytes.size()) {
                leading = false;
                facts_.starts_with_bracket = bytes[from] == '[';
            }
        }
        if (split && !leading) label.Add(bytes.substr(from));
        seen += bytes.size();
    };
    if (!input_.Measure(see, facts_.length)) return false;
    if (lastNotCr == NoPlace)
        facts_.text_end = facts_.length >= 2 ? 1 : 0;  // CRs alone: one stays
    else
        facts_.text_end = textEnd == NoPlace ? 0 : textEnd + 1;
    facts_.text_begin = std::min(lead, facts_.text_end);
    if (facts_.text_begin == facts_.text_end) facts_.starts_with_bracket = false;
    if (split) facts_.label = label.Number();
    pos_ = window_begin_ = facts_.text_begin;
    return true;
}

std::string LongLine::Whole() {
    std::string line(static_cast<size_t>(facts_.length), '\0');
    line.resize(input_.ReadLong(0, line.data(), line.size()));
    return line;
}

std::string_view LongLine::Head(size_t n) {
    const unsigned long long end = std::min<unsigned long long>(facts_.text_begin + n, facts_.text_end);
    Ensure(end);
    size_t size = static_cast<size_t>(std::min<unsigned long long>(end - window_begin_, window_.size()));
    if (set_ == CharacterSet::Utf8 && size < facts_.text_end - window_begin_)
        while (size > 0 && IsContinuation(window_[size])) --size;
    return std::string_view(window_).substr(0, size);
}

bool LongLine::NextPiece(std::string_view& piece, bool& whole, bool& last) {
    if (pos_ >= facts_.text_end) return false;
    window_.erase(0, static_cast<size_t>(pos_ - window_begin_));
    window_begin_ = pos_;
    const bool joining = !whole_;
    unsigned long long end = Cut();
    Ensure(end);
    end = std::min(end, window_begin_ + window_.size());
    if (end <= pos_) {  // the file got shorter: an empty last piece lets go of what the link step joined
        if (!joining) return false;
        facts_.text_end = pos_;
        whole_ = true;
    }
    piece = std::string_view(window_.data(), static_cast<size_t>(end - pos_));
    pos_ = end;
    last = end >= facts_.text_end;
    whole = whole_ || last;
    return true;
}

// Where the piece that starts at pos_ ends: at the last place within a
// piece's length where it may end, or, where there is none, at the first
// place after it; but a run without spaces that holds a link key (or a
// bracket) is cut at a piece's length outside a label, and the piece is
// not whole.
unsigned long long LongLine::Cut() {
    const bool inRun = !whole_;  // pos_ lies inside such a run
    whole_ = true;
    const unsigned long long end = facts_.text_end;
    unsigned long long limit = std::min(pos_ + piece_size_, end);
    if (limit == end) return end;
    if (!links_ && !labels_) return Boundary(limit);
    unsigned long long cut = pos_, run = pos_, at = pos_;
    bool inLabel = false;
    for (;;) {
        Ensure(limit);
        if (!labels_) {
            // Only spaces count: the last one is the place.
            const size_t from = static_cast<size_t>(at - window_begin_), to = static_cast<size_t>(limit - window_begin_);
            if (const void* space = memrchr(window_.data() + from, ' ', to - from))
                cut = run = window_begin_ + static_cast<size_t>(static_cast<const char*>(space) - window_.data()) + 1;
            at = limit;
        }
        for (; at < limit; ++at) {
            const char c = At(at);
            if (c == '[' && !inLabel && at < facts_.last_close)
                inLabel = true;
            else if (c == ']')
                inLabel = false;
            else if (c == ' ' && (run = at + 1, !inLabel))
                cut = at + 1;
        }
        if (limit == end) return end;
        if (!inLabel && !(inRun && run == pos_) && RunIsClean(run)) {
            const unsigned long long boundary = Boundary(limit);
            if (boundary > cut) return boundary;
        }
        if (cut > pos_) return cut;
        if (!inLabel) {
            // A UTF-8 character is not cut in two, which moves the place a
            // few bytes: never across a bracket, into a label.
            const unsigned long long place = Boundary(limit);
            if (!labels_ || !BracketBetween(place, limit)) {
                whole_ = false;
                return place;
            }
        }
        limit = std::min(limit + piece_size_, end);
    }
}

// Whether the run without spaces that starts at begin holds nothing a step
// could look across a cut for: no link key, and where labels are linked
// no bracket. Read ahead without keeping what is read; a run found clean
// stays clean for every cut inside it.
bool LongLine::RunIsClean(unsigned long long begin) {
    if (begin >= run_begin_ && begin < clean_end_ && run_clean_) return true;
    if (begin == run_begin_) return run_clean_;
    run_begin_ = begin;
    run_clean_ = false;
    // The last bytes, lower-cased, so that a key is seen however the reads cut it.
    constexpr size_t Tail = 5;
    char tail[Tail] = {};
    const auto dirty = [&](char c) {
        if (labels_ && (c == '[' || c == ']')) return true;
        std::memmove(tail, tail + 1, Tail - 1);
        tail[Tail - 1] = AsciiLower(c);
        for (std::string_view key : LinkKeys)
            if (std::string_view(tail + Tail - key.size(), key.size()) == key) return true;
        return false;
    };
    // Most runs end within a word: a little is read first, more while the run goes on.
    size_t ahead = 4096;
    unsigned long long at = begin;
    while (at < facts_.text_end) {
        std::string_view bytes;
        if (at < window_begin_ + window_.size()) {
            bytes = std::string_view(window_).substr(static_cast<size_t>(at - window_begin_));
        } else {
            ahead_.resize(ahead);
            ahead_.resize(input_.ReadLong(at, ahead_.data(), ahead_.size()));
            if (ahead_.empty()) break;
            bytes = ahead_;
            ahead = std::min(2 * ahead, std::max<size_t>(piece_size_, 4096));
        }
        bytes = bytes.substr(0, static_cast<size_t>(std::min<unsigned long long>(bytes.size(), facts_.text_end - at)));
        for (char c : bytes) {
            if (c == ' ') {
                clean_end_ = at;
                return run_clean_ = true;
            }
            if (dirty(c)) return false;
            ++at;
        }
    }
    clean_end_ = facts_.text_end;
    return run_clean_ = true;
}

bool LongLine::BracketBetween(unsigned long long a, unsigned long long b) const {
    for (unsigned long long at = std::min(a, b); at < std::max(a, b); ++at)
        if (At(at) == '[' || At(at) == ']') return true;
    return false;
}

// A place at or near `at` where no character is cut in two: in UTF-8, not
// before a continuation byte (four in a row belong to no character).
unsigned long long LongLine::Boundary(unsigned long long at) {
    if (set_ != CharacterSet::Utf8) return at;
    Ensure(std::min(at + 4, facts_.text_end));
    const unsigned long long have = window_begin_ + window_.size();
    unsigned long long place = at;
    for (int k = 0; k < 3 && place > pos_ && place < have && IsContinuation(At(place)); ++k) --place;
    if (place > pos_ && place < have && !IsContinuation(At(place))) return place;
    if (place > pos_ && at - place == 3) return at;
    place = at;
    for (int k = 0; k < 3 && place < have && IsContinuation(At(place)); ++k) ++place;
    return place;
}

void LongLine::Ensure(unsigned long long end) {
    end = std::min(end, facts_.length);
    while (window_begin_ + window_.size() < end) {
        const size_t have = window_.size();
        const unsigned long long missing = end - (window_begin_ + have);
        const size_t want = static_cast<size_t>(std::min<unsigned long long>(
            std::max<unsigned long long>(missing, piece_size_), facts_.length - (window_begin_ + have)));
        window_.resize(have + want);
        const size_t got = input_.ReadLong(window_begin_ + have, window_.data() + have, want);
        window_.resize(have + got);
        if (got == 0) {
            facts_.text_end = std::min(facts_.text_end, window_begin_ + have);
            return;
        }
    }
}

}  // namespace torvex
