// The conversion pass: one input file, cut into lines, each line given its
// ending, escaped, linked and handed to the line writer; in split mode the
// same pass writes a contents page and one page per section heading.
#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "engine.h"
#include "escape.h"
#include "input_file.h"
#include "labels.h"
#include "line_breaks.h"
#include "line_conversion.h"
#include "links.h"
#include "long_line.h"
#include "page_file.h"
#include "page_markup.h"
#include "path_names.h"
#include "reference_log.h"
#include "title.h"
#include "underline.h"
#include "utf8.h"

namespace torvex {

namespace {

// Warnings about references to missing pages: this many, then a count.
constexpr long long ShownMissingReferences = 10;

}  // namespace

class Conversion {
public:
    Conversion(Engine& engine, LineBreakMode mode, bool timeStamp)
        : engine_(engine), host_(engine.host_), writer_(engine.writer_), breaks_(mode),
          time_stamp_(timeStamp), limits_(engine.Limits) {}

    bool Run(std::string& inputName, std::string& outputName, const std::string& pageTitle);

private:
    enum class Next { Suffix, Compose, Convert };
    // What a line is in split mode.
    enum class Section { None, ContentsEntry, Heading, Reference };

    bool OpenPage(const std::string& path);
    bool ClosePage();
    bool Fail(const std::string& message, Failure failure = Failure::Output);
    void Prepare();
    bool ConvertLines(std::string& outputName);
    bool Restart(std::string& outputName, const std::string& pageTitle);
    LineShape ShapeOf(const InputFile::Line& line, std::string_view& text);
    void PlainLine(const InputFile::Line& line);
    void MarkedLine(const InputFile::Line& line);
    void WholeLine(std::string& outputName, std::string_view content);
    void LongLine(std::string& outputName);
    void Submit(std::string_view text, Suffix suffix, bool padded = false);
    void Append(std::string_view text, const UnderlineTest& underline);
    void EndLine(Suffix suffix, const UnderlineTest& underline);
    Next SplitStep(std::string& outputName);
    Section SectionOf(std::optional<float> label, bool startsWithBracket, bool settle);
    bool KeptAsReference(const std::string& pageName);
    void SwitchPage(std::string& outputName, const std::string& pageName);
    void ReportMissingPages();

    Engine& engine_;
    Host& host_;
    LineWriter& writer_;
    LineBreaks breaks_;
    const bool time_stamp_;
    CharacterSet set_ = CharacterSet::Latin1;  // of the input and every page

    const ConversionLimits limits_;
    bool make_valid_ = false;  // a UTF-8 page of input that need not be UTF-8

    InputFile input_;
    PageFile page_;
    PageSet finished_;  // complete pages, renamed into place together at the end
    long long line_number_ = 0;
    std::string line_, work_;  // the line in hand, and where a step that changes it writes
    LineConversion conversion_{limits_.line_in_memory, limits_.piece};
    bool failed_ = false;  // a page switch could not open its page
    bool may_replace_ = false;  // the host let a file that is no page be replaced

    // A regular file's character set is told as it is read: the pages are
    // written for the set guessed so far, and started again should it turn
    // out otherwise. Lines converted before are then converted again with
    // no yield, no warning and no look at Processing in between, as they
    // had those already.
    std::string first_page_;
    long long completed_ = 0;  // lines converted, with their yields
    long long replayed_ = 0;   // lines converted before the pages were started again
    bool restart_ = false;

