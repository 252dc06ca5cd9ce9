#include "title.h"

#include "page_markup.h"
#include "utf8.h"

namespace torvex {

std::u32string TitleFromUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t value = 0;
        const size_t length = DecodeUtf8(text, i, value);
        if (length == 0) {
            out.push_back(static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            out.push_back(value);
            i += length;
        }
    }
    return out;
}

std::u32string TitleFromLine(std::string_view line, CharacterSet set) {
    if (set == CharacterSet::Utf8) return TitleFromUtf8(line);
    std::u32string out;
    out.reserve(line.size());
    for (char c : line) out.push_back(static_cast<unsigned char>(c));
    return out;
}

std::string EncodeTitle(std::u32string_view title, CharacterSet set) {
    std::string out;
    out.reserve(title.size());
    for (char32_t c : title) {
        if (set == CharacterSet::Utf8)
            AppendUtf8(c, out);
        else if (c <= 0xFF)
            out.push_back(static_cast<char>(c));
        else
            out += markup::CharacterReference(c);
    }
    return out;
}

}  // namespace torvex
