// Link detection written the slow, obvious way, to check the real one
// against: 1-based positions, one candidate per level and the rest of the
// line handled by a recursive call on a copy. Quadratic and as deep as the
// line has candidates, so for short lines only.
#pragma once

#include <string>
#include <vector>

namespace torvex::testing {

// The links for key in a line that holds no anchor, in a page of UTF-8
// (the line must then be UTF-8) or of ISO 8859-1.
inline std::string ReferenceLinkStretch(const std::string& line, const std::string& key, bool utf8 = false) {
    const auto lower = [](std::string t) {
        for (char& ch : t)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        return t;
    };
    const auto sameNoCase = [&](const std::string& a, const std::string& b) { return lower(a) == lower(b); };
    const auto isLetter = [](char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); };
    const auto isDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
    const size_t len = line.size();
    const auto at = [&](size_t pos) { return line[pos - 1]; };
    const auto mid = [&](size_t from, size_t to) { return line.substr(from - 1, to + 1 - from); };
    // Position of what at or after start, letter case ignored; 0 if none.
    const auto inStr = [&](size_t start, const std::string& what) -> size_t {
        const size_t found = lower(line).find(lower(what), start - 1);
        return found == std::string::npos ? 0 : found + 1;
    };
    // Whether what starts at pos, exactly.
    const auto isAt = [&](size_t pos, const std::string& what) { return line.compare(pos - 1, what.size(), what) == 0; };

    const size_t p = inStr(1, key);
    if (key == "@" && p > 0) {
        if (p == len) return line;
        const auto next = static_cast<unsigned char>(at(p + 1));
        if (next < 'A' || next == '^') return line;
    }
    if (p == 0) return line;
    const size_t keyEnd = p + key.size();  // the first position after the key

    size_t q = inStr(p, " ");
    if (q == 0) q = inStr(p, "&gt;");
    if (q == 0) q = len + 1;

    size_t s = 1;
    for (size_t i = 1; i < p; ++i)
        if (at(i) == '\t' || at(i) == ';' || at(i) == ' ') s = i + 1;
    if (at(s) == '(') ++s;

    // A web address starts at its scheme: a letter, then letters, digits, "+", "-" or ".".
    bool linkable = true;
    if (key == "://") {
        size_t scheme = p;
        while (scheme > s && (isLetter(at(scheme - 1)) || isDigit(at(scheme - 1)) ||
                              std::string("+-.").find(at(scheme - 1)) != std::string::npos))
            --scheme;
        linkable = scheme < p && isLetter(at(scheme));
        if (linkable) s = scheme;
    }

    const auto dropPunctuation = [&] {
        while (q > keyEnd && std::string(").,;").find(at(q - 1)) != std::string::npos) --q;
    };
    for (;;) {
        dropPunctuation();
        if (q > 3 && q <= len && mid(q - 3, q) == "&gt;") q -= 3;
        if (!(q > 5 && q <= len && mid(q - 5, q) == "&quot;")) break;
        q -= 5;
    }
    for (size_t i = keyEnd; i < q; ++i) {
        if (isAt(i, "&gt;") || isAt(i, "&lt;") || isAt(i, "&quot;") || isAt(i, "](")) {
            q = i;
            dropPunctuation();
            break;
        }
    }
    if (key == "@")
        for (size_t i = s; i + 1 < p; ++i)
            if (isAt(i, "](")) s = i + 2;
    // Quotation marks around the candidate stay outside it.
    const std::vector<std::string> opening = utf8 ? std::vector<std::string>{"`", "'", "\u2018", "\u201C", "\u00AB"}
                                                  : std::vector<std::string>{"`", "'", "\xAB"};
    const std::vector<std::string> closing = utf8 ? std::vector<std::string>{"'", "`", "\u2019", "\u201D", "\u00BB"}
                                                  : std::vector<std::string>{"'", "`", "\xBB"};
    for (bool moved = true; moved;) {
        moved = false;
        for (const std::string& mark : opening)
            if (s < p && isAt(s, mark)) {
                s += mark.size();
                moved = true;
            }
    }
    for (bool moved = true; moved;) {
        moved = false;
        for (const std::string& mark : closing)
            if (q >= keyEnd + mark.size() && isAt(q - mark.size(), mark)) {
                q -= mark.size();
                dropPunctuation();
                moved = true;
            }
    }

    std::string c = mid(s, q - 1);
    for (const std::string prefix : {"mailto:", "URL:mailto:", "URL:"}) {
        if (sameNoCase(c.substr(0, prefix.size()), prefix)) {
            c.erase(0, prefix.size());
            s += prefix.size();
        }
    }
    if (c.empty()) linkable = false;
    if (key == "@" && (c.find("://") != std::string::npos || c[0] == '@')) linkable = false;
    if (key == "news:" && !sameNoCase(c.substr(0, 5), "news:")) linkable = false;
    if (key == "://") {
        bool named = false;
        for (size_t i = keyEnd; i < q; ++i) named = named || isLetter(at(i)) || isDigit(at(i));
        if (!named) linkable = false;
    }

    std::string t = key == "@" ? "mailto:" + c : c;
    if (!t.empty() && (t.back() == ',' || t.back() == '.')) t.pop_back();
    std::string shown = c;
    if (sameNoCase(c.substr(0, 5), "news:")) {
        shown = c.substr(5);
        t = "news:" + shown;
    }
    // A candidate that cannot be linked goes back as it stood, "news:" and all.
    size_t characters = 0;
    for (char ch : shown) characters += !utf8 || (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    const std::string piece = linkable && characters >= 6 ? "<A HREF=\"" + t + "\">" + shown + "</A>" : c;
    return mid(1, s - 1) + piece + ReferenceLinkStretch(line.substr(q - 1), key, utf8);
}

// Anchors already in the line, from "<A HREF=" to the next "</A>", are kept
// as they are; each stretch around them is linked as a line of its own.
inline std::string ReferenceMakeLinks(const std::string& line, const std::string& key, bool utf8 = false) {
    const size_t open = line.find("<A HREF=\"");
    const size_t close = open == std::string::npos ? open : line.find("</A>", open + 9);
    if (close == std::string::npos) return ReferenceLinkStretch(line, key, utf8);
    return ReferenceLinkStretch(line.substr(0, open), key, utf8) + line.substr(open, close + 4 - open) +
           ReferenceMakeLinks(line.substr(close + 4), key, utf8);
}

}  // namespace torvex::testing
