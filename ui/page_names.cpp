#include "page_names.h"

#include <cwctype>
#include <locale.h>

#include "utf8.h"

namespace torvex {

namespace {

// Letters are lowered as characters when the name is UTF-8, so that "É"
// becomes "é" as it does in the window's own text; bytes that are not
// UTF-8 stay as they are, but for ASCII letters.
locale_t Utf8Locale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

std::string Lowered(const std::string& text) {
    std::string lower;
    lower.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const size_t length = DecodeUtf8(text, i, c);
        if (length == 0) {  // not UTF-8: the byte as it is
            lower += text[i++];
            continue;
        }
        if (c < 0x80)
            c = c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
        else if (Utf8Locale() != static_cast<locale_t>(nullptr))
            c = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), Utf8Locale()));
        AppendUtf8(c, lower);
        i += length;
    }
    return lower;
}

}  // namespace

// Names on this system are case-sensitive, so only the file's own name is
// lowered: lowering the folder would point at a folder that may not exist.
std::string DerivedPageName(const std::string& name) {
    const size_t start = name.rfind('/') + 1;  // 0 without a folder
    std::string file = name.substr(start);
    if (const size_t dot = file.find('.'); dot != std::string::npos && dot >= 1) file.resize(dot);
    return name.substr(0, start) + Lowered(file) + ".html";
}

std::string BatchPageName(const std::string& name) {
    const size_t start = name.rfind('/') + 1;
    const size_t dot = name.rfind('.');
    const bool extension = dot != std::string::npos && dot > start;
    return (extension ? name.substr(0, dot) : name) + ".html";
}

}  // namespace torvex