    bool split_ = false;
    std::string input_folder_;
    bool in_contents_ = true;
    float previous_section_number_ = 0;
    // The section pages of this set, each with the line of its heading.
    std::unordered_map<std::string, long long> section_pages_;
    ReferenceLog references_;
    const ReferenceSink note_reference_ = [this](std::string_view label) { references_.Add(line_number_, label); };
};

bool Conversion::OpenPage(const std::string& path) {
    writer_.SetPage(&page_);
    const auto kind = split_ ? PageFile::Kind::InSet : PageFile::Kind::Named;
    auto opened = page_.Open(path, &input_.id(), kind, may_replace_);
    if (opened == PageFile::OpenResult::NotAPage) {
        if (!host_.MayReplaceNonPage(path)) return Fail("", Failure::NotAPage);
        may_replace_ = true;
        opened = page_.Open(path, &input_.id(), kind, true);
    }
    switch (opened) {
    case PageFile::OpenResult::Opened:
        return true;
    case PageFile::OpenResult::SameAsInput:
        return Fail("Output file is the same as the input file");
    case PageFile::OpenResult::Failed:
    case PageFile::OpenResult::NotAPage:
        break;
    }
    return Fail(page_.error());
}

bool Conversion::ClosePage() {
    if (page_.Close(finished_)) return true;
    return Fail(page_.error());
}

// Tells the user (unless the host already has), leaves no file open, no
// page replaced, no temporary file behind and nothing held back for the
// next page.
bool Conversion::Fail(const std::string& message, Failure failure) {
    failed_ = true;
    engine_.LastFailure = failure;
    if (!message.empty()) host_.ShowMessage(message);
    input_.Close();
    page_.Abandon();
    finished_.Discard();
    writer_.Discard();
    writer_.SetPage(nullptr);
    return false;
}

bool Conversion::Run(std::string& inputName, std::string& outputName, const std::string& pageTitle) {
    if (inputName.empty()) inputName = "c:\\input.txt";
    if (outputName.empty()) outputName = "c:\\output.html";
    StripQuotes(inputName);
    StripQuotes(outputName);
    if (outputName == SplitOutputName) {
        split_ = true;
        // Each document starts from "no label": a letter label on its first
        // lines must not take the number the previous document ended with.
        engine_.SectionNumber = 0;
        input_folder_ = DirectoryOf(inputName);
        outputName = input_folder_ + std::string(SplitContentsPage);
    }

    if (inputName == "-")
        input_.OpenStandardInput();
    else
        input_.Open(inputName);  // throws: nothing has been touched yet
    input_.SetLimits(limits_.read_size, limits_.line_in_memory);
    // The whole input decides, before anything of a page is written: it is
    // read to its end first, or a regular file is told as it is converted.
    // (A byte-order mark goes in a UTF-8 page only, which may leave nothing.)
    if (engine_.Encoding != CharacterSet::Auto) {
        set_ = engine_.Encoding;
    } else if (input_.regular() && !input_.StartsWithByteOrderMark()) {
        input_.CheckAsRead();
        set_ = CharacterSet::Latin1;
    } else {
        set_ = input_.Examine();
    }
    Prepare();

    if (input_.AtEnd()) {
        // Nothing to convert replaces nothing: only where no file was does
        // an empty one remain.
        if (!input_.error().empty()) return Fail(input_.error(), Failure::Input);
        engine_.LastFailure = Failure::EmptyInput;
        host_.ShowMessage("Input file appears to be empty");
        input_.Close();
        CreateEmptyPage(outputName);
        return false;
    }
    if (!OpenPage(outputName)) return false;
    // What is read so far may tell already; a page written in place (a
    // device, a pipe) cannot be started again, so its set is settled now.
    if (input_.checking() && (!page_.CanInsert() || input_.Guess() != set_)) {
        set_ = page_.CanInsert() ? input_.Guess() : input_.Settle();
        Prepare();
    }
    first_page_ = outputName;
    WritePageHeader(writer_, TitleFromUtf8(pageTitle), engine_.ShortTitle, set_);
    for (;;) {
        if (!ConvertLines(outputName)) return false;
        if (!restart_ && input_.checking() && input_.Settle() != set_) restart_ = true;
        if (!restart_) break;
        if (!Restart(outputName, pageTitle)) return false;
    }
    if (!input_.error().empty()) return Fail(input_.error(), Failure::Input);

    // Stopped by the user: the pages so far are kept only where they replace nothing.
    const bool stopped = !engine_.Processing;
    if (stopped) writer_.WriteLine(markup::Interrupted);
    writer_.WriteLine("");
    host_.Progress(input_.consumed(), input_.size());  // all of it read: a batch counts the bytes
    input_.Close();
    if (split_ && !in_contents_) WriteNavigationBar(writer_, engine_.SectionNumber, engine_.ShortTitle);
    WritePageFooter(writer_, time_stamp_, host_);
    writer_.WriteLine("");
    if (!ClosePage()) return false;
    writer_.SetPage(nullptr);
    // Whoever abandoned the conversion may already have removed its
    // temporary files: a page that then cannot take its name is no news.
    if (engine_.Abandoned) return Fail("", Failure::Abandoned);
    const auto replace = stopped ? PageSet::Replace::Nothing : PageSet::Replace::Any;
    if (std::string error; !finished_.Publish(error, replace))
        return engine_.Abandoned ? Fail("", Failure::Abandoned) : Fail(error);
    if (split_) ReportMissingPages();
    return true;
}

// What depends on the character set.
void Conversion::Prepare() {
    make_valid_ = set_ == CharacterSet::Utf8 && engine_.Encoding != CharacterSet::Auto;
    if (set_ == CharacterSet::Utf8) input_.SkipByteOrderMark();
    input_.SetAttention(split_, set_, !make_valid_);
    breaks_.Reset();
    writer_.SetHeldInMemory(limits_.held_line);
}

// The body, line by line, until the input ends, the user stops, or the
// character set turns out to be another than the pages are written in.
// False when the conversion failed.
bool Conversion::ConvertLines(std::string& outputName) {
    InputFile::Line line;
    while (input_.NextLine(line)) {
        if (input_.checking() && input_.Guess() != set_) {
            restart_ = true;
            return true;
        }
        ++line_number_;
        if (!line.whole)
            LongLine(outputName);
        else if (!line.attention && limits_.copy_plain_lines)
            PlainLine(line);
        else if (!split_ && !make_valid_ && limits_.copy_plain_lines)
            MarkedLine(line);
        else
            WholeLine(outputName, line.content);
        if (restart_) return true;
        if (failed_) return false;
        if (page_.failed()) return Fail(page_.error());
        if (writer_.failed()) return Fail(writer_.error());
        if (line_number_ % 25 == 0 && line_number_ > replayed_) {
            host_.Progress(input_.consumed(), input_.size());
            host_.Yield();
        }
        if (engine_.Abandoned) return Fail("", Failure::Abandoned);
        completed_ = line_number_;
        if ((line_number_ >= replayed_ && !engine_.Processing) || input_.AtEnd()) break;
    }
    return input_.error().empty() || Fail(input_.error(), Failure::Input);
}

// The pages so far were written in the wrong character set: they go, and
// the conversion starts again from the input's start.
bool Conversion::Restart(std::string& outputName, const std::string& pageTitle) {
    restart_ = false;
    replayed_ = std::max(replayed_, completed_);
    line_number_ = completed_ = 0;
    set_ = input_.Guess();
    page_.Abandon();
    finished_.Discard();
    writer_.Discard();
    input_.Rewind();
    if (split_) {
        engine_.SectionNumber = 0;
        in_contents_ = true;
        previous_section_number_ = 0;
        section_pages_.clear();
        references_.Clear();
    }
    outputName = first_page_;
    Prepare();
    if (!OpenPage(outputName)) return false;
    WritePageHeader(writer_, TitleFromUtf8(pageTitle), engine_.ShortTitle, set_);
    return true;
}

// A whole line's text and what the suffix rules look at in it, from what
// the scanner saw. In split mode a line without "[" has no label: its
// number is 0, and only its trim is left.
LineShape Conversion::ShapeOf(const InputFile::Line& line, std::string_view& text) {
    text = LineText(line.content);
    LineShape shape;
    size_t start = 0;
    if (split_) {
        start = std::min(text.find_first_not_of(' '), text.size());
        engine_.SectionNumber = 0;
    }
    text.remove_prefix(start);
    shape.bytes = text.size();
    shape.length = text.size() - line.continuations;  // what a UTF-8 page counts: characters
    shape.first = text.size() > 0 ? static_cast<unsigned char>(text[0]) : 0;
    shape.second = text.size() > 1 ? static_cast<unsigned char>(text[1]) : 0;
    // Four spaces in a row within the text: not among the trailing spaces,
    // nor (in split mode) among the leading ones that went. Where the first
    // run is among the leading spaces and the last among the trailing ones,
    // the text is looked at.
    const size_t begin = start + 3, end = start + text.size();
    const auto within = [begin, end](size_t at) { return at >= begin && at < end; };
    shape.laid_out = within(line.four_spaces) || within(line.last_four_spaces) ||
                     (line.four_spaces < begin && line.last_four_spaces >= end && text.find("    ") != std::string_view::npos);
    return shape;
}

// A line with no byte that needs attention: nothing in it is escaped or
// linked, and it holds no label, so its text goes to the page as it
// stands, copied once.
void Conversion::PlainLine(const InputFile::Line& line) {
    std::string_view text;
    const LineShape shape = ShapeOf(line, text);
    Submit(text, breaks_.Compose(breaks_.ChooseSuffix(shape)), true);
}

// A line outside split mode that holds bytes needing attention, known to
// be in the page's set: one look tells which steps have work to do, and
// the text goes through those only.
void Conversion::MarkedLine(const InputFile::Line& line) {
    std::string_view text;
    LineShape shape = ShapeOf(line, text);
    const AttentionKinds kinds = KindsOfAttention(text);
    shape.laid_out = shape.laid_out || kinds.tab;
    ConversionSteps steps;
    steps.shape = false;
    steps.escape = kinds.escaped;
    steps.links = !text.empty() && (kinds.at || kinds.colon);
    steps.keys = {kinds.at, kinds.colon, kinds.colon};
    conversion_.Begin(steps, set_, &note_reference_);
    text = conversion_.Convert(text, true);
    Submit(text, breaks_.Compose(breaks_.ChooseSuffix(shape)), false);
}

// Text, suffix and line end, written in place, and the held-back line made
// a heading when this one is an underline. Only the suffix of a body line
// can hold "<P>": any "<" of the text is escaped. padded: the text may be
// read a little past its end (it lies in the input buffer), so that it is
// copied sixteen bytes at a time; a plain line is short.
void Conversion::Submit(std::string_view text, Suffix suffix, bool padded) {
    constexpr size_t Block = sizeof(markup::SuffixBytes[0]);
    const std::string_view end = TextWithLineEnd(suffix);
    const size_t size = text.size() + end.size();
    if (size > limits_.held_line) {
        UnderlineTest underline(set_);
        underline.Add(text);
        underline.Add(end);
        // Known to be no underline, a line this long may go to the page as it is added.
        if (!underline.Holds()) writer_.NoUnderline();
        writer_.Append(text);
        EndLine(suffix, underline);
        return;
    }
    char* out = writer_.Room(std::max<size_t>(text.size(), 4 * Block) + 2 * Block);
    if (padded) {
        // Most lines are copied by the first four blocks, with no loop to guess the end of.
        std::memcpy(out, text.data(), 4 * Block);
        for (size_t at = 4 * Block; at < text.size(); at += Block) std::memcpy(out + at, text.data() + at, Block);
    } else {
        std::memcpy(out, text.data(), text.size());
    }
    std::memcpy(out + text.size(), end.data(), Block);  // the suffix, CR LF and padding
    bool underline = false;
    const Heading heading = !IsUnderlineAtAGlance({out, size}, set_, underline) ? HeadingUnder({out, size}, set_)
                            : underline                                        ? HeadingUnder(out[0])
                                                                               : Heading::None;
    writer_.Added(size);
    writer_.EndLine(heading, HasParagraph(suffix));
}

// Text of a line that comes in pieces. Known to be no underline, the line
// may go to the page as it comes.
void Conversion::Append(std::string_view text, const UnderlineTest& underline) {
    if (underline.Impossible()) writer_.NoUnderline();
    writer_.Append(text);
}

// The suffix and line end of a line added in pieces (underline has seen
// them too), and the held-back line made a heading if this is an underline.
void Conversion::EndLine(Suffix suffix, const UnderlineTest& underline) {
    Append(TextWithLineEnd(suffix), underline);
    writer_.EndLine(underline.Makes(), HasParagraph(suffix));
}

// Any other line, held whole: each step runs on it as it is written.
void Conversion::WholeLine(std::string& outputName, std::string_view content) {
    line_.assign(content);
    // Every step after this one sees well-formed text of the page's set.
    if (make_valid_) MakeValidUtf8(line_, work_);
    line_.resize(LineText(line_).size());
    Next next = Next::Suffix;
    if (split_) {
        next = SplitStep(outputName);
        if (failed_) return;
    }
    if (next == Next::Compose) {
        Submit(line_, breaks_.Compose(Suffix::None));
        return;
    }
    ConversionSteps steps;
    steps.escape = next == Next::Suffix;
    steps.links = !line_.empty() && MayHoldLinks(line_);  // anchors add keys only where keys were
    conversion_.Begin(steps, set_, &note_reference_);
    const std::string_view text = conversion_.Convert(line_, true);
    Submit(text, breaks_.Compose(breaks_.ChooseSuffix(conversion_.shape())));
}

// A line too long to hold whole goes through the same steps piece by
// piece, each piece written as it is converted. What must be known before
// its text is converted (where the text ends, its label in split mode, whether
// it may hold links) comes from a first reading to its end.
void Conversion::LongLine(std::string& outputName) {
    class LongLine line(input_, set_, limits_.piece);
    if (!line.Measure(split_)) {
        Fail(input_.error(), Failure::Input);
        return;
    }
    if (input_.checking() && input_.Guess() != set_) {  // its bytes told another character set
        restart_ = true;
        return;
    }
    const LongLineFacts& facts = line.facts();
    Section section = Section::None;
    if (split_) {
        section = SectionOf(facts.label, facts.starts_with_bracket, false);
        // A section heading becomes the title of its page: it is held whole.
        if (section == Section::Heading) {
            const std::string whole = line.Whole();
            input_.EndLongLine();
            WholeLine(outputName, whole);
            return;
        }
        SectionOf(facts.label, facts.starts_with_bracket, true);
    }
    ConversionSteps steps;
    steps.make_valid = make_valid_;
    steps.cross_references = section != Section::None;
    steps.shape = section != Section::ContentsEntry;
    steps.links = section != Section::ContentsEntry && facts.may_hold_links;
    line.CutFor(steps.links, steps.cross_references && facts.brackets);
    conversion_.Begin(steps, set_, &note_reference_);
    UnderlineTest underline(set_);
    std::string_view piece;
    bool whole = true, last = false;
    while (conversion_.error().empty() && line.NextPiece(piece, whole, last)) {
        conversion_.Convert(piece, whole, last, [&](std::string_view text) {
            underline.Add(text);
            Append(text, underline);
        });
    }
    if (!conversion_.error().empty()) {
        Fail(conversion_.error());
        return;
    }
    const Suffix suffix = breaks_.Compose(
        section == Section::ContentsEntry ? Suffix::None : breaks_.ChooseSuffix(conversion_.shape()));
    if (section == Section::ContentsEntry) previous_section_number_ = engine_.SectionNumber;
    underline.Add(TextWithLineEnd(suffix));
    EndLine(suffix, underline);
    input_.EndLongLine();
}

// The section-label step of split mode. Compose: the line is finished (a
// contents entry, or the heading that opened a new page); Convert: a line
// with its labels already linked, which goes on like any other but is not
// escaped again; Suffix: an ordinary line.
Conversion::Next Conversion::SplitStep(std::string& outputName) {
    const auto label = LabelNumber(line_);
    switch (SectionOf(label, !line_.empty() && line_[0] == '[', true)) {
    case Section::None:
        return Next::Suffix;
    case Section::ContentsEntry:
        line_ = LinkCrossReferences(EscapeText(line_, set_), set_, note_reference_);
        previous_section_number_ = engine_.SectionNumber;
        return Next::Compose;
    case Section::Heading:
        if (const std::string pageName = PageFileName(line_); !KeptAsReference(pageName)) {
            SwitchPage(outputName, pageName);
            previous_section_number_ = engine_.SectionNumber;
            return Next::Compose;
        }
        break;
    case Section::Reference:
        break;
    }
    line_ = LinkCrossReferences(EscapeText(line_, set_), set_, note_reference_);
    return Next::Convert;
}

// What a line with this label is: the label's number (when it has one)
// becomes the section number, and a number lower than the one before ends
// the contents list. Only when settle is the state changed.
Conversion::Section Conversion::SectionOf(std::optional<float> label, bool startsWithBracket, bool settle) {
    const float section = label ? *label : engine_.SectionNumber;
    if (settle) engine_.SectionNumber = section;
    if (!(section > 0)) return Section::None;
    const bool inContents = in_contents_ && !(section < previous_section_number_);
    if (settle) in_contents_ = inContents;
    if (inContents) return Section::ContentsEntry;
    return startsWithBracket ? Section::Heading : Section::Reference;
}

// A heading whose page this set already has (or whose label has no "]" and
// so names no page) would overwrite that page and lose a section: it stays
// in the open page as a line that refers to its section.
bool Conversion::KeptAsReference(const std::string& pageName) {
    if (pageName.empty()) return true;
    const std::string label = "line " + std::to_string(line_number_) + ": " + line_.substr(0, line_.find(']') + 1);
    const bool warn = line_number_ > replayed_;  // not again for a line converted again
    if (pageName == SplitContentsPage) {
        if (warn) host_.Warn(label + " names the page contents.html, the contents page; kept as a cross reference");
        return true;
    }
    const auto written = section_pages_.find(pageName);
    if (written == section_pages_.end()) return false;
    if (warn)
        host_.Warn(label + " names the page " + pageName + ", already written from line " +
                   std::to_string(written->second) + "; kept as a cross reference");
    return true;
}

void Conversion::SwitchPage(std::string& outputName, const std::string& pageName) {
    if (!section_pages_.empty()) WriteBackToContents(writer_);  // none before the contents page closes
    WritePageFooter(writer_, time_stamp_, host_);
    writer_.WriteLine("");
    if (!ClosePage()) return;
    outputName = input_folder_ + pageName;
    section_pages_.emplace(pageName, line_number_);
    if (!OpenPage(outputName)) return;
    // The heading is the document's text: escaped like the rest of it.
    WritePageHeader(writer_, TitleFromLine(EscapeText(line_, set_), set_), engine_.ShortTitle, set_);
    breaks_.Reset();
    line_.clear();
}

// Says what the set lacks, without changing any page: references to
// sections that have no page, or no section at all after the contents.
void Conversion::ReportMissingPages() {
    if (section_pages_.empty()) {
        host_.Warn("no section heading follows the contents list; only contents.html was written");
        return;
    }
    long long missing = 0;
    references_.ForEach([&](long long line, std::string_view label) {
        const std::string pageName = PageNameOfLabel(label);
        if (pageName == SplitContentsPage || section_pages_.count(pageName) != 0) return;
        if (++missing <= ShownMissingReferences)
            host_.Warn("line " + std::to_string(line) + ": [" + std::string(label) + "] refers to the page " +
                       pageName + ", which this document does not have");
    });
    if (const long long more = missing - ShownMissingReferences; more > 0)
        host_.Warn("... and " + std::to_string(more) + " more cross reference" + (more == 1 ? "" : "s") +
                   " to missing pages");
}

bool Engine::ConvertFile(std::string& InputName, std::string& OutputName, std::string& PageTitle,
                         int& LineBreakMode, bool& TimeStamp) {
    LastFailure = Failure::None;
    Conversion conversion(*this, LineBreakModeOf(LineBreakMode), TimeStamp);
    return conversion.Run(InputName, OutputName, PageTitle);
}

}  // namespace torvex
