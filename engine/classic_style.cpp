#include "classic_style.h"

#include <algorithm>
#include <cstring>

#include "escape.h"
#include "labels.h"
#include "links.h"
#include "long_line.h"
#include "page_markup.h"
#include "title.h"
#include "underline.h"
#include "utf8.h"

namespace torvex {

void ClassicStyle::Prepare() {
    breaks_.Reset();
    split_ = pass_.pages.split();
    copy_plain_ = pass_.limits.copy_plain_lines;
    mark_in_place_ = !pass_.make_valid && pass_.limits.copy_plain_lines;
}

void ClassicStyle::BeginDocument(const std::string& title) {
    WritePageHeader(pass_.writer, TitleFromUtf8(title), plan_.short_title(), pass_.set);
}

void ClassicStyle::EndDocument(bool interrupted) {
    LineWriter& writer = pass_.writer;
    if (interrupted) writer.WriteLine(markup::Interrupted);
    writer.WriteLine("");
    if (split_ && plan_.after_contents())
        WriteNavigationBar(writer, plan_.number(), plan_.short_title());
    WritePageFooter(writer, pass_.time_stamp, pass_.host);
    writer.WriteLine("");
}

namespace {

// A whole line's text and what the suffix rules look at in it, from what
// the scanner saw. In split mode the leading spaces go too.
template <bool Split>
[[gnu::always_inline]] inline LineShape ShapeOfText(const InputFile::Line& line, std::string_view& text) {
    text = LineText(line.content);
    LineShape shape;
    size_t start = 0;
    if constexpr (Split)
        while (start < text.size() && text[start] == ' ') ++start;
    text.remove_prefix(start);
    shape.bytes = text.size();
    shape.length = text.size() - line.continuations;  // what a UTF-8 page counts: characters
    shape.first = text.size() > 0 ? static_cast<unsigned char>(text[0]) : 0;
    shape.second = text.size() > 1 ? static_cast<unsigned char>(text[1]) : 0;
    // Four spaces in a row within the text: not among the trailing spaces,
    // nor (in split mode) among the leading ones that went. Where the first
    // run is among the leading spaces and the last among the trailing ones,
    // the text is looked at. With no leading spaces gone, the first run
    // ends three bytes in at the earliest, and tells.
    const size_t begin = start + 3, end = start + text.size();
    const auto within = [begin, end](size_t at) { return at >= begin && at < end; };
    if constexpr (Split)
        shape.laid_out = within(line.four_spaces) || within(line.last_four_spaces) ||
                         (line.four_spaces < begin && line.last_four_spaces >= end && text.find("    ") != std::string_view::npos);
    else
        shape.laid_out = line.four_spaces < end;
    return shape;
}

}  // namespace

// In split mode a line without "[" has no label: its number is 0, and
// only its trim is left.
LineShape ClassicStyle::ShapeOf(const InputFile::Line& line, std::string_view& text) {
    if (!split_) return ShapeOfText<false>(line, text);
    plan_.NoLabel();
    return ShapeOfText<true>(line, text);
}

// A line with no byte that needs attention: nothing in it is escaped or
// linked, and it holds no label, so its text goes to the page as it
// stands, copied once.
void ClassicStyle::PlainLine(const InputFile::Line& line) {
    std::string_view text;
    const LineShape shape = ShapeOf(line, text);
    SubmitPadded(text, breaks_.Compose(breaks_.ChooseSuffix(shape)));
}

size_t ClassicStyle::Lines(size_t most) {
    if (!copy_plain_) return 0;
    switch (breaks_.mode()) {
    case LineBreakMode::Keep:
        return split_ ? Run<LineBreakMode::Keep, true>(most) : Run<LineBreakMode::Keep, false>(most);
    case LineBreakMode::None:
        return split_ ? Run<LineBreakMode::None, true>(most) : Run<LineBreakMode::None, false>(most);
    case LineBreakMode::Add:
        break;
    }
    return split_ ? Run<LineBreakMode::Add, true>(most) : Run<LineBreakMode::Add, false>(most);
}

// Line for each line of a run (but one that may hold a label, or is
// converted whole), with the mode and split mode known at compile time and
// the line-break state kept at hand for plain lines.
template <LineBreakMode Mode, bool Split>
size_t ClassicStyle::Run(size_t most) {
    LineBreaks breaks = breaks_;
    long long& number = pass_.line_number;
    const size_t taken = pass_.input.WholeLines(most, [&](const InputFile::Line& line) __attribute__((always_inline)) {
        if (!line.attention) {
            ++number;
            std::string_view text;
            const LineShape shape = ShapeOfText<Split>(line, text);
            SubmitPadded(text, breaks.Next<Mode>(shape));
            return true;
        }
        if (!mark_in_place_ || (Split && line.content.find('[') != std::string_view::npos)) return false;
        ++number;
        breaks_ = breaks;
        MarkedLine(line);
        breaks = breaks_;
        return true;
    });
    breaks_ = breaks;
    if (Split && taken > 0) plan_.NoLabel();
    return taken;
}

// A line that holds bytes needing attention, known to be in the page's
// set, and (in split mode) no label: one look tells which steps have work
// to do, and the text goes through those only.
void ClassicStyle::MarkedLine(const InputFile::Line& line) {
    std::string_view text;
    LineShape shape = ShapeOf(line, text);
    const AttentionKinds kinds = KindsOfAttention(text);
    shape.laid_out = shape.laid_out || kinds.tab;
    constexpr size_t Block = sizeof(markup::SuffixBytes[0]);
    if (!kinds.at && !kinds.colon && 6 * text.size() + 2 * Block <= pass_.limits.held_line) {
        // Nothing to link: the text is escaped straight into the page.
        const Suffix suffix = breaks_.Compose(breaks_.ChooseSuffix(shape));
        char* out = pass_.writer.Room(6 * text.size() + 2 * Block);
        SubmitAt(out, static_cast<size_t>(WriteEscaped(text, out, pass_.set) - out), suffix);
        return;
    }
    ConversionSteps steps;
    steps.shape = false;
    steps.escape = kinds.escaped;
    steps.links = !text.empty() && (kinds.at || kinds.colon);
    steps.keys = {kinds.at, kinds.colon, kinds.colon};
    conversion_.Begin(steps, pass_.set, &note_reference_);
    text = conversion_.Convert(text, true);
    Submit(text, breaks_.Compose(breaks_.ChooseSuffix(shape)), false);
}

// Text, suffix and line end, written in place, and the held-back line made
// a heading when this one is an underline. Only the suffix of a body line
// can hold "<P>": any "<" of the text is escaped. padded: the text may be
// read a little past its end (it lies in the input buffer), so that it is
// copied sixteen bytes at a time; a plain line is short.
void ClassicStyle::Submit(std::string_view text, Suffix suffix, bool padded) {
    LineWriter& writer = pass_.writer;
    const std::string_view end = TextWithLineEnd(suffix);
    const size_t size = text.size() + end.size();
    if (size > pass_.limits.held_line) {
        UnderlineTest underline(pass_.set);
        underline.Add(text);
        underline.Add(end);
        // Known to be no underline, a line this long may go to the page as it is added.
        if (!underline.Holds()) writer.NoUnderline();
        writer.Append(text);
        EndLine(suffix, underline);
        return;
    }
    if (padded) return SubmitPadded(text, suffix);
    char* out = writer.Room(size + sizeof(markup::SuffixBytes[0]));
    std::memcpy(out, text.data(), text.size());
    SubmitAt(out, text.size(), suffix);
}

// Submit for a text that may be read a little past its end, and is short.
[[gnu::always_inline]] inline void ClassicStyle::SubmitPadded(std::string_view text, Suffix suffix) {
    constexpr size_t Block = sizeof(markup::SuffixBytes[0]);
    if (text.size() + Block > pass_.limits.held_line) return Submit(text, suffix, false);
    char* out = pass_.writer.Room(std::max<size_t>(text.size(), 4 * Block) + 2 * Block);
    // Most lines are copied by the first four blocks, with no loop to guess the end of.
    std::memcpy(out, text.data(), 4 * Block);
    for (size_t at = 4 * Block; at < text.size(); at += Block) std::memcpy(out + at, text.data() + at, Block);
    SubmitAt(out, text.size(), suffix);
}

// The line whose text lies at out in the writer's room, with room for a
// block after it: its suffix and line end go after it, and the line is done.
[[gnu::always_inline]] inline void ClassicStyle::SubmitAt(char* out, size_t length, Suffix suffix) {
    const std::string_view end = TextWithLineEnd(suffix);
    const size_t size = length + end.size();
    const CharacterSet set = pass_.set;
    std::memcpy(out + length, end.data(), sizeof(markup::SuffixBytes[0]));  // the suffix, CR LF and padding
    bool underline = false;
    const Heading heading = !IsUnderlineAtAGlance({out, size}, set, underline) ? HeadingUnder({out, size}, set)
                            : underline                                       ? HeadingUnder(out[0])
                                                                              : Heading::None;
    pass_.writer.Added(size);
    pass_.writer.EndLine(heading, HasParagraph(suffix));
}

// Text of a line that comes in pieces. Known to be no underline, the line
// may go to the page as it comes.
void ClassicStyle::Append(std::string_view text, const UnderlineTest& underline) {
    if (underline.Impossible()) pass_.writer.NoUnderline();
    pass_.writer.Append(text);
}

// The suffix and line end of a line added in pieces (underline has seen
// them too), and the held-back line made a heading if this is an underline.
void ClassicStyle::EndLine(Suffix suffix, const UnderlineTest& underline) {
    Append(TextWithLineEnd(suffix), underline);
    pass_.writer.EndLine(underline.Makes(), HasParagraph(suffix));
}

// Any other line, held whole: each step runs on it as it is written.
void ClassicStyle::WholeLine(std::string_view content) {
    line_.assign(content);
    // Every step after this one sees well-formed text of the page's set.
    if (pass_.make_valid) MakeValidUtf8(line_, work_);
    line_.resize(LineText(line_).size());
    Next next = Next::Suffix;
    if (split_) {
        next = SplitStep();
        if (pass_.pages.failed()) return;
    }
    if (next == Next::Compose) {
        Submit(line_, breaks_.Compose(Suffix::None));
        return;
    }
    ConversionSteps steps;
    steps.escape = next == Next::Suffix;
    steps.links = !line_.empty() && MayHoldLinks(line_);  // anchors add keys only where keys were
    conversion_.Begin(steps, pass_.set, &note_reference_);
    const std::string_view text = conversion_.Convert(line_, true);
    Submit(text, breaks_.Compose(breaks_.ChooseSuffix(conversion_.shape())));
}

// A line too long to hold whole goes through the same steps piece by
// piece, each piece written as it is converted. What must be known before
// its text is converted (where the text ends, its label in split mode, whether
// it may hold links) comes from a first reading to its end.
void ClassicStyle::LongLine() {
    class LongLine line(pass_.input, pass_.set, pass_.limits.piece);
    if (!MeasureLongLine(pass_, line, split_)) return;
    const LongLineFacts& facts = line.facts();
    Section section = Section::None;
    if (split_) {
        section = plan_.Of(facts.label, facts.starts_with_bracket, false);
        // A section heading becomes the title of its page: it is held whole.
        if (section == Section::Heading) {
            const std::string whole = line.Whole();
            pass_.input.EndLongLine();
            WholeLine(whole);
            return;
        }
        plan_.Of(facts.label, facts.starts_with_bracket, true);
    }
    ConversionSteps steps;
    steps.make_valid = pass_.make_valid;
    steps.cross_references = section != Section::None;
    steps.shape = section != Section::ContentsEntry;
    steps.links = section != Section::ContentsEntry && facts.may_hold_links;
    line.CutFor(steps.links, steps.cross_references && facts.brackets);
    conversion_.Begin(steps, pass_.set, &note_reference_);
    UnderlineTest underline(pass_.set);
    std::string_view piece;
    bool whole = true, last = false;
    while (conversion_.error().empty() && line.NextPiece(piece, whole, last)) {
        conversion_.Convert(piece, whole, last, [&](std::string_view text) {
            underline.Add(text);
            Append(text, underline);
        });
    }
    if (!conversion_.error().empty()) {
        pass_.pages.Fail(conversion_.error());
        return;
    }
    const Suffix suffix = breaks_.Compose(
        section == Section::ContentsEntry ? Suffix::None : breaks_.ChooseSuffix(conversion_.shape()));
    if (section == Section::ContentsEntry) plan_.Passed();
    underline.Add(TextWithLineEnd(suffix));
    EndLine(suffix, underline);
    pass_.input.EndLongLine();
}

// The section-label step of split mode. Compose: the line is finished (a
// contents entry, or the heading that opened a new page); Convert: a line
// with its labels already linked, which goes on like any other but is not
// escaped again; Suffix: an ordinary line.
ClassicStyle::Next ClassicStyle::SplitStep() {
    const CharacterSet set = pass_.set;
    const auto label = LabelNumber(line_);
    switch (plan_.Of(label, !line_.empty() && line_[0] == '[', true)) {
    case Section::None:
        return Next::Suffix;
    case Section::ContentsEntry:
        line_ = LinkCrossReferences(EscapeText(line_, set), set, note_reference_);
        plan_.Passed();
        return Next::Compose;
    case Section::Heading:
        if (const std::string pageName = PageFileName(line_);
            !pass_.pages.KeptAsReference(pageName, std::string_view(line_).substr(0, line_.find(']') + 1),
                                         pass_.line_number, pass_.line_number > pass_.replayed)) {
            SwitchPage(pageName);
            plan_.Passed();
            return Next::Compose;
        }
        break;
    case Section::Reference:
        break;
    }
    line_ = LinkCrossReferences(EscapeText(line_, set), set, note_reference_);
    return Next::Convert;
}

void ClassicStyle::SwitchPage(const std::string& pageName) {
    LineWriter& writer = pass_.writer;
    if (pass_.pages.in_section()) WriteBackToContents(writer);  // none before the contents page closes
    WritePageFooter(writer, pass_.time_stamp, pass_.host);
    writer.WriteLine("");
    if (!pass_.pages.OpenSection(pageName, pass_.line_number)) return;
    // The heading is the document's text: escaped like the rest of it.
    WritePageHeader(writer, TitleFromLine(EscapeText(line_, pass_.set), pass_.set), plan_.short_title(), pass_.set);
    breaks_.Reset();
    line_.clear();
}

}  // namespace torvex
