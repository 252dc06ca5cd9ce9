// The steps that make a line's text the page's text: escaping, section
// labels made links (split mode) and links for each key, in this order,
// applied to the whole text or to one piece of it after another. Each step
// carries what it needs from one piece to the next; the pieces must be cut
// where no step looks across the cut (see LongLine), except that the link
// step joins pieces that are not whole: it holds them, in a scratch file
// once they are long, until a whole one ends the run.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "character_set.h"
#include "labels.h"
#include "line_breaks.h"
#include "links.h"
#include "paged_text.h"

namespace torvex {

struct ConversionSteps {
    bool make_valid = false;        // bytes that are not UTF-8 become characters (a UTF-8 page of such input)
    bool cross_references = false;  // escaped, then its labels linked
    bool shape = true;              // looked at by the suffix rules (after the labels, before escaping)
    bool escape = true;             // escaped (unless the labels step did)
    bool links = true;
    std::array<bool, 3> keys{true, true, true};  // which of LinkKeys the text may hold
    bool html = false;  // escaped for a modern page (every "&" too) rather than a classic one
    const AnchorMarkup* anchors = &markup::Anchors;  // how links and cross references are written
};

class LineConversion {
public:
    // Joined pieces stay in memory up to heldInMemory bytes; beyond that
    // they are read back from their scratch file page bytes at a time.
    LineConversion(size_t heldInMemory, size_t page);

    // A new line, in set, its labels told to sink.
    void Begin(const ConversionSteps& steps, CharacterSet set, const ReferenceSink* sink);
    // The next piece converted; valid until the next call.
    std::string_view Convert(std::string_view piece, bool last);
    // The next piece of a long line, its converted text given to take, in
    // parts, once the link step may let it go.
    using Take = std::function<void(std::string_view)>;
    void Convert(std::string_view piece, bool whole, bool last, const Take& take);
    // What the suffix rules need of the text, once it has all been converted.
    const LineShape& shape() const { return shape_; }
    // Why joined pieces could not be held (empty: they could).
    const std::string& error() const { return error_; }

private:
    std::string& Spare(std::string_view in_use);
    std::string_view BeforeLinks(std::string_view piece, bool last);
    std::string_view Links(std::string_view text, bool last);
    void LinkHeld(bool last, const Take& take);

    ConversionSteps steps_;
    CharacterSet set_ = CharacterSet::Latin1;
    LineShape shape_;
    CrossReferences references_;
    std::array<LinkState, 3> links_;
    std::string valid_, work_;
    std::array<std::string, 2> buffers_;
    size_t page_;
    PagedText held_, linked_;  // the pieces joined so far, and what a key made of them
    bool joined_ = false;      // held_ holds a piece that was not whole
    std::string error_;
};

}  // namespace torvex
