// The conversion pass: one input file, cut into lines, each line given its
// ending, escaped, linked and handed to the line writer; in split mode the
// same pass writes a contents page and one page per section heading.
#include <cerrno>
#include <unistd.h>

#include <unordered_map>

#include "engine.h"
#include "escape.h"
#include "huge_buffer.h"
#include "input_file.h"
#include "labels.h"
#include "line_breaks.h"
#include "links.h"
#include "page_file.h"
#include "page_footer.h"
#include "page_header.h"
#include "reference_log.h"
#include "section_tables.h"
#include "title.h"
#include "utf8.h"

namespace torvex {

namespace {

constexpr std::string_view CrLf = "\r\n";
// In this order; each key leaves the anchors of the keys before it alone.
constexpr std::string_view LinkKeys[] = {"@", "://", "news:"};
constexpr std::string_view ContentsPage = "contents.html";
// Warnings about references to missing pages: this many, then a count.
constexpr long long ShownMissingReferences = 10;

std::string CurrentDirectory() {
    std::string dir(256, '\0');
    while (getcwd(dir.data(), dir.size()) == nullptr) {
        if (errno != ERANGE) return ".";
        dir.resize(dir.size() * 2);
    }
    dir.resize(dir.find('\0'));
    return dir;
}

}  // namespace

// The folder part of path with its final "/", or the current directory.
std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        std::string dir = CurrentDirectory();
        if (dir.empty() || dir.back() != '/') dir += '/';
        return dir;
    }
    return path.substr(0, slash + 1);
}

class Conversion {
public:
    Conversion(Engine& engine, int mode, bool timeStamp)
        : engine_(engine), host_(engine.host_), writer_(engine.writer_), mode_(mode), breaks_(mode),
          time_stamp_(timeStamp) {}

    bool Run(std::string& inputName, std::string& outputName, const std::string& pageTitle);

private:
    enum class Next { Suffix, Compose, Convert };

    bool OpenPage(const std::string& path);
    bool ClosePage();
    bool Fail(const std::string& message);
    void ConvertLine(std::string& outputName);
    Next SplitStep(std::string& outputName);
    bool KeptAsReference(const std::string& pageName);
    void SwitchPage(std::string& outputName, const std::string& pageName);
    void WriteNavigationBar();
    void ReportMissingPages();

    Engine& engine_;
    Host& host_;
    LineWriter& writer_;
    const int mode_;
    LineBreaks breaks_;
    const bool time_stamp_;
    CharacterSet set_ = CharacterSet::Latin1;  // of the input and every page

