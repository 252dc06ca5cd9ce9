// Link detection written the slow, obvious way, to check the real one
// against: 1-based positions, one candidate per level and the rest of the
// line handled by a recursive call on a copy. Quadratic and as deep as the
// line has candidates, so for short lines only.
#pragma once

#include <string>

namespace torvex::testing {

inline std::string ReferenceMakeLinks(const std::string& line, const std::string& key) {
    const auto lower = [](std::string t) {
        for (char& ch : t)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        return t;
    };
    const auto sameNoCase = [&](const std::string& a, const std::string& b) { return lower(a) == lower(b); };
    const size_t len = line.size();
    const auto at = [&](size_t pos) { return line[pos - 1]; };
    const auto mid = [&](size_t from, size_t to) { return line.substr(from - 1, to + 1 - from); };
    // Position of what at or after start, letter case ignored; 0 if none.
    const auto inStr = [&](size_t start, const std::string& what) -> size_t {
        const size_t found = lower(line).find(lower(what), start - 1);
        return found == std::string::npos ? 0 : found + 1;
    };

    const size_t p = inStr(1, key);
    if (key == "@" && p > 0) {
        if (p == len) return line;
        const auto next = static_cast<unsigned char>(at(p + 1));
        if (next < 'A' || next == '^') return line;
    }
    if (p == 0) return line;

    size_t q = inStr(p, " ");
    if (q == 0) q = inStr(p, "&gt;");
    if (q == 0) q = len + 1;

    size_t s = 1;
    for (size_t i = 1; i < p; ++i)
        if (at(i) == '\t' || at(i) == ';' || at(i) == ' ') s = i + 1;
    if (at(s) == '(') ++s;

    while (q > s && std::string(").,;").find(at(q - 1)) != std::string::npos) --q;
    if (q > 3 && q <= len && mid(q - 3, q) == "&gt;") q -= 3;

    std::string c = mid(s, q - 1);
    for (const std::string prefix : {"mailto:", "URL:mailto:", "URL:"}) {
        if (sameNoCase(c.substr(0, prefix.size()), prefix)) {
            c.erase(0, prefix.size());
            s += prefix.size();
        }
    }
    std::string t = key == "@" ? "mailto:" + c : c;
    if (!t.empty() && (t.back() == ',' || t.back() == '.')) t.pop_back();
    std::string shown = c;
    if (sameNoCase(c.substr(0, 5), "news:")) {
        shown = c.substr(5);
        t = "news:" + shown;
    }
    // A candidate too short to link goes back as it stood, "news:" and all.
    const std::string piece = shown.size() >= 6 ? "<A HREF=\"" + t + "\">" + shown + "</A>" : c;
    return mid(1, s - 1) + piece + ReferenceMakeLinks(line.substr(q - 1), key);
}

}  // namespace torvex::testing
