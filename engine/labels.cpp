#include "labels.h"

namespace torvex {

namespace {

// A page name is a bare file name: "." "/" and "\" all become "_", so that
// no label can name a page outside the folder of the page set. So do NUL,
// which would end the name early and drop its ".html", and the other
// control characters, which have no business in a file name; an empty
// label gives "_.html", not the hidden ".html".
void AppendPageName(std::string_view labelText, std::string& out) {
    if (labelText.empty()) out.push_back('_');
    for (char c : labelText) {
        const auto u = static_cast<unsigned char>(c);
        out.push_back(c == '.' || c == '/' || c == '\\' || u < 0x20 || u == 0x7F ? '_' : c);
    }
    out += ".html";
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string PageFileName(std::string_view text) {
    const auto p = text.find('[');
    if (p == std::string_view::npos) return {};
    const auto q = text.find(']', p);
    if (q == std::string_view::npos) return {};
    std::string name;
    AppendPageName(text.substr(p + 1, q - p - 1), name);
    return name;
}

std::optional<float> LabelNumber(std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        text.clear();
    } else {
        text.erase(text.find_last_not_of(' ') + 1);
        text.erase(0, first);
    }
    std::string_view label = "0";
    if (const auto p = text.find('['); p != std::string::npos) {
        if (const auto q = text.find(']', p + 2); q != std::string::npos)
            label = std::string_view(text).substr(p + 1, q - p - 1);
    }
    if (label.empty() || !IsDigit(label[0])) return std::nullopt;
    long value = 0;
    for (size_t i = 0; i < label.size() && IsDigit(label[i]); ++i) {
        value = value * 10 + (label[i] - '0');
        if (value > 32767) return std::nullopt;
    }
    return static_cast<float>(value);
}

std::string LinkCrossReferences(std::string_view line, CharacterSet set, const ReferenceSink& sink) {
    std::string out;
    out.reserve(line.size() + line.size() / 4);
    std::string_view rest = line;
    // One label per round, left to right; each round hands on the text after
    // its label, as a call on that rest would.
    for (;;) {
        const auto p = rest.find('[');
        if (p == std::string_view::npos || (p > 0 && rest[p - 1] == '#')) break;
        const auto q = rest.find(']', p);
        if (q == std::string_view::npos) break;
        const std::string_view label = rest.substr(p + 1, q - p - 1);
        if (sink) sink(label);
        if (rest.find_first_not_of(' ') == p) {
            // The line starts with the label: the rest of the line is the link text.
            out.append(rest.substr(0, q + 1)).append(" <A HREF=\"");
            AppendPageName(label, out);
            const size_t text = q + 1 < rest.size() ? q + 1 + CharacterWidth(rest, q + 1, set) : rest.size();
            out.append("\">").append(rest.substr(text)).append("</A><BR>");
            return out;
        }
        out.append(rest.substr(0, p)).append("<A HREF=\"");
        AppendPageName(label, out);
        out.append("\">").append(rest.substr(p, q - p + 1)).append("</A>");
        rest = rest.substr(q + 1);
    }
    out.append(rest);
    return out;
}

}  // namespace torvex
