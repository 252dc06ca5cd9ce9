// Section-label operations written as plainly as they are described:
// 1-based positions and a recursion over the rest of the line. The fuzz
// targets compare the engine's faster forms with these.
#pragma once

#include <string>

namespace torvex::reference {

// 1-based position of c in s at or after position from, 0 if none.
inline size_t Find(const std::string& s, char c, size_t from = 1) {
    for (size_t i = from; i <= s.size(); ++i)
        if (s[i - 1] == c) return i;
    return 0;
}

inline std::string Mid(const std::string& s, size_t start, size_t length = std::string::npos) {
    if (start > s.size()) return {};
    return s.substr(start - 1, length);
}

inline std::string Trim(const std::string& s) {
    size_t a = 1, b = s.size();
    while (a <= b && s[a - 1] == ' ') ++a;
    while (b >= a && s[b - 1] == ' ') --b;
    return a > b ? std::string() : Mid(s, a, b - a + 1);
}

inline std::string PageFileName(const std::string& s) {
    const size_t p = Find(s, '[');
    if (p == 0) return {};
    const size_t q = Find(s, ']', p);
    if (q == 0) return {};
    std::string n = Mid(s, p + 1, q - p - 1);
    if (n.empty()) n = "_";
    for (char& c : n)
        if (c == '.' || c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    return n + ".html";
}

inline std::string LinkCrossReferences(const std::string& s) {
    const size_t p = Find(s, '[');
    if (p == 0) return s;
    if (p > 1 && s[p - 2] == '#') return s;
    const size_t q = Find(s, ']', p);
    if (q == 0) return s;
    const std::string f = PageFileName(s);
    if (Trim(s).starts_with("["))
        return Mid(s, 1, q) + " <A HREF=\"" + f + "\">" + Mid(s, q + 2) + "</A><BR>";
    return Mid(s, 1, p - 1) + "<A HREF=\"" + f + "\">" + Mid(s, p, q - p + 1) + "</A>" +
           LinkCrossReferences(Mid(s, q + 1));
}

}  // namespace torvex::reference
