#include "modern_markup.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "any_byte.h"
#include "product.h"
#include "utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace torvex {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c); }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// What a byte of a page's text is.
enum Class : std::uint8_t {
    Copy,
    Reference,  // & < > "
    Control,    // C0 controls but the tab: their pictures
    Space,      // the form feed: white space
    Delete,
    C2,         // may start a C1 control (C2 80 to C2 9F)
    EF,         // may start a noncharacter of the first plane (U+FDD0 to U+FDEF, U+FFFE, U+FFFF)
    Four,       // starts a four-byte character: a noncharacter when it ends in FFFE or FFFF
};

constexpr std::array<Class, 256> MakeClasses() {
    std::array<Class, 256> classes{};
    for (int c = 0; c < 32; ++c) classes[c] = Control;
    classes['\t'] = Copy;
    classes['\f'] = Space;
    classes['&'] = classes['<'] = classes['>'] = classes['"'] = Reference;
    classes[0x7F] = Delete;
    classes[0xC2] = C2;
    classes[0xEF] = EF;
    for (int c = 0xF0; c < 0x100; ++c) classes[c] = Four;
    return classes;
}

constexpr auto Classes = MakeClasses();

// The bytes Classes does not copy, found with few operations: the controls
// but TAB (the three high bits clear), "&" and the double quote (alike but
// for bit 2), "<" and ">" (but for bit 1), DEL, C2 and EF, F0 to FF.
inline ByteBlock SpecialBytes(ByteBlock v) {
    return (((v & 0xE0) == 0) & (v != '\t')) | ((v | 0x04) == '&') | ((v | 0x02) == '>') | (v == 0x7F) | (v == 0xC2) |
           (v == 0xEF) | ((v & 0xF0) == 0xF0);
}

// The special bytes of the sixteen at `at` as a mask of 16 bits, and with
// links "@" and ":" too.
template <bool Links>
std::uint32_t SpecialMask(const char* at) {
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const auto is = [&](__m128i x, char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); };
    const auto masked = [&](char bits) { return _mm_and_si128(v, _mm_set1_epi8(bits)); };
    __m128i hits = _mm_andnot_si128(is(v, '\t'), is(masked('\xE0'), 0));
    hits = _mm_or_si128(hits, is(_mm_or_si128(v, _mm_set1_epi8(0x04)), '&'));
    hits = _mm_or_si128(hits, is(_mm_or_si128(v, _mm_set1_epi8(0x02)), '>'));
    hits = _mm_or_si128(hits, _mm_or_si128(is(v, 0x7F), is(v, '\xC2')));
    hits = _mm_or_si128(hits, _mm_or_si128(is(v, '\xEF'), is(masked('\xF0'), '\xF0')));
    if (Links) hits = _mm_or_si128(hits, _mm_or_si128(is(v, '@'), is(v, ':')));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(hits));
#else
    ByteBlock v;
    std::memcpy(&v, at, sizeof v);
    ByteBlock hits = SpecialBytes(v);
    if (Links) hits |= (v == '@') | (v == ':');
    std::uint32_t mask = 0;
    for (size_t k = 0; k < sizeof v; ++k) mask |= (hits[k] != 0 ? 1u : 0u) << k;
    return mask;
#endif
}

// The first byte at or after from that may need more than copying.
size_t NextSpecial(std::string_view text, size_t from) {
    for (; from + sizeof(ByteBlock) <= text.size(); from += sizeof(ByteBlock))
        if (const std::uint32_t mask = SpecialMask<false>(text.data() + from); mask != 0)
            return from + static_cast<size_t>(__builtin_ctz(mask));
    while (from < text.size() && Classes[static_cast<unsigned char>(text[from])] == Copy) ++from;
    return from;
}

constexpr std::string_view Replacement = "\xEF\xBF\xBD";

