// Section labels such as "[3]" or "[4.1]": page names, label numbers, the
// text after a label and cross-reference links. Each operation has its own
// rule for which "]" closes the label.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "character_set.h"
#include "page_markup.h"

namespace torvex {

// "[4.1] Options" gives "4_1.html": a bare file name, with "." "/" "\" and
// control characters turned into "_" ("[]" gives "_.html"). Empty when the
// text holds no "[", or when its first "[" has no "]" after it.
std::string PageFileName(std::string_view text);
// The same for the label alone (what lies between the brackets).
std::string PageNameOfLabel(std::string_view label);

// Trims the spaces at both ends of text (the caller keeps the trimmed text)
// and gives the whole number that starts its label, 0 when there is no
// complete label. Fails (no value) when the label text does not begin with
// a digit or its number exceeds 32767.
std::optional<float> LabelNumber(std::string& text);

// LabelNumber of a trimmed text given in pieces, however it is cut.
class LabelNumberReader {
public:
    void Add(std::string_view piece);
    std::optional<float> Number() const;

private:
    enum class Stage { Open, Digits, Close, Closed };
    Stage stage_ = Stage::Open;
    bool first_ = false;  // the byte right after the "[" is next: it never closes the label
    long value_ = 0;
    size_t digits_ = 0;
    bool too_big_ = false;
};

// The text after a leading label: "[3] Getting started" gives "Getting
// started". The "]" and the one character after it are dropped, and only
// when at least two more follow; otherwise the text comes back whole.
// Works on any string of characters (bytes of a line, or code points of a
// title).
template <class String>
String TextAfterLabel(const String& text) {
    const auto p = text.find(typename String::value_type('['));
    const auto q = text.find(typename String::value_type(']'));
    if (p == String::npos || q == String::npos || q <= p) return text;
    if (q + 3 >= text.size()) return text;  // fewer than three characters follow the "]"
    return text.substr(q + 2);
}

// Told the label text (between the brackets) of each label that is linked.
using ReferenceSink = std::function<void(std::string_view label)>;

// The line with its labels turned into links to their pages. A line that
// starts with a label loses the character after its "]", as the page in
// set reads characters.
std::string LinkCrossReferences(std::string_view line, CharacterSet set = CharacterSet::Latin1,
                                const ReferenceSink& sink = {});

// LinkCrossReferences over a line given in pieces, each appended to out as
// it comes; last marks the line's last piece. No piece may end inside a
// label (after a "[" and before the first "]" after it, if there is one),
// and in UTF-8 each piece holds whole characters.
class CrossReferences {
public:
    explicit CrossReferences(CharacterSet set = CharacterSet::Latin1, const ReferenceSink* sink = nullptr,
                             const AnchorMarkup& anchors = markup::Anchors)
        : set_(set), sink_(sink), anchors_(&anchors) {}
    void Add(std::string_view piece, std::string& out, bool last);

private:
    enum class Stage {
        Labels,  // looking for the next label
        Plain,   // nothing more is linked
        Linked,  // the rest of the line is the text of a link that the line's end closes
    };
    void AppendTarget(std::string_view label, std::string& out);

    CharacterSet set_;
    const ReferenceSink* sink_;
    const AnchorMarkup* anchors_;
    Stage stage_ = Stage::Labels;
    bool rest_blank_ = true;   // the text since the last label (or the line's start) is spaces only
    bool after_hash_ = false;  // and it ends in "#"
    bool drop_ = false;        // the character after a leading label's "]" is still to be dropped
};

}  // namespace torvex
