#include "language_tag.h"

#include <vector>

namespace torvex {

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsAlpha(c) || IsDigit(c); }

template <class Test>
bool All(std::string_view text, Test test) {
    for (char c : text)
        if (!test(c)) return false;
    return true;
}

}  // namespace

// language[-extlang][-script][-region][-variant...][-extension...][-x-private...], or x-private alone.
bool WellFormedLanguageTag(std::string_view tag) {
    std::vector<std::string_view> parts;
    for (size_t at = 0;;) {
        const size_t dash = std::min(tag.find('-', at), tag.size());
        parts.push_back(tag.substr(at, dash - at));
        if (dash == tag.size()) break;
        at = dash + 1;
    }
    for (std::string_view part : parts)
        if (part.empty() || part.size() > 8 || !All(part, IsAlnum)) return false;
    size_t i = 0;
    const auto privateUse = [&] {  // "x-" and one or more subtags of 1 to 8
        return parts[i].size() == 1 && (parts[i][0] == 'x' || parts[i][0] == 'X') && i + 1 < parts.size();
    };
    if (privateUse()) return true;
    // language: 2 or 3 letters (with up to three extlangs of 3), or 4, or 5 to 8.
    if (!All(parts[i], IsAlpha) || parts[i].size() < 2) return false;
    const bool shortLanguage = parts[i].size() <= 3;
    ++i;
    for (int ext = 0; shortLanguage && ext < 3 && i < parts.size() && parts[i].size() == 3 && All(parts[i], IsAlpha);
         ++ext)
        ++i;
    if (i < parts.size() && parts[i].size() == 4 && All(parts[i], IsAlpha)) ++i;  // script
    if (i < parts.size() && ((parts[i].size() == 2 && All(parts[i], IsAlpha)) ||
                             (parts[i].size() == 3 && All(parts[i], IsDigit))))
        ++i;  // region
    while (i < parts.size() && ((parts[i].size() >= 5) || (parts[i].size() == 4 && IsDigit(parts[i][0])))) ++i;  // variants
    while (i < parts.size() && parts[i].size() == 1 && !(parts[i][0] == 'x' || parts[i][0] == 'X')) {  // extensions
        ++i;
        if (i == parts.size() || parts[i].size() < 2) return false;
        while (i < parts.size() && parts[i].size() >= 2) ++i;
    }
    if (i < parts.size() && privateUse()) return true;
    return i == parts.size();
}

}  // namespace torvex
