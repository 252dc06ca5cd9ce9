#include "line_conversion.h"

#include "escape.h"
#include "modern_markup.h"
#include "utf8.h"

namespace torvex {

LineConversion::LineConversion(size_t heldInMemory, size_t page)
    : page_(page), held_(heldInMemory, page), linked_(heldInMemory, page) {}

void LineConversion::Begin(const ConversionSteps& steps, CharacterSet set, const ReferenceSink* sink) {
    steps_ = steps;
    set_ = set;
    shape_ = {};
    references_ = CrossReferences(set, sink, *steps.anchors);
    links_ = {};
    joined_ = false;
    held_.Clear();
    error_.clear();
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
    const std::string_view text = BeforeLinks(piece, last);
    return steps_.links ? Links(text, last) : text;
}

void LineConversion::Convert(std::string_view piece, bool whole, bool last, const Take& take) {
    const std::string_view text = BeforeLinks(piece, last);
    if (!steps_.links || (whole && !joined_)) {
        take(steps_.links ? Links(text, last) : text);
        return;
    }
    joined_ = true;
    if (!held_.Append(text)) error_ = held_.error();
    if (!whole || !error_.empty()) return;
    if (held_.InMemory())
        take(Links(held_.Memory(), last));
    else
        LinkHeld(last, take);
    joined_ = false;
    held_.Clear();
    linked_.Clear();
}

std::string_view LineConversion::BeforeLinks(std::string_view piece, bool last) {
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
    return text;
}

std::string_view LineConversion::Links(std::string_view text, bool last) {
    for (size_t k = 0; k < std::size(LinkKeys); ++k) {
        // The last piece hands nothing on: without the key it stays as it is.
        if (!steps_.keys[k] || (last && !ContainsKey(text, LinkKeys[k]))) continue;
        std::string& linked = Spare(text);
        AppendLinks(text, LinkKeys[k], linked, set_, links_[k], last, *steps_.anchors);
        text = linked;
    }
    return text;
}

// Joined pieces too long for memory: each key reads them from one scratch
// file and writes what it makes to another, the last key to take. Anchors
// bring in no key the text did not hold, so which keys will run is known
// before the first one does.
void LineConversion::LinkHeld(bool last, const Take& take) {
    std::array<bool, std::size(LinkKeys)> runs{};
    size_t lastKey = std::size(LinkKeys);
    for (size_t k = 0; k < std::size(LinkKeys); ++k)
        if ((runs[k] = steps_.keys[k] && (!last || ContainsKey(held_, LinkKeys[k])))) lastKey = k;
    PagedText *in = &held_, *out = &linked_;
    for (size_t k = 0; k < std::size(LinkKeys) && error_.empty(); ++k) {
        if (!runs[k]) continue;
        out->Clear();
        PartWriter writer(page_, k == lastKey ? take : [out](std::string_view part) { out->Append(part); });
        AppendLinks(*in, LinkKeys[k], writer, set_, links_[k], last, *steps_.anchors);
        writer.Flush();
        for (PagedText* text : {in, out})
            if (text->failed() && error_.empty()) error_ = text->error();
        std::swap(in, out);
    }
    if (lastKey == std::size(LinkKeys)) in->ForEachPart(0, in->size(), take);
}

}  // namespace torvex
