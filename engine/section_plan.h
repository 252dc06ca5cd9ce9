// Split mode's reading of a numbered document: which lines are entries of
// the contents list at its start, which open a section page and which only
// refer to sections. It knows nothing of pages or markup; the page style
// asks it about each line and writes what it is told.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace torvex {

// What a line is in split mode.
enum class Section {
    None,           // no label, or a label numbered 0
    ContentsEntry,  // a labelled line of the contents list
    Heading,        // a line starting with a label after the contents: a new page
    Reference,      // a labelled line after the contents that does not start with its label
};

class SectionPlan {
public:
    // Goes on from where the last conversion left the number and title.
    SectionPlan(float number, std::string shortTitle) : number_(number), short_title_(std::move(shortTitle)) {}

    // A new document: no label seen yet, in its contents list.
    void Start();

    // What a line whose LabelNumber gave label (nothing: it failed) is; the
    // number of a failed label is the line before's. Only when settle is
    // the plan's state changed: a line may be asked about before it is
    // known how it will be converted.
    Section Of(std::optional<float> label, bool startsWithBracket, bool settle);
    // A line without "[" has no label: its number is 0.
    void NoLabel() { number_ = 0; }
    // The entry or heading just written is the one the next label is
    // compared with.
    void Passed() { previous_ = number_; }

    // The label number of the last line seen (0: none).
    float number() const { return number_; }
    // Whether the contents list has ended.
    bool after_contents() const { return !in_contents_; }

    // The title of the page being written, without its section label.
    std::string& short_title() { return short_title_; }

private:
    float number_ = 0;
    float previous_ = 0;  // of the last contents entry or section heading
    bool in_contents_ = true;
    std::string short_title_;
};

}  // namespace torvex