    InputFile input_;
    PageFile page_;
    PageSet finished_;  // complete pages, renamed into place together at the end
    long long line_number_ = 0;
    std::string line_, work_;  // the line in hand, and where a step that changes it writes
    bool failed_ = false;  // a page switch could not open its page

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
    auto opened = page_.Open(path, &input_.id(), kind, false);
    if (opened == PageFile::OpenResult::NotAPage) {
        if (!host_.MayReplaceNonPage(path)) return Fail("");
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
bool Conversion::Fail(const std::string& message) {
    failed_ = true;
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
    if (outputName == "FAQ") {
        split_ = true;
        // Each document starts from "no label": a letter label on its first
        // lines must not take the number the previous document ended with.
        engine_.SectionNumber = 0;
        input_folder_ = DirectoryOf(inputName);
        outputName = input_folder_ + "contents.html";
    }

    if (inputName == "-")
        input_.OpenStandardInput();
    else
        input_.Open(inputName);  // throws: nothing has been touched yet
    // The whole input decides, before anything of a page is written.
    set_ = engine_.Encoding == CharacterSet::Auto ? input_.Examine() : engine_.Encoding;
    if (set_ == CharacterSet::Utf8) input_.SkipByteOrderMark();
    breaks_ = LineBreaks(mode_, set_);
    writer_.SetCharacterSet(set_);

    if (input_.AtEnd()) {
        // Nothing to convert replaces nothing: only where no file was does
        // an empty one remain.
        if (!input_.error().empty()) return Fail(input_.error());
        host_.ShowMessage("Input file appears to be empty");
        input_.Close();
        CreateEmptyPage(outputName);
        return false;
    }
    if (!OpenPage(outputName)) return false;
    WritePageHeader(writer_, TitleFromUtf8(pageTitle), engine_.ShortTitle, set_);

    for (;;) {
        input_.ReadLine(line_);
        ++line_number_;
        ConvertLine(outputName);
        if (failed_) return false;
        if (page_.failed()) return Fail(page_.error());
        if (line_number_ % 25 == 0) {
            host_.Progress(input_.consumed(), input_.size());
            host_.Yield();
        }
        if (engine_.Abandoned) return Fail("");
        if (!engine_.Processing || input_.AtEnd()) break;
    }
    if (!input_.error().empty()) return Fail(input_.error());

    if (!engine_.Processing) writer_.WriteLine("<P>Processing interrupted</P>");
    writer_.WriteLine("");
    host_.Progress(input_.consumed(), input_.size());  // all of it read: a batch counts the bytes
    input_.Close();
    if (split_ && !in_contents_) WriteNavigationBar();
    WritePageFooter(writer_, time_stamp_, host_);
    writer_.WriteLine("");
    if (!ClosePage()) return false;
    writer_.SetPage(nullptr);
    // Whoever abandoned the conversion may already have removed its
    // temporary files: a page that then cannot take its name is no news.
    if (engine_.Abandoned) return Fail("");
    if (std::string error; !finished_.Publish(error)) return Fail(engine_.Abandoned ? "" : error);
    if (split_) ReportMissingPages();
    return true;
}

// Steady state: the line moves between a few buffers that keep their
// capacity, and a step that would not change it (no character to escape,
// no key) copies nothing.
void Conversion::ConvertLine(std::string& outputName) {
    // Every step after this one sees well-formed text of the page's set.
    if (set_ == CharacterSet::Utf8) MakeValidUtf8(line_, work_);
    // The raw line becomes the line text in place; its end is CR LF again below.
    NormaliseLineEnd(line_);
    line_.resize(TrimLineEnd(line_).size());
    bool escaped = false;
    std::string_view suffix;
    Next next = Next::Suffix;
    if (split_) {
        next = SplitStep(outputName);
        if (failed_) return;
        escaped = next == Next::Convert;
    }
    if (next != Next::Compose) {
        bool convert = false;
        suffix = breaks_.ChooseSuffix(line_, convert);
        if (convert) {
            if (!escaped && NeedsEscaping(line_)) {
                work_.clear();
                ReserveHuge(work_, 2 * line_.size());
                AppendEscaped(line_, work_, set_);
                line_.swap(work_);
            }
            const bool mayHoldLinks = MayHoldLinks(line_);  // anchors add keys only where keys were
            for (std::string_view key : LinkKeys) {
                if (!mayHoldLinks || !ContainsKey(line_, key)) continue;
                work_.clear();
                AppendLinks(line_, key, work_, set_);
                line_.swap(work_);
            }
        }
    }
    suffix = breaks_.Compose(suffix);
    line_.append(suffix).append(CrLf);
    writer_.Submit(line_);
}

// The section-label step of split mode. Compose: the line is finished (a
// contents entry, or the heading that opened a new page); Convert: a line
// with its labels already linked, which goes on like any other but is not
// escaped again; Suffix: an ordinary line.
Conversion::Next Conversion::SplitStep(std::string& outputName) {
    if (const auto number = LabelNumber(line_)) engine_.SectionNumber = *number;
    const float section = engine_.SectionNumber;
    if (!(section > 0)) return Next::Suffix;
    if (section < previous_section_number_) in_contents_ = false;
    if (in_contents_) {
        line_ = LinkCrossReferences(EscapeText(line_, set_), set_, note_reference_);
        previous_section_number_ = section;
        return Next::Compose;
    }
    if (!line_.empty() && line_[0] == '[') {
        if (const std::string pageName = PageFileName(line_); !KeptAsReference(pageName)) {
            SwitchPage(outputName, pageName);
            previous_section_number_ = section;
            return Next::Compose;
        }
    }
    line_ = LinkCrossReferences(EscapeText(line_, set_), set_, note_reference_);
    return Next::Convert;
}

// A heading whose page this set already has (or whose label has no "]" and
// so names no page) would overwrite that page and lose a section: it stays
// in the open page as a line that refers to its section.
bool Conversion::KeptAsReference(const std::string& pageName) {
    if (pageName.empty()) return true;
    const std::string label = "line " + std::to_string(line_number_) + ": " + line_.substr(0, line_.find(']') + 1);
    if (pageName == ContentsPage) {
        host_.Warn(label + " names the page contents.html, the contents page; kept as a cross reference");
        return true;
    }
    const auto written = section_pages_.find(pageName);
    if (written == section_pages_.end()) return false;
    host_.Warn(label + " names the page " + pageName + ", already written from line " +
               std::to_string(written->second) + "; kept as a cross reference");
    return true;
}

void Conversion::SwitchPage(std::string& outputName, const std::string& pageName) {
    if (outputName.find("contents") == std::string::npos)
        writer_.WriteLine("<H2><A HREF=\"contents.html\">Contents Page</A></H2>\r\n");
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

void Conversion::WriteNavigationBar() {
    writer_.WriteLine("<HR><B><P>\r\n");
    writer_.WriteLine("<A HREF=\"./\">FAQ Home</A> > \r\n");
    writer_.WriteLine("<A HREF=\"contents.html\">Vantry FAQ Contents</A>\r\n");
    if (engine_.SectionNumber > 0) {
        const auto n = static_cast<size_t>(engine_.SectionNumber) - 1;
        if (n < SectionFiles.size()) {
            writer_.WriteLine(std::string(" &gt; <A HREF=\"") + std::string(SectionFiles[n]) + "\">");
            writer_.WriteLine(std::string(SectionTitles[n]) + "</A>\r\n");
        }
    }
    writer_.WriteLine(" &gt; " + engine_.ShortTitle + " &gt; \r\n");
    writer_.WriteLine("<A HREF=\"#top\">Top</A>\r\n");
    writer_.WriteLine("</P></B>\r\n");
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
        const std::string pageName = PageFileName("[" + std::string(label) + "]");
        if (pageName == ContentsPage || section_pages_.count(pageName) != 0) return;
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
    Conversion conversion(*this, LineBreakMode, TimeStamp);
    return conversion.Run(InputName, OutputName, PageTitle);
}

}  // namespace torvex
