#include "links.h"

#include <algorithm>

#include "any_byte.h"
#include "huge_buffer.h"
#include "modern_markup.h"
#include "page_markup.h"
#include "paged_text.h"

namespace torvex {

namespace {

using namespace std::string_view_literals;

constexpr auto npos = std::string_view::npos;

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The link step reads its text through a few calls, so that one
// implementation serves a line in memory (Flat) and a run of hundreds of
// megabytes without a space, held in a PagedText (Paged): its size, the
// byte at a place, the next place of a byte, the text up to a place, and
// a stretch of it appended to the output.
class Flat {
public:
    Flat(std::string_view text) : text_(text) {}
    size_t size() const { return text_.size(); }
    char operator[](size_t at) const { return text_[at]; }
    size_t Find(char c, size_t from) const { return text_.find(c, from); }
    size_t Find(std::string_view pattern, size_t from) const { return text_.find(pattern, from); }
    bool Matches(size_t at, std::string_view pattern) const {
        return at <= text_.size() && text_.substr(at).starts_with(pattern);
    }
    Flat Prefix(size_t n) const { return Flat(text_.substr(0, n)); }
    void AppendTo(std::string& out, size_t from, size_t to) const { out.append(text_.substr(from, to - from)); }
    template <class Take>
    void ForEachPart(size_t from, size_t to, Take take) const {
        take(text_.substr(from, to - from));
    }

private:
    std::string_view text_;
};

class Paged {
public:
    Paged(PagedText& text, size_t size) : text_(&text), size_(size) {}
    size_t size() const { return size_; }
    char operator[](size_t at) const { return text_->At(at); }
    size_t Find(char c, size_t from) const { return text_->Find(c, from, size_); }
    size_t Find(std::string_view pattern, size_t from) const {
        for (size_t at = Find(pattern[0], from); at != npos; at = Find(pattern[0], at + 1))
            if (Matches(at, pattern)) return at;
        return npos;
    }
    bool Matches(size_t at, std::string_view pattern) const {
        if (at > size_ || size_ - at < pattern.size()) return false;
        for (size_t i = 0; i < pattern.size(); ++i)
            if (text_->At(at + i) != pattern[i]) return false;
        return true;
    }
    Paged Prefix(size_t n) const { return Paged(*text_, std::min(n, size_)); }
    void AppendTo(PartWriter& out, size_t from, size_t to) const {
        text_->ForEachPart(from, to, [&out](std::string_view part) { out.append(part); });
    }
    template <class Take>
    void ForEachPart(size_t from, size_t to, Take take) const {
        text_->ForEachPart(from, to, take);
    }

private:
    PagedText* text_;
    size_t size_;
};

// Whether pattern stands at text[at] with its ASCII letters in either case;
// the caller sees that it fits in text from there.
template <class Text>
bool MatchesNoCaseAt(const Text& text, size_t at, std::string_view pattern) {
    for (size_t i = 0; i < pattern.size(); ++i)
        if (AsciiLower(text[at + i]) != AsciiLower(pattern[i])) return false;
    return true;
}

// First position at or after from where pattern occurs, ignoring ASCII letter
// case. The scan runs on memchr for a character of the pattern that has no
// other case (the ":" of "news:"), which keeps long plain text cheap.
template <class Text>
size_t FindNoCase(const Text& text, std::string_view pattern, size_t from) {
    const size_t n = text.size(), k = pattern.size();
    if (k == 0 || k > n || from > n - k) return npos;
    size_t a = 0;
    while (a < k && IsAsciiLetter(pattern[a])) ++a;
    if (a == k) {
        for (size_t i = from; i <= n - k; ++i)
            if (MatchesNoCaseAt(text, i, pattern)) return i;
        return npos;
    }
    for (size_t i = text.Find(pattern[a], from + a); i != npos && i - a <= n - k; i = text.Find(pattern[a], i + 1))
        if (MatchesNoCaseAt(text, i - a, pattern)) return i - a;
    return npos;
}

}  // namespace

bool MayHoldLinks(std::string_view line) {
    return AnyByte(
        line, [](ByteBlock v) { return (v == '@') | (v == ':'); }, [](char c) { return c == '@' || c == ':'; });
}

bool ContainsKey(std::string_view line, std::string_view key) { return FindNoCase(Flat(line), key, 0) != npos; }

bool ContainsKey(PagedText& text, std::string_view key) {
    return FindNoCase(Paged(text, text.size()), key, 0) != npos;
}

namespace {

// A forward search asked again and again from positions that only grow.
// It remembers its last hit, so no stretch of the line is scanned twice:
// a line without spaces must not be rescanned for one per address. Find is
// what is looked for: find(text, from) gives its first place at or after
// from, or npos.
template <class Text, class Find>
class ForwardSearch {
public:
    explicit ForwardSearch(const Text& text, Find find = {}) : text_(text), find_(find) {}

