#include "links.h"

#include <algorithm>
#include <cstring>

#include "any_byte.h"
#include "huge_buffer.h"
#include "page_markup.h"

namespace torvex {

namespace {

using namespace std::string_view_literals;

constexpr auto npos = std::string_view::npos;

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// First position at or after from where pattern occurs, ignoring ASCII letter
// case. The scan runs on memchr for a character of the pattern that has no
// other case (the ":" of "news:"), which keeps long plain text cheap.
size_t FindNoCase(std::string_view text, std::string_view pattern, size_t from) {
    const size_t n = text.size(), k = pattern.size();
    if (k == 0 || k > n || from > n - k) return npos;
    size_t a = 0;
    while (a < k && IsAsciiLetter(pattern[a])) ++a;
    if (a == k) {
        for (size_t i = from; i <= n - k; ++i)
            if (EqualNoCase(text.substr(i, k), pattern)) return i;
        return npos;
    }
    const size_t last = n - k + a;  // the anchor character's last possible place
    for (size_t i = from + a; i <= last; ++i) {
        const void* hit = std::memchr(text.data() + i, pattern[a], last - i + 1);
        if (hit == nullptr) return npos;
        i = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
        if (EqualNoCase(text.substr(i - a, k), pattern)) return i - a;
    }
    return npos;
}

// First position at or after from where pattern occurs exactly, found by
// memchr on its first character.
size_t FindExact(std::string_view text, std::string_view pattern, size_t from) {
    for (size_t at = text.find(pattern[0], from); at != npos; at = text.find(pattern[0], at + 1))
        if (text.size() - at >= pattern.size() && std::memcmp(text.data() + at, pattern.data(), pattern.size()) == 0)
            return at;
    return npos;
}

}  // namespace

bool MayHoldLinks(std::string_view line) {
    return AnyByte(
        line, [](ByteBlock v) { return (v == '@') | (v == ':'); }, [](char c) { return c == '@' || c == ':'; });
}

bool ContainsKey(std::string_view line, std::string_view key) { return FindNoCase(line, key, 0) != npos; }

namespace {

// A forward search asked again and again from positions that only grow.
// It remembers its last hit, so no stretch of the line is scanned twice:
// a line without spaces must not be rescanned for one per address. Find is
// what is looked for: find(text, from) gives its first place at or after
// from, or npos.
template <class Find>
class ForwardSearch {
public:
    explicit ForwardSearch(std::string_view text, Find find = {}) : text_(text), find_(find) {}

    size_t AtOrAfter(size_t pos) {
        if (!searched_ || (hit_ != npos && hit_ < pos)) {
            hit_ = find_(text_, pos);
            searched_ = true;
        }
        return hit_;
    }

private:
    std::string_view text_;
    Find find_;
    bool searched_ = false;
    size_t hit_ = npos;
};

// The anchors already in a line (made for an earlier key, or a cross
// reference), from "<A HREF=" to the first "</A>" after it. Escaped text
// holds no "<" of its own, so each one is markup that must stay whole.
class AnchorSearch {
public:
    struct Anchor {
        size_t begin, end;  // no anchor: both are the line's size; one that ends after it: end is npos
    };

    // In the last piece of a line (or a whole line), "<A HREF=" without a
    // "</A>" after it is text; in an earlier piece the anchor ends later.
    AnchorSearch(std::string_view line, bool last) : line_(line), last_(last) {}

