#include "links.h"

#include <cstring>

#include "any_byte.h"
#include "huge_buffer.h"

namespace torvex {

namespace {

using namespace std::string_view_literals;

constexpr auto npos = std::string_view::npos;

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

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

}  // namespace

bool MayHoldLinks(std::string_view line) {
    return AnyByte(
        line, [](ByteBlock v) { return (v == '@') | (v == ':'); }, [](char c) { return c == '@' || c == ':'; });
}

bool ContainsKey(std::string_view line, std::string_view key) { return FindNoCase(line, key, 0) != npos; }

namespace {

// A forward search asked again and again from positions that only grow.
// It remembers its last hit, so no stretch of the line is scanned twice:
// a line without spaces must not be rescanned for one per address.
class ForwardSearch {
public:
    ForwardSearch(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {}

    size_t AtOrAfter(size_t pos) {
        if (!searched_ || (hit_ != npos && hit_ < pos)) {
            hit_ = FindNoCase(text_, pattern_, pos);
            searched_ = true;
        }
        return hit_;
    }

private:
    std::string_view text_, pattern_;
    bool searched_ = false;
    size_t hit_ = npos;
};

// An "@" at the end, or followed by a digit, space, punctuation below "A"
// or "^", is no address, and the text from there on is left alone.
bool FailsMailGuard(std::string_view line, size_t at) {
    if (at + 1 >= line.size()) return true;
    const auto next = static_cast<unsigned char>(line[at + 1]);
    return next < 'A' || next == '^';
}

bool IsSeparator(char c) { return c == '\t' || c == ';' || c == ' '; }

bool IsTrailing(char c) { return c == ')' || c == '.' || c == ',' || c == ';'; }

// Where the candidate around the key at p begins: after the last tab, ";" or
// space between from and p (the references before an address all end in
// ";"), with one opening parenthesis left outside.
size_t CandidateStart(std::string_view line, size_t from, size_t p) {
    size_t s = p;
    while (s > from && !IsSeparator(line[s - 1])) --s;
    if (line[s] == '(') ++s;
    return s;
}

// Where the candidate ends, given the first character after it: closing
// punctuation goes back to the text, and so does an escaped ">" whose ";"
// has just gone back. Never cuts into the key, which ends at keyEnd.
size_t CandidateEnd(std::string_view line, size_t keyEnd, size_t q) {
    while (q > keyEnd && IsTrailing(line[q - 1])) --q;
    if (q >= keyEnd + 3 && q < line.size() && line.substr(q - 3, 4) == "&gt;") q -= 3;
    return q;
}

// What a link shows is too short to be an address below six characters.
bool TooShortToLink(std::string_view shown, CharacterSet set) { return CharacterCount(shown, set) < 6; }

// The anchor for candidate c, or c itself when what would be shown is too
// short to be an address. A "news:" group shows its name alone; if the name
// is too short, the candidate goes back whole, "news:" included.
void AppendCandidate(std::string_view c, bool mail, CharacterSet set, std::string& out) {
    std::string_view shown = c, scheme = mail ? "mailto:" : "", target = c;
    if (!target.empty() && (target.back() == ',' || target.back() == '.')) target.remove_suffix(1);
    if (StartsWithNoCase(c, "news:")) {
        shown = target = c.substr(5);
        scheme = "news:";
    }
    if (TooShortToLink(shown, set)) {
        out.append(c);
        return;
    }
    out.append("<A HREF=\""sv).append(scheme).append(target).append("\">"sv).append(shown).append("</A>"sv);
}

}  // namespace

// Prefixes that stay plain text before an anchor, tested in this order.
constexpr std::string_view KeptPrefixes[] = {"mailto:", "URL:mailto:", "URL:"};

void AppendLinks(std::string_view line, std::string_view key, std::string& out, CharacterSet set) {
    if (key.empty()) {
        out.append(line);
        return;
    }
    // Each round handles the first candidate of the rest of the line exactly
    // as if that rest were a line of its own; nothing before it is looked at
    // again, and the searches for spaces and "&gt;" carry over between rounds.
    // Room for a line dense with anchors, so that a long one is not copied
    // again and again as it grows; what is not written costs no memory.
    ReserveHuge(out, out.size() + 3 * line.size());
    const bool mail = key == "@";
    ForwardSearch spaces(line, " "), greaterThans(line, "&gt;");
    size_t rest = 0;  // where the text not yet handled begins
    for (;;) {
        const size_t p = FindNoCase(line, key, rest);
        if (p == npos || (mail && FailsMailGuard(line, p))) break;
        size_t q = spaces.AtOrAfter(p);
        if (q == npos) q = greaterThans.AtOrAfter(p);
        if (q == npos) q = line.size();
        const size_t s = CandidateStart(line, rest, p);
        q = CandidateEnd(line, p + key.size(), q);

        std::string_view c = line.substr(s, q - s);
        for (std::string_view prefix : KeptPrefixes)
            if (StartsWithNoCase(c, prefix)) c.remove_prefix(prefix.size());
        // The text before, with any prefix just taken off the candidate.
        out.append(line.substr(rest, static_cast<size_t>(c.data() - line.data()) - rest));
        AppendCandidate(c, mail, set, out);
        rest = q;
    }
    out.append(line.substr(rest));
}

std::string MakeLinks(std::string_view line, std::string_view key, CharacterSet set) {
    std::string out;
    out.reserve(line.size() + line.size() / 2);
    AppendLinks(line, key, out, set);
    return out;
}

}  // namespace torvex
