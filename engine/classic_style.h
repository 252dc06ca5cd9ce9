// The classic page: HTML 4.01 in the page's character set, each input line
// one output line ended by "<BR>", a paragraph mark or nothing, underlined
// lines made headings by the line writer, a fixed head and footer, and in
// split mode the contents links, the "Contents Page" line and the
// navigation bar. Its steps read what the steps before them wrote (links
// stop at "&gt;", the underline test allows for "<BR>"): right for this
// page and no other.
#pragma once

#include <string>
#include <string_view>

#include "line_breaks.h"
#include "line_conversion.h"
#include "page_style.h"
#include "underline.h"

namespace torvex {

class ClassicStyle final : public PageStyle {
public:
    ClassicStyle(PassContext& pass, LineBreakMode mode) : pass_(pass), plan_(pass.plan), breaks_(mode) {}

    void Prepare() override;
    void BeginDocument(const std::string& title) override;
    void Line(const InputFile::Line& line) override {
        if (!line.attention && copy_plain_)
            PlainLine(line);
        else if (mark_in_place_ && (!split_ || line.content.find('[') == std::string_view::npos))
            MarkedLine(line);
        else
            WholeLine(line.content);
    }
    void LongLine() override;
    // The lines that follow in the data in hand, at most `most`, in one
    // run while they are held whole and hold no label, each counted in the
    // pass's line number: how many there were.
    size_t Lines(size_t most);
    void EndDocument(bool interrupted) override;

private:
    enum class Next { Suffix, Compose, Convert };

    LineShape ShapeOf(const InputFile::Line& line, std::string_view& text);
    void PlainLine(const InputFile::Line& line);
    void MarkedLine(const InputFile::Line& line);
    void WholeLine(std::string_view content);
    template <LineBreakMode Mode, bool Split>
    size_t Run(size_t most);
    void Submit(std::string_view text, Suffix suffix, bool padded = false);
    void SubmitPadded(std::string_view text, Suffix suffix);
    void SubmitAt(char* out, size_t length, Suffix suffix);
    void Append(std::string_view text, const UnderlineTest& underline);
    void EndLine(Suffix suffix, const UnderlineTest& underline);
    Next SplitStep();
    void SwitchPage(const std::string& pageName);

    PassContext& pass_;
    SectionPlan& plan_;  // the pass's, at hand for every line of split mode
    LineBreaks breaks_;
    bool split_ = false;
    bool copy_plain_ = true;     // a line with no byte that needs attention is copied as it stands
    bool mark_in_place_ = true;  // any other line's steps run where it lies (not where the text must
                                 // first be made valid UTF-8, nor in split mode where it may hold a label)
    std::string line_, work_;  // the line in hand, and where a step that changes it writes
    LineConversion conversion_{pass_.limits.line_in_memory, pass_.limits.piece};
    const ReferenceSink note_reference_ = [this](std::string_view label) {
        pass_.pages.NoteReference(pass_.line_number, label);
    };
};

}  // namespace torvex