constexpr std::string_view Stylesheet =
    ":root { color-scheme: light dark; }\n"
    "body { max-width: 46rem; margin: 0 auto; padding: 0 1rem; font: 1rem/1.6 system-ui, -apple-system, \"Segoe UI\","
    " Roboto, \"Noto Sans\", sans-serif; color: #1f2328; background: #fff; overflow-wrap: break-word; }\n"
    "h1, h2, h3, h4, h5, h6 { line-height: 1.25; margin: 1.5em 0 .5em; }\n"
    "h4 { font-size: 1.125rem; }\n"
    "h5, h6 { font-size: 1rem; }\n"
    "pre { overflow-x: auto; padding: .5rem .75rem; font: .875rem/1.45 ui-monospace, \"DejaVu Sans Mono\", Menlo,"
    " Consolas, monospace; background: #f6f8fa; border-radius: 6px; }\n"
    "blockquote { margin: 1em 0; padding-left: 1em; border-left: 4px solid #d0d7de; color: #59636e; }\n"
    "ul, ol { padding-left: 1.5rem; }\n"
    "dt { font-weight: 600; }\n"
    "dd { margin: 0 0 .5em 1.5rem; }\n"
    ".i1 { margin-left: 1.25rem; }\n"
    ".i2 { margin-left: 2.5rem; }\n"
    ".i3 { margin-left: 3.75rem; }\n"
    "hr { border: 0; border-top: 1px solid #d0d7de; }\n"
    "a { color: #0969da; }\n"
    "nav.pages ul { list-style: none; padding: 0; display: flex; flex-wrap: wrap; gap: .5rem 1.5rem; }\n"
    "footer { margin-top: 2rem; padding: 1rem 0; border-top: 1px solid #d0d7de; font-size: .875rem; color: #59636e; }\n"
    "@media (prefers-color-scheme: dark) {\n"
    "  body { color: #e6edf3; background: #0d1117; }\n"
    "  pre { background: #161b22; }\n"
    "  blockquote, footer { color: #9198a1; }\n"
    "  blockquote, hr, footer { border-color: #3d444d; }\n"
    "  a { color: #4493f8; }\n"
    "}\n"
    "@media print {\n"
    "  body { max-width: none; color: #000; background: #fff; }\n"
    "  pre { white-space: pre-wrap; background: none; }\n"
    "  a { color: inherit; }\n"
    "  nav.pages { display: none; }\n"
    "}\n";

void AppendAttribute(std::string_view text, std::string& out) { html::AppendEscaped(text, out); }

}  // namespace

namespace html {

void AppendEscaped(std::string_view text, std::string& out) {
    size_t copied = 0;
    for (size_t i = NextSpecial(text, 0); i < text.size(); i = NextSpecial(text, i + 1)) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::string_view replace;
        size_t length = 1;  // of what is replaced
        char picture[3];
        switch (Classes[c]) {
        case Copy:
            continue;
        case Reference:
            replace = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : "&quot;";
            break;
        case Control:  // U+2400 + c: E2 90 80+c
            picture[0] = '\xE2';
            picture[1] = '\x90';
            picture[2] = static_cast<char>(0x80 + c);
            replace = {picture, 3};
            break;
        case Space:
            replace = " ";
            break;
        case Delete:
            replace = "\xE2\x90\xA1";
            break;
        case C2:
            if (i + 1 >= text.size() || static_cast<unsigned char>(text[i + 1]) > 0x9F ||
                static_cast<unsigned char>(text[i + 1]) < 0x80)
                continue;
            replace = Replacement;
            length = 2;
            break;
        case EF: {
            if (i + 2 >= text.size()) continue;
            const auto b1 = static_cast<unsigned char>(text[i + 1]), b2 = static_cast<unsigned char>(text[i + 2]);
            const bool nonCharacter = (b1 == 0xB7 && b2 >= 0x90 && b2 <= 0xAF) || (b1 == 0xBF && b2 >= 0xBE);
            if (!nonCharacter) continue;
            replace = Replacement;
            length = 3;
            break;
        }
        case Four: {
            if (i + 3 >= text.size()) continue;
            const auto b1 = static_cast<unsigned char>(text[i + 1]), b2 = static_cast<unsigned char>(text[i + 2]),
                       b3 = static_cast<unsigned char>(text[i + 3]);
            // U+nFFFE and U+nFFFF: the low sixteen bits all ones but perhaps the last.
            if ((b1 & 0x0F) != 0x0F || b2 != 0xBF || b3 < 0xBE) continue;
            replace = Replacement;
            length = 4;
            break;
        }
        }
        out.append(text, copied, i - copied);
        out.append(replace);
        copied = i + length;
        i += length - 1;
    }
    out.append(text, copied);
}

