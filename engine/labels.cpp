#include "labels.h"

#include "modern_markup.h"
#include "page_markup.h"

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
    return PageNameOfLabel(text.substr(p + 1, q - p - 1));
}

std::string PageNameOfLabel(std::string_view label) {
    std::string name;
    AppendPageName(label, name);
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
    LabelNumberReader reader;
    reader.Add(text);
    return reader.Number();
}

// The label runs from the first "[" to the first "]" at least two places
// after it; its leading digits are read as they come, before that "]" is
// known to be there.
void LabelNumberReader::Add(std::string_view piece) {
    size_t i = 0;
    while (i < piece.size()) {
        switch (stage_) {
        case Stage::Open: {
            const auto open = piece.find('[', i);
            if (open == std::string_view::npos) return;
            stage_ = Stage::Digits;
            i = open + 1;
            break;
        }
        case Stage::Digits:
            for (; i < piece.size() && !too_big_ && IsDigit(piece[i]); ++i, ++digits_) {
                value_ = value_ * 10 + (piece[i] - '0');
                too_big_ = value_ > 32767;
            }
            if (i < piece.size() || too_big_) {
                stage_ = Stage::Close;
                first_ = digits_ == 0;
            }
            break;
        case Stage::Close:
            // A "]" right after the "[" leaves the label empty: it does not close it.
            if (first_ && piece[i] == ']') ++i;
            first_ = false;
            if (piece.find(']', i) == std::string_view::npos) return;
            stage_ = Stage::Closed;
            return;
        case Stage::Closed:
            return;
        }
    }
}

std::optional<float> LabelNumberReader::Number() const {
    if (stage_ != Stage::Closed) return 0.0f;  // no complete label: its text is "0"
    if (digits_ == 0 || too_big_) return std::nullopt;
    return static_cast<float>(value_);
}

std::string LinkCrossReferences(std::string_view line, CharacterSet set, const ReferenceSink& sink) {
    std::string out;
    out.reserve(line.size() + line.size() / 4);
    CrossReferences(set, &sink).Add(line, out, true);
    return out;
}

// The page of a label, as the page's anchors name it.
void CrossReferences::AppendTarget(std::string_view label, std::string& out) {
    if (!anchors_->href) {
        AppendPageName(label, out);
        return;
    }
    std::string name;
    AppendPageName(label, name);
    html::HrefWriter href;
    href.AddText(name, out);
    href.End(out);
}

// One label per round, left to right; each round hands on the text after
// its label, as if that rest were a line of its own.
void CrossReferences::Add(std::string_view piece, std::string& out, bool last) {
    constexpr auto npos = std::string_view::npos;
    size_t i = 0;  // the piece up to here is handled
    if (stage_ == Stage::Linked) {
        if (drop_ && !piece.empty()) {
            i = CharacterWidth(piece, 0, set_);
            drop_ = false;
        }
        out.append(piece.substr(i));
        if (last) out.append(anchors_->label_line_end);
        return;
    }
    while (stage_ == Stage::Labels) {
        const auto p = piece.find('[', i);
        if (p == npos) break;
        if (p > i ? piece[p - 1] == '#' : after_hash_) {
            stage_ = Stage::Plain;
            break;
        }
        const auto q = piece.find(']', p);
        if (q == npos) {  // none in the line at all: a piece never ends inside a label
            stage_ = Stage::Plain;
            break;
        }
        const std::string_view label = piece.substr(p + 1, q - p - 1);
        if (sink_ != nullptr && *sink_) (*sink_)(label);
        if (rest_blank_ && piece.find_first_not_of(' ', i) == p) {
            // The rest starts with the label: the rest of the line is the link text.
            out.append(piece.substr(i, q + 1 - i)).append(" ").append(anchors_->start);
            AppendTarget(label, out);
            out.append(anchors_->text);
            stage_ = Stage::Linked;
            size_t text = q + 1;
            if (text < piece.size())
                text += CharacterWidth(piece, text, set_);
            else
                drop_ = !last;
            out.append(piece.substr(text));
            if (last) out.append(anchors_->label_line_end);
            return;
        }
        out.append(piece.substr(i, p - i)).append(anchors_->start);
        AppendTarget(label, out);
        out.append(anchors_->text).append(piece.substr(p, q - p + 1)).append(anchors_->end);
        i = q + 1;
        rest_blank_ = true;
        after_hash_ = false;
    }
    const std::string_view tail = piece.substr(i);
    if (!tail.empty()) {
        rest_blank_ = rest_blank_ && tail.find_first_not_of(' ') == npos;
        after_hash_ = tail.back() == '#';
    }
    out.append(tail);
}

}  // namespace torvex