    size_t AtOrAfter(size_t pos) {
        if (!searched_ || (hit_ != npos && hit_ < pos)) {
            hit_ = find_(text_, pos);
            searched_ = true;
        }
        return hit_;
    }

private:
    Text text_;
    Find find_;
    bool searched_ = false;
    size_t hit_ = npos;
};

// The anchors already in a line (made for an earlier key, or a cross
// reference), from "<A HREF=" to the first "</A>" after it. Escaped text
// holds no "<" of its own, so each one is markup that must stay whole.
template <class Text>
class AnchorSearch {
public:
    struct Anchor {
        size_t begin, end;  // no anchor: both are the line's size; one that ends after it: end is npos
    };

    // In the last piece of a line (or a whole line), "<A HREF=" without a
    // "</A>" after it is text; in an earlier piece the anchor ends later.
    AnchorSearch(const Text& line, bool last, const AnchorMarkup& markup)
        : line_(line), last_(last), markup_(markup) {}

    Anchor AtOrAfter(size_t pos) {
        if (!searched_ || next_.begin < pos) {
            searched_ = true;
            next_ = {line_.size(), line_.size()};
            const size_t open = line_.Find(markup_.start, pos);
            if (open == npos) return next_;
            const size_t close = line_.Find(markup_.end, open + 1);
            if (close != npos)
                next_ = {open, close + markup_.end.size()};
            else if (!last_)
                next_ = {open, npos};
        }
        return next_;
    }

private:
    Text line_;
    bool last_;
    const AnchorMarkup& markup_;
    bool searched_ = false;
    Anchor next_{};
};

enum class KeyKind { Mail, Web, News, Other };

KeyKind KindOf(std::string_view key) {
    if (key == "@") return KeyKind::Mail;
    if (key == "://") return KeyKind::Web;
    if (key == "news:") return KeyKind::News;
    return KeyKind::Other;
}

// An "@" at the end, or followed by a digit, space, punctuation below "A"
// or "^", is no address, and the text from there on is left alone.
template <class Text>
bool FailsMailGuard(const Text& text, size_t at) {
    if (at + 1 >= text.size()) return true;
    const auto next = static_cast<unsigned char>(text[at + 1]);
    return next < 'A' || next == '^';
}

bool IsSeparator(char c) { return c == '\t' || c == ';' || c == ' '; }

bool IsTrailing(char c) { return c == ')' || c == '.' || c == ',' || c == ';'; }

bool IsSchemeCharacter(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.'; }

// Where the candidate around the key at p begins: after the last tab, ";" or
// space between from and p (the references before an address all end in
// ";"), with one opening parenthesis left outside. A mail address that is
// the target of a Markdown link, "[text](mailto:joe@example.org)", begins
// after the last "](" before its "@" instead.
template <class Text>
size_t CandidateStart(const Text& text, size_t from, size_t p, KeyKind kind) {
    size_t s = p;
    while (s > from && !IsSeparator(text[s - 1])) {
        --s;
        if (text[s] == ']' && kind == KeyKind::Mail && s + 2 <= p && text[s + 1] == '(') return s + 2;
    }
    if (text[s] == '(') ++s;
    return s;
}

// The start of the scheme that ends just before the "://" at p, or npos
// when there is none (a scheme is a letter, then letters, digits, "+", "-"
// or "."). What lies before it stays in the text before the anchor.
template <class Text>
size_t SchemeStart(const Text& text, size_t s, size_t p) {
    size_t i = p;
    while (i > s && IsSchemeCharacter(text[i - 1])) --i;
    return i < p && IsAsciiLetter(text[i]) ? i : npos;
}

// Closing punctuation at the end of a candidate that would end at q goes
// back to the text after it. It never reaches into the key, which ends at keyEnd.
template <class Text>
size_t WithoutClosingPunctuation(const Text& text, size_t keyEnd, size_t q) {
    while (q > keyEnd && IsTrailing(text[q - 1])) --q;
    return q;
}

// Where a candidate that would end at q ends: closing punctuation leaves,
// and so does an escaped ">" or double quote whose ";" has just left.
template <class Text>
size_t TrimmedEnd(const Text& text, size_t keyEnd, size_t q) {
    for (;;) {
        q = WithoutClosingPunctuation(text, keyEnd, q);
        // q is at the ";" of the reference.
        constexpr size_t gt = markup::GreaterThan.size() - 1, quote = markup::Quote.size() - 1;
        if (q >= keyEnd + gt && q < text.size() && text.Matches(q - gt, markup::GreaterThan)) q -= gt;
        if (q < keyEnd + quote || q >= text.size() || !text.Matches(q - quote, markup::Quote)) return q;
        q -= quote;
    }
}

// The first escaped "<", ">" or double quote at or after from, or npos.
template <class Text>
size_t FindEscapedMarkup(const Text& text, size_t from) {
    for (size_t at = text.Find('&', from); at != npos; at = text.Find('&', at + 1))
        if (text.Matches(at, markup::GreaterThan) || text.Matches(at, markup::LessThan) ||
            text.Matches(at, markup::Quote))
            return at;
    return npos;
}

// Quotation marks around an address in running text ("`joe@example.org'",
// "«http://example.org/»") stay outside it: the marks that open at its
// start and those that close at its end, as characters of a page in each
// set. An apostrophe inside it stays ("O'Brien@example.ie").
struct QuotationMarks {
    std::string_view opening[5], closing[5];
};
constexpr QuotationMarks Latin1Marks{{"`", "'", "\xAB"}, {"'", "`", "\xBB"}};
constexpr QuotationMarks Utf8Marks{{"`", "'", "\u2018", "\u201C", "\u00AB"}, {"'", "`", "\u2019", "\u201D", "\u00BB"}};

const QuotationMarks& MarksOf(CharacterSet set) { return set == CharacterSet::Utf8 ? Utf8Marks : Latin1Marks; }

// Whether c may be the first or the last byte of a mark. Most candidates
// start and end with a letter, and are done with at once.
bool MayBeInMark(char c) { return c == '\'' || c == '`' || (c & 0x80) != 0; }

// The length of the opening mark at s (before the key at p), or of the
// closing mark that ends at q (after the key, which ends at keyEnd); 0 if none.
template <class Text>
size_t OpeningMark(const Text& text, size_t s, size_t p, CharacterSet set) {
    for (std::string_view mark : MarksOf(set).opening)
        if (!mark.empty() && mark.size() <= p - s && text.Matches(s, mark)) return mark.size();
    return 0;
}
template <class Text>
size_t ClosingMark(const Text& text, size_t keyEnd, size_t q, CharacterSet set) {
    for (std::string_view mark : MarksOf(set).closing)
        if (!mark.empty() && mark.size() <= q - keyEnd && text.Matches(q - mark.size(), mark)) return mark.size();
    return 0;
}

// Where a candidate that would start at s starts without the opening marks
// there; it never passes the key at p, which holds none.
template <class Text>
size_t WithoutOpeningQuotes(const Text& text, size_t s, size_t p, CharacterSet set) {
    while (const size_t mark = OpeningMark(text, s, p, set)) s += mark;
    return s;
}

// Where a candidate that would end at q ends without the closing marks at
// its end, each taking the closing punctuation before it along.
template <class Text>
size_t WithoutClosingQuotes(const Text& text, size_t keyEnd, size_t q, CharacterSet set) {
    while (const size_t mark = ClosingMark(text, keyEnd, q, set)) q = WithoutClosingPunctuation(text, keyEnd, q - mark);
    return q;
}

// What the link step looks for ahead of the candidate in hand.
struct Key {
    std::string_view key;
    template <class Text>
    size_t operator()(const Text& text, size_t from) const {
        return FindNoCase(text, key, from);
    }
};
struct Space {
    template <class Text>
    size_t operator()(const Text& text, size_t from) const {
        return text.Find(' ', from);
    }
};
struct EscapedGreaterThan {
    template <class Text>
    size_t operator()(const Text& text, size_t from) const {
        return FindNoCase(text, markup::GreaterThan, from);
    }
};
struct EscapedMarkup {
    template <class Text>
    size_t operator()(const Text& text, size_t from) const {
        return FindEscapedMarkup(text, from);
    }
};
struct LinkTextEnd {  // the "](" between the text and the target of a Markdown link
    template <class Text>
    size_t operator()(const Text& text, size_t from) const {
        return text.Find("]("sv, from);
    }
};

template <class Text>
bool HasLetterOrDigit(const Text& text, size_t from, size_t to) {
    for (size_t at = from; at < to; ++at)
        if (IsAsciiLetter(text[at]) || IsAsciiDigit(text[at])) return true;
    return false;
}

// Whether the link text [from, to) has the fewest characters a link text
// may have, counted as characters of set.
template <class Text>
bool LongEnoughToLink(const Text& text, size_t from, size_t to, CharacterSet set) {
    constexpr size_t Fewest = 6;
    if (set != CharacterSet::Utf8) return to - from >= Fewest;
    size_t characters = 0;
    for (size_t at = from; at < to && characters < Fewest; ++at)
        characters += (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
    return characters >= Fewest;
}

// Whether the candidate [c, q) may become a link; its key ends at keyEnd.
// A mail candidate holding "://" is a web address with a user in it,
// left whole to the web key, and one that starts with "@" names nobody. A
// web address needs a host after "://"; a news reference starts with
// "news:" (anything else is, say, a file called NEWS).
template <class Text>
bool MayLink(KeyKind kind, const Text& text, size_t c, size_t q, bool group, size_t keyEnd) {
    switch (kind) {
    case KeyKind::Mail:
        return text[c] != '@' && text.Prefix(q).Find("://"sv, c) == npos;
    case KeyKind::Web:
        return HasLetterOrDigit(text, keyEnd, q);
    case KeyKind::News:
        return group;
    case KeyKind::Other:
        break;
    }
    return true;
}

// The anchor for the candidate [c, q). It shows a "news:" group's name
// alone; the target drops a final "," or "." that the text keeps, and a
// group's target is rebuilt from the name it shows.
template <class Text, class Out>
void AppendAnchor(const Text& text, size_t c, size_t q, bool mail, bool group, const AnchorMarkup& markup, Out& out) {
    const size_t shown = group ? c + 5 : c;
    std::string_view scheme = mail ? "mailto:" : "";
    size_t target = c, targetEnd = q;
    if (group) {
        scheme = "news:";
        target = shown;
    } else if (targetEnd > target && (text[targetEnd - 1] == ',' || text[targetEnd - 1] == '.')) {
        --targetEnd;
    }
    out.append(markup.start).append(scheme);
    if (markup.href) {
        html::HrefWriter href;
        std::string part;
        text.ForEachPart(target, targetEnd, [&](std::string_view escaped) {
            part.clear();
            href.AddText(escaped, part);
            out.append(part);
        });
        part.clear();
        href.End(part);
        out.append(part);
    } else {
        text.AppendTo(out, target, targetEnd);
    }
    out.append(markup.text);
    text.AppendTo(out, shown, q);
    out.append(markup.end);
}

// Whether [from, to) starts with prefix, letter case ignored. Most
// candidates differ from every prefix in their first letter.
template <class Text>
bool StartsWithNoCase(const Text& text, size_t from, size_t to, std::string_view prefix) {
    return to - from >= prefix.size() && AsciiLower(text[from]) == AsciiLower(prefix[0]) &&
           MatchesNoCaseAt(text, from, prefix);
}

// Prefixes that stay plain text before an anchor, tested in this order.
constexpr std::string_view KeptPrefixes[] = {"mailto:", "URL:mailto:", "URL:"};

// Link detection for one key over one line, or one piece of it. The
// anchors already in the line are copied whole, and each stretch of text
// between them is linked as if it were a line of its own. Each search runs
// over the whole piece and carries its last hit over from one candidate to
// the next and from one stretch to the next, so no part of it is scanned
// twice.
template <class Text, class Out>
class Linker {
public:
    Linker(const Text& line, std::string_view key, CharacterSet set, LinkState& state, bool last,
           const AnchorMarkup& markup)
        : line_(line), key_(key), set_(set), kind_(KindOf(key)), state_(state), last_(last), markup_(markup),
          keys_(line, {key}), spaces_(line), greaterThans_(line), escapes_(line), linkTextEnds_(line),
          anchors_(line, last, markup) {}

    void Append(Out& out) {
        size_t from = 0;
        if (state_.in_anchor) {
            const size_t close = line_.Find(markup_.end, 0);
            if (close == npos) {
                line_.AppendTo(out, 0, line_.size());
                return;
            }
            from = close + markup_.end.size();
            state_ = {};
        }
        while (from < line_.size()) {
            const size_t p = state_.stopped ? npos : keys_.AtOrAfter(from);
            // Without a key, the last piece of a line is never searched for
            // anchors; an earlier one is, for what it hands on.
            if (p == npos && last_) break;
            const auto anchor = anchors_.AtOrAfter(from);
            if (p != npos && anchor.begin > p) state_.stopped = LinkStretch(from, anchor.begin, out);
            if (anchor.begin == line_.size()) break;
            state_.stopped = false;
            if (anchor.end == npos) {
                state_.in_anchor = true;
                break;
            }
            from = anchor.end;
        }
        line_.AppendTo(out, copied_, line_.size());
    }

private:
    // Each round handles the first candidate of the rest of the stretch
    // exactly as if that rest were a line of its own. True when a first "@"
    // that is no address ends the work on the stretch.
    bool LinkStretch(size_t begin, size_t end, Out& out) {
        const Text text = line_.Prefix(end);  // positions stay those of the line
        // Candidates cut short can share the place their end is first looked
        // for; the walk back from there passes no key character, so it is
        // worked out once for all of them.
        size_t endFrom = npos, endTo = npos;
        size_t rest = begin;  // where the text not yet handled begins
        for (;;) {
            const size_t p = keys_.AtOrAfter(rest);
            if (p == npos || p + key_.size() > end) return false;
            if (kind_ == KeyKind::Mail && FailsMailGuard(text, p)) return true;
            const size_t keyEnd = p + key_.size();
            size_t q = spaces_.AtOrAfter(p);
            if (q >= end) q = greaterThans_.AtOrAfter(p);
            if (q >= end) q = end;
            if (q != endFrom) {
                endFrom = q;
                endTo = TrimmedEnd(text, keyEnd, q);
            }
            q = endTo;
            if (const size_t cut = std::min(escapes_.AtOrAfter(keyEnd), linkTextEnds_.AtOrAfter(keyEnd)); cut < q)
                q = WithoutClosingPunctuation(text, keyEnd, cut);
            if (q > keyEnd && MayBeInMark(text[q - 1])) q = WithoutClosingQuotes(text, keyEnd, q, set_);
            LinkCandidate(text, rest, p, q, out);
            rest = q;
        }
    }

    // The candidate around the key at p, from after rest to q: an anchor,
    // with the text before it, or nothing yet (it stays as it stands).
    void LinkCandidate(const Text& text, size_t rest, size_t p, size_t q, Out& out) {
        size_t s = CandidateStart(text, rest, p, kind_);
        if (kind_ == KeyKind::Web) {
            s = SchemeStart(text, s, p);
            if (s == npos) return;
        }
        if (MayBeInMark(text[s])) s = WithoutOpeningQuotes(text, s, p, set_);
        size_t c = s;  // the candidate's text, after any prefix that stays outside the anchor
        for (std::string_view prefix : KeptPrefixes)
            if (StartsWithNoCase(text, c, q, prefix)) c += prefix.size();
        const bool group = StartsWithNoCase(text, c, q, "news:"sv);
        const size_t keyEnd = p + key_.size();
        if (c == q || !MayLink(kind_, text, c, q, group, keyEnd) || !LongEnoughToLink(text, group ? c + 5 : c, q, set_))
            return;
        line_.AppendTo(out, copied_, c);  // the text not yet written, with any prefix just passed over
        AppendAnchor(text, c, q, kind_ == KeyKind::Mail, group, markup_, out);
        copied_ = q;
    }

    Text line_;
    std::string_view key_;
    CharacterSet set_;
    KeyKind kind_;
    LinkState& state_;
    bool last_;
    const AnchorMarkup& markup_;
    ForwardSearch<Text, Key> keys_;
    ForwardSearch<Text, Space> spaces_;
    ForwardSearch<Text, EscapedGreaterThan> greaterThans_;
    ForwardSearch<Text, EscapedMarkup> escapes_;
    ForwardSearch<Text, LinkTextEnd> linkTextEnds_;
    AnchorSearch<Text> anchors_;
    size_t copied_ = 0;  // the line up to here is in the output already
};

}  // namespace

void AppendLinks(std::string_view piece, std::string_view key, std::string& out, CharacterSet set, LinkState& state,
                 bool last, const AnchorMarkup& anchors) {
    if (key.empty()) {
        out.append(piece);
        return;
    }
    // Room for a line dense with anchors, so that a long one is not copied
    // again and again as it grows; what is not written costs no memory.
    ReserveHuge(out, out.size() + 3 * piece.size());
    Linker<Flat, std::string>(piece, key, set, state, last, anchors).Append(out);
}

void AppendLinks(PagedText& piece, std::string_view key, PartWriter& out, CharacterSet set, LinkState& state,
                 bool last, const AnchorMarkup& anchors) {
    Linker<Paged, PartWriter>(Paged(piece, piece.size()), key, set, state, last, anchors).Append(out);
}

void AppendLinks(std::string_view line, std::string_view key, std::string& out, CharacterSet set,
                 const AnchorMarkup& anchors) {
    LinkState state;
    AppendLinks(line, key, out, set, state, true, anchors);
}

std::string MakeLinks(std::string_view line, std::string_view key, CharacterSet set) {
    std::string out;
    out.reserve(line.size() + line.size() / 2);
    AppendLinks(line, key, out, set);
    return out;
}

}  // namespace torvex