namespace {

// Whether text holds a special byte (or with links, "@" or ":").
template <bool Links>
bool AnySpecial(std::string_view text) {
    constexpr size_t Block = sizeof(ByteBlock);
    if (text.size() < Block) {
        for (char c : text)
            if (Classes[static_cast<unsigned char>(c)] != Copy || (Links && (c == '@' || c == ':'))) return true;
        return false;
    }
    std::uint32_t mask = 0;
    for (size_t at = 0; at + Block <= text.size() && mask == 0; at += Block) mask = SpecialMask<Links>(text.data() + at);
    // The last block overlaps bytes already seen, which changes nothing here.
    return mask != 0 || SpecialMask<Links>(text.data() + text.size() - Block) != 0;
}

}  // namespace

bool Plain(std::string_view text) { return !AnySpecial<true>(text); }

bool NeedsEscaping(std::string_view text) { return AnySpecial<false>(text); }

void AppendHref(std::string_view url, std::string& out) {
    HrefWriter writer;
    writer.AddUrl(url, out);
    writer.End(out);
}

void HrefWriter::AddUrl(std::string_view url, std::string& out) {
    for (char c : url) Put(c, out);
}

void HrefWriter::AddText(std::string_view escaped, std::string& out) {
    static constexpr std::pair<std::string_view, char> References[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
    for (char c : escaped) {
        if (reference_.empty()) {
            if (c == '&')
                reference_.push_back(c);
            else
                Put(c, out);
            continue;
        }
        reference_.push_back(c);
        bool begun = false;
        for (const auto& [reference, character] : References) {
            if (reference_ == reference) {
                reference_.clear();
                Put(character, out);
                begun = false;
                break;
            }
            begun = begun || reference.starts_with(reference_);
        }
        if (!begun && !reference_.empty()) {  // no reference: the "&" stands for itself
            const std::string rest = reference_.substr(1);
            reference_.clear();
            Put('&', out);
            AddText(rest, out);
        }
    }
}

void HrefWriter::End(std::string& out) {
    while (!reference_.empty()) {
        const std::string rest = reference_.substr(1);
        reference_.clear();
        Put('&', out);
        AddText(rest, out);
    }
    if (percent_size_ > 0) Release(out);
}

void HrefWriter::Put(char c, std::string& out) {
    if (percent_size_ > 0) {
        percent_[percent_size_++] = c;
        if (!IsHexDigit(c) || percent_size_ == 3) Release(out);
    } else if (c == '%') {
        percent_[percent_size_++] = c;
    } else {
        Write(c, false, out);
    }
}

// A "%" starts an escape when two hex digits follow it; else it is one.
void HrefWriter::Release(std::string& out) {
    const bool escape = percent_size_ == 3 && IsHexDigit(percent_[1]) && IsHexDigit(percent_[2]);
    const std::string rest(percent_ + 1, percent_size_ - 1);
    percent_size_ = 0;
    Write('%', !escape, out);
    for (char c : rest) Put(c, out);
}

void HrefWriter::Write(char c, bool encode, std::string& out) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    if (part_ == Part::Host && (c == '/' || c == '?' || c == '#')) part_ = Part::AfterHost;
    const auto u = static_cast<unsigned char>(c);
    if (c == '[' || c == ']')
        encode = part_ != Part::Host;
    else if (c != '%')
        encode = u <= 0x20 || u >= 0x7F || std::strchr("\"<>\\^`{|}", u) != nullptr;
    if (encode) {
        out.push_back('%');
        out.push_back(Hex[u >> 4]);
        out.push_back(Hex[u & 15]);
    } else if (c == '&') {
        out.append("&amp;");
    } else {
        out.push_back(c);
    }
    if (part_ == Part::BeforeHost && c == '/' && before_[0] == ':' && before_[1] == '/') part_ = Part::Host;
    before_[0] = before_[1];
    before_[1] = c;
}