    Anchor AtOrAfter(size_t pos) {
        if (!searched_ || next_.begin < pos) {
            searched_ = true;
            next_ = {line_.size(), line_.size()};
            const size_t open = FindExact(line_, markup::AnchorStart, pos);
            if (open == npos) return next_;
            const size_t close = FindExact(line_, markup::AnchorEnd, open + 1);
            if (close != npos)
                next_ = {open, close + markup::AnchorEnd.size()};
            else if (!last_)
                next_ = {open, npos};
        }
        return next_;
    }

private:
    std::string_view line_;
    bool last_;
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
bool FailsMailGuard(std::string_view text, size_t at) {
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
size_t CandidateStart(std::string_view text, size_t from, size_t p, KeyKind kind) {
    size_t s = p;
    while (s > from && !IsSeparator(text[s - 1])) {
        --s;
        if (kind == KeyKind::Mail && text[s] == ']' && s + 2 <= p && text[s + 1] == '(') return s + 2;
    }
    if (text[s] == '(') ++s;
    return s;
}

// The start of the scheme that ends just before the "://" at p, or npos
// when there is none (a scheme is a letter, then letters, digits, "+", "-"
// or "."). What lies before it stays in the text before the anchor.
size_t SchemeStart(std::string_view text, size_t s, size_t p) {
    size_t i = p;
    while (i > s && IsSchemeCharacter(text[i - 1])) --i;
    return i < p && IsAsciiLetter(text[i]) ? i : npos;
}

// Closing punctuation at the end of a candidate that would end at q goes
// back to the text after it. It never reaches into the key, which ends at keyEnd.
size_t WithoutClosingPunctuation(std::string_view text, size_t keyEnd, size_t q) {
    while (q > keyEnd && IsTrailing(text[q - 1])) --q;
    return q;
}

// Where a candidate that would end at q ends: closing punctuation leaves,
// and so does an escaped ">" or double quote whose ";" has just left.
size_t TrimmedEnd(std::string_view text, size_t keyEnd, size_t q) {
    for (;;) {
        q = WithoutClosingPunctuation(text, keyEnd, q);
        // q is at the ";" of the reference.
        constexpr size_t gt = markup::GreaterThan.size() - 1, quote = markup::Quote.size() - 1;
        if (q >= keyEnd + gt && q < text.size() && text.substr(q - gt, gt + 1) == markup::GreaterThan) q -= gt;
        if (q < keyEnd + quote || q >= text.size() || text.substr(q - quote, quote + 1) != markup::Quote) return q;
        q -= quote;
    }
}

// The first escaped "<", ">" or double quote at or after from, or npos.
size_t FindEscapedMarkup(std::string_view text, size_t from) {
    for (size_t at = text.find('&', from); at != npos; at = text.find('&', at + 1)) {
        const std::string_view rest = text.substr(at);
        if (rest.starts_with(markup::GreaterThan) || rest.starts_with(markup::LessThan) || rest.starts_with(markup::Quote))
            return at;
    }
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

// The length of the mark that text starts with (or ends with, for the
// closing marks), 0 if none.
size_t OpeningMark(std::string_view text, CharacterSet set) {
    for (std::string_view mark : MarksOf(set).opening)
        if (!mark.empty() && text.starts_with(mark)) return mark.size();
    return 0;
}
size_t ClosingMark(std::string_view text, CharacterSet set) {
    for (std::string_view mark : MarksOf(set).closing)
        if (!mark.empty() && text.ends_with(mark)) return mark.size();
    return 0;
}

// Where a candidate that would start at s starts without the opening marks
// there; it never passes the key at p, which holds none.
size_t WithoutOpeningQuotes(std::string_view text, size_t s, size_t p, CharacterSet set) {
    while (const size_t mark = OpeningMark(text.substr(s, p - s), set)) s += mark;
    return s;
}

// Where a candidate that would end at q ends without the closing marks at
// its end, each taking the closing punctuation before it along.
size_t WithoutClosingQuotes(std::string_view text, size_t keyEnd, size_t q, CharacterSet set) {
    while (const size_t mark = ClosingMark(text.substr(keyEnd, q - keyEnd), set))
        q = WithoutClosingPunctuation(text, keyEnd, q - mark);
    return q;
}

// What the link step looks for ahead of the candidate in hand.
struct Key {
    std::string_view key;
    size_t operator()(std::string_view text, size_t from) const { return FindNoCase(text, key, from); }
};
struct Space {
    size_t operator()(std::string_view text, size_t from) const { return text.find(' ', from); }
};
struct EscapedGreaterThan {
    size_t operator()(std::string_view text, size_t from) const { return FindNoCase(text, markup::GreaterThan, from); }
};
struct EscapedMarkup {
    size_t operator()(std::string_view text, size_t from) const { return FindEscapedMarkup(text, from); }
};
struct LinkTextEnd {  // the "](" between the text and the target of a Markdown link
    size_t operator()(std::string_view text, size_t from) const { return FindExact(text, "](", from); }
};

bool HasLetterOrDigit(std::string_view text) {
    for (char c : text)
        if (IsAsciiLetter(c) || IsAsciiDigit(c)) return true;
    return false;
}

// The fewest characters a link text may have.
bool LongEnoughToLink(std::string_view shown, CharacterSet set) { return CharacterCount(shown, set) >= 6; }

// Whether candidate c may become a link; afterKey is its text after the
// key. A mail candidate holding "://" is a web address with a user in it,
// left whole to the web key, and one that starts with "@" names nobody. A
// web address needs a host after "://"; a news reference starts with
// "news:" (anything else is, say, a file called NEWS).
bool MayLink(KeyKind kind, std::string_view c, bool group, std::string_view afterKey) {
    switch (kind) {
    case KeyKind::Mail:
        return c.front() != '@' && c.find("://"sv) == npos;
    case KeyKind::Web:
        return HasLetterOrDigit(afterKey);
    case KeyKind::News:
        return group;
    case KeyKind::Other:
        break;
    }
    return true;
}

// What an anchor for candidate c shows: a "news:" group shows its name alone.
std::string_view Shown(std::string_view c, bool group) { return group ? c.substr(5) : c; }

// The anchor for candidate c. The target drops a final "," or "." that the
// text keeps, and a group's target is rebuilt from the name it shows.
void AppendAnchor(std::string_view c, bool mail, bool group, std::string& out) {
    std::string_view shown = Shown(c, group), scheme = mail ? "mailto:" : "", target = c;
    if (group) {
        scheme = "news:";
        target = shown;
    } else if (!target.empty() && (target.back() == ',' || target.back() == '.')) {
        target.remove_suffix(1);
    }
    out.append(markup::AnchorStart).append(scheme).append(target).append(markup::AnchorText).append(shown).append(
        markup::AnchorEnd);
}

// Prefixes that stay plain text before an anchor, tested in this order.
constexpr std::string_view KeptPrefixes[] = {"mailto:", "URL:mailto:", "URL:"};

// Link detection for one key over one line, or one piece of it. The
// anchors already in the line are copied whole, and each stretch of text
// between them is linked as if it were a line of its own. Each search runs
// over the whole piece and carries its last hit over from one candidate to
// the next and from one stretch to the next, so no part of it is scanned
// twice.
class Linker {
public:
    Linker(std::string_view line, std::string_view key, CharacterSet set, LinkState& state, bool last)
        : line_(line), key_(key), set_(set), kind_(KindOf(key)), state_(state), last_(last), keys_(line, {key}),
          spaces_(line), greaterThans_(line), escapes_(line), linkTextEnds_(line), anchors_(line, last) {}

    void Append(std::string& out) {
        size_t from = 0;
        if (state_.in_anchor) {
            const size_t close = FindExact(line_, markup::AnchorEnd, 0);
            if (close == npos) {
                out.append(line_);
                return;
            }
            from = close + markup::AnchorEnd.size();
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
        out.append(line_.substr(copied_));
    }

private:
    // Each round handles the first candidate of the rest of the stretch
    // exactly as if that rest were a line of its own. True when a first "@"
    // that is no address ends the work on the stretch.
    bool LinkStretch(size_t begin, size_t end, std::string& out) {
        const std::string_view text = line_.substr(0, end);  // positions stay those of the line
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
    void LinkCandidate(std::string_view text, size_t rest, size_t p, size_t q, std::string& out) {
        size_t s = CandidateStart(text, rest, p, kind_);
        if (kind_ == KeyKind::Web) {
            s = SchemeStart(text, s, p);
            if (s == npos) return;
        }
        if (MayBeInMark(text[s])) s = WithoutOpeningQuotes(text, s, p, set_);
        std::string_view c = text.substr(s, q - s);
        for (std::string_view prefix : KeptPrefixes)
            if (StartsWithNoCase(c, prefix)) c.remove_prefix(prefix.size());
        const bool group = StartsWithNoCase(c, "news:");
        const size_t keyEnd = p + key_.size();
        if (c.empty() || !MayLink(kind_, c, group, text.substr(keyEnd, q - keyEnd)) ||
            !LongEnoughToLink(Shown(c, group), set_))
            return;
        // The text not yet written, with any prefix just taken off the candidate.
        const size_t start = static_cast<size_t>(c.data() - text.data());
        out.append(line_.substr(copied_, start - copied_));
        AppendAnchor(c, kind_ == KeyKind::Mail, group, out);
        copied_ = q;
    }

    std::string_view line_, key_;
    CharacterSet set_;
    KeyKind kind_;
    LinkState& state_;
    bool last_;
    ForwardSearch<Key> keys_;
    ForwardSearch<Space> spaces_;
    ForwardSearch<EscapedGreaterThan> greaterThans_;
    ForwardSearch<EscapedMarkup> escapes_;
    ForwardSearch<LinkTextEnd> linkTextEnds_;
    AnchorSearch anchors_;
    size_t copied_ = 0;  // the line up to here is in the output already
};

}  // namespace

void AppendLinks(std::string_view piece, std::string_view key, std::string& out, CharacterSet set, LinkState& state,
                 bool last) {
    if (key.empty()) {
        out.append(piece);
        return;
    }
    // Room for a line dense with anchors, so that a long one is not copied
    // again and again as it grows; what is not written costs no memory.
    ReserveHuge(out, out.size() + 3 * piece.size());
    Linker(piece, key, set, state, last).Append(out);
}

void AppendLinks(std::string_view line, std::string_view key, std::string& out, CharacterSet set) {
    LinkState state;
    AppendLinks(line, key, out, set, state, true);
}

std::string MakeLinks(std::string_view line, std::string_view key, CharacterSet set) {
    std::string out;
    out.reserve(line.size() + line.size() / 2);
    AppendLinks(line, key, out, set);
    return out;
}

}  // namespace torvex
