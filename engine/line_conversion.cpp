#include "line_conversion.h"

#include "escape.h"
#include "modern_markup.h"
#include "utf8.h"

namespace torvex {

void LineConversion::Begin(const ConversionSteps& steps, CharacterSet set, const ReferenceSink* sink) {
    steps_ = steps;
    set_ = set;
    shape_ = {};
    references_ = CrossReferences(set, sink, *steps.anchors);
    links_ = {};
}

// The buffer that the text in hand is not in.
std::string& LineConversion::Spare(std::string_view in_use) {
    std::string& first = buffers_[0];
    const bool inFirst = in_use.data() >= first.data() && in_use.data() <= first.data() + first.size();
    std::string& spare = inFirst ? buffers_[1] : first;
    spare.clear();
    return spare;
}

std::string_view LineConversion::Convert(std::string_view piece, bool last) {
    std::string_view text = piece;
    if (steps_.make_valid) {
        valid_.assign(piece);
        MakeValidUtf8(valid_, work_);
        text = valid_;
    }
    const auto escape = [this](std::string_view from, std::string& to) {
        if (steps_.html)
            html::AppendEscaped(from, to);
        else
            AppendEscaped(from, to, set_);
    };
    if (steps_.cross_references) {
        std::string& escaped = Spare(text);
        escape(text, escaped);
        std::string& linked = Spare(escaped);
        references_.Add(escaped, linked, last);
        text = linked;
    }
    if (steps_.shape) shape_.Add(text, set_);
    if (steps_.escape && !steps_.cross_references && (steps_.html ? html::NeedsEscaping(text) : NeedsEscaping(text))) {
        std::string& escaped = Spare(text);
        escape(text, escaped);
        text = escaped;
    }
    if (steps_.links) {
        for (size_t k = 0; k < std::size(LinkKeys); ++k) {
            // The last piece hands nothing on: without the key it stays as it is.
            if (!steps_.keys[k] || (last && !ContainsKey(text, LinkKeys[k]))) continue;
            std::string& linked = Spare(text);
            AppendLinks(text, LinkKeys[k], linked, set_, links_[k], last, *steps_.anchors);
            text = linked;
        }
    }
    return text;
}

}  // namespace torvex
