#include "page_names.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace torvex {

namespace {

// Letters are lowered as characters when the name is UTF-8, so that "É"
// becomes "é" as it does in the window's own text; bytes that are not
// UTF-8 stay as they are, but for ASCII letters.
locale_t Utf8Locale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

// The UTF-8 sequence at text[i]: its character and length, or length 0.
size_t DecodeUtf8(const std::string& text, size_t i, char32_t& c) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                                         : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < Least[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0;
    return length;
}

void EncodeUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
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
        EncodeUtf8(c, lower);
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

std::string FileNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace torvex
