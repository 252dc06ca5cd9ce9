// The seam between the conversion pass and the way a page is written. The
// pass reads the input, decides its character set, watches for a stop and
// keeps the sequence of pages; a page style turns the lines it is handed
// into a page's bytes (head, body, footer) through the line writer, and in
// split mode asks the section plan what each line is and opens the section
// pages the plan calls for.
#pragma once

#include <string>

#include "character_set.h"
#include "engine.h"
#include "host.h"
#include "input_file.h"
#include "line_writer.h"
#include "long_line.h"
#include "page_sequence.h"
#include "section_plan.h"

namespace torvex {

// What the pass shares with its page style for one conversion.
struct PassContext {
    Host& host;
    LineWriter& writer;
    InputFile& input;
    PageSequence& pages;
    SectionPlan& plan;
    const ConversionLimits limits;
    const bool time_stamp;
    std::string input_name;  // as given: the title of a page that has no other
    CharacterSet set = CharacterSet::Latin1;  // of the input and every page
    bool make_valid = false;  // a UTF-8 page of input that need not be UTF-8
    long long line_number = 0;  // of the line in hand, from 1
    long long replayed = 0;     // the lines up to here were converted before the pass started over
    bool restart = false;       // a line's bytes told another character set: start over
};

// The first reading of a line too long to hold (see LongLine): false, and
// the pass told, when the line cannot be read or its bytes tell another
// character set than the pages are written in.
inline bool MeasureLongLine(PassContext& pass, LongLine& line, bool split) {
    if (!line.Measure(split)) {
        pass.pages.Fail(pass.input.error(), Failure::Input);
        return false;
    }
    if (pass.input.checking() && pass.input.Guess() != pass.set) {
        pass.restart = true;
        return false;
    }
    return true;
}

class PageStyle {
public:
    virtual ~PageStyle() = default;
    // What depends on the character set, again whenever the pass starts over.
    virtual void Prepare() = 0;
    // The first page's head, with the title asked for (UTF-8, perhaps empty).
    virtual void BeginDocument(const std::string& title) = 0;
    // A line held whole: content without its LF, as the input found it.
    virtual void Line(const InputFile::Line& line) = 0;
    // A line too long to hold, at the input's position (see LongLine).
    virtual void LongLine() = 0;
    // The rest of the last page: what a stopped pass says, then the footer.
    virtual void EndDocument(bool interrupted) = 0;
};

}  // namespace torvex