std::string HeadingSlug(std::string_view text) {
    constexpr size_t Most = 64;
    // Made in place (a heading's slug is no longer than Most).
    struct {
        char bytes[Most];
        size_t size = 0;
        bool empty() const { return size == 0; }
        void push_back(char c) { bytes[size++] = c; }
    } slug;
    bool dash = false;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        if (c >= 0x80) {
            char32_t value = 0;
            length = std::max<size_t>(DecodeUtf8(text, i, value), 1);
        }
        const bool keep = c >= 0x80 || IsAlnum(static_cast<char>(c));
        if (!keep) {
            dash = !slug.empty();
            ++i;
            continue;
        }
        if (slug.size + length + (dash ? 1 : 0) > Most) break;
        if (dash) slug.push_back('-');
        dash = false;
        for (size_t k = 0; k < length; ++k)
            slug.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : text[i + k]);
        i += length;
    }
    return slug.empty() ? "section" : std::string(slug.bytes, slug.size);
}

std::string PageStart(const Head& head) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"";
    AppendAttribute(head.language, out);
    out += "\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    AppendEscaped(head.title, out);
    out += "</title>\n<meta name=\"description\" content=\"";
    AppendAttribute(head.description, out);
    out += "\">\n<meta name=\"generator\" content=\"";
    out += ProductName;
    out += " ";
    out += std::string_view(ProductVersion).substr(1);  // "V2.5": the number alone
    out += "\">\n";
    if (head.stylesheets == nullptr || head.stylesheets->empty()) {
        out += "<style>\n";
        out += Stylesheet;
        out += "</style>\n";
    } else {
        for (const std::string& sheet : *head.stylesheets) {
            out += "<link rel=\"stylesheet\" href=\"";
            AppendHref(sheet, out);
            out += "\">\n";
        }
    }
    out += "</head>\n<body>\n<header>\n<h1>";
    AppendEscaped(head.title, out);
    out += "</h1>\n</header>\n<main>\n";
    return out;
}

std::string PageEnd(const std::vector<NavLink>& links, bool credit, const StampTime* stamp) {
    std::string out = "</main>\n";
    bool nav = false;
    for (const NavLink& link : links) {
        if (link.page.empty()) continue;
        if (!nav) out += "<nav class=\"pages\" aria-label=\"Pages\">\n<ul>\n";
        nav = true;
        out += "<li><a href=\"";
        AppendHref(link.page, out);
        out += "\">";
        out += link.label;
        if (!link.title.empty()) {
            out += ": ";
            AppendEscaped(link.title, out);
        }
        out += "</a></li>\n";
    }
    if (nav) out += "</ul>\n</nav>\n";
    if (credit || stamp != nullptr) {
        out += "<footer>\n<p>Converted";
        if (credit) {
            out += " by <a href=\"";
            AppendHref(HomePageAddress, out);
            out += "\">";
            out += ProductName;
            out += " ";
            out += std::string_view(ProductVersion).substr(1);
            out += "</a>";
        }
        if (stamp != nullptr) {
            char when[96];
            std::snprintf(when, sizeof when, " on <time datetime=\"%04d-%02d-%02dT%02d:%02d:%02d\">%04d-%02d-%02d %02d:%02d:%02d</time>",
                          stamp->year, stamp->month, stamp->day, stamp->hour, stamp->minute, stamp->second,
                          stamp->year, stamp->month, stamp->day, stamp->hour, stamp->minute, stamp->second);
            out += when;
        }
        out += "</p>\n</footer>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

}  // namespace html

}  // namespace torvex
