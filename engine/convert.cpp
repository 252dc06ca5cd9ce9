// The conversion pass: one input file, cut into lines, each line given its
// ending, escaped, linked and handed to the line writer; in split mode the
// same pass writes a contents page and one page per section heading.
#include <cerrno>
#include <unistd.h>

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
#include "section_tables.h"
#include "title.h"

namespace torvex {

namespace {

constexpr std::string_view CrLf = "\r\n";
// In this order; each key leaves the anchors of the keys before it alone.
constexpr std::string_view LinkKeys[] = {"@", "://", "news:"};

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
        : engine_(engine), host_(engine.host_), writer_(engine.writer_), breaks_(mode), time_stamp_(timeStamp) {}

    bool Run(std::string& inputName, std::string& outputName, const std::string& pageTitle);

private:
    enum class Next { Suffix, Compose, Convert };

    bool OpenPage(const std::string& path);
    bool ClosePage();
    bool Fail(const std::string& message);
    void ConvertLine(std::string& outputName);
    Next SplitStep(std::string& outputName);
    void SwitchPage(std::string& outputName);
    void WriteNavigationBar();

    Engine& engine_;
    Host& host_;
    LineWriter& writer_;
    LineBreaks breaks_;
    const bool time_stamp_;

    InputFile input_;
    PageFile page_;
    std::string line_, work_;  // the line in hand, and where a step that changes it writes
    bool failed_ = false;  // a page switch could not open its page

    bool split_ = false;
    std::string input_folder_;
    bool in_contents_ = true;
    float previous_section_number_ = 0;
};

bool Conversion::OpenPage(const std::string& path) {
    writer_.SetPage(&page_);
    const auto opened = path == "-" ? page_.OpenStandardOutput(&input_.id()) : page_.Open(path, &input_.id());
    switch (opened) {
    case PageFile::OpenResult::Opened:
        return true;
    case PageFile::OpenResult::SameAsInput:
        return Fail("Output file is the same as the input file");
    case PageFile::OpenResult::Failed:
        break;
    }
    return Fail(page_.error());
}

bool Conversion::ClosePage() {
    if (page_.Close()) return true;
    return Fail(page_.error());
}

// Tells the user, leaves no file open and nothing held back for the next page.
bool Conversion::Fail(const std::string& message) {
    failed_ = true;
    host_.ShowMessage(message);
    input_.Close();
    page_.Close();
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

    if (!OpenPage(outputName)) return false;
    if (input_.AtEnd()) {
        if (!input_.error().empty()) return Fail(input_.error());
        host_.ShowMessage("Input file appears to be empty");
        input_.Close();
        writer_.SetPage(nullptr);
        if (!page_.Close()) host_.ShowMessage(page_.error());
        return false;
    }
    WritePageHeader(writer_, TitleFromUtf8(pageTitle), engine_.ShortTitle);

    long long line_count = 0;
    for (;;) {
        input_.ReadLine(line_);
        ConvertLine(outputName);
        if (failed_) return false;
        if (page_.failed()) return Fail(page_.error());
        if (++line_count % 25 == 0) {
            host_.Progress(input_.consumed(), input_.size());
            host_.Yield();
        }
        if (!engine_.Processing || input_.AtEnd()) break;
    }
    if (!input_.error().empty()) return Fail(input_.error());

    if (!engine_.Processing) writer_.WriteLine("<P>Processing interrupted</P>");
    writer_.WriteLine("");
    input_.Close();
    if (split_ && !in_contents_) WriteNavigationBar();
    WritePageFooter(writer_, time_stamp_, host_);
    writer_.WriteLine("");
    if (!ClosePage()) return false;
    writer_.SetPage(nullptr);
    return true;
}

// Steady state: the line moves between a few buffers that keep their
// capacity, and a step that would not change it (no character to escape,
// no key) copies nothing.
void Conversion::ConvertLine(std::string& outputName) {
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
                AppendEscaped(line_, work_);
                line_.swap(work_);
            }
            const bool mayHoldLinks = MayHoldLinks(line_);  // anchors add keys only where keys were
            for (std::string_view key : LinkKeys) {
                if (!mayHoldLinks || !ContainsKey(line_, key)) continue;
                work_.clear();
                AppendLinks(line_, key, work_);
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
        line_ = LinkCrossReferences(EscapeText(line_));
        previous_section_number_ = section;
        return Next::Compose;
    }
    if (!line_.empty() && line_[0] == '[') {
        SwitchPage(outputName);
        previous_section_number_ = section;
        return Next::Compose;
    }
    line_ = LinkCrossReferences(EscapeText(line_));
    return Next::Convert;
}

void Conversion::SwitchPage(std::string& outputName) {
    if (outputName.find("contents") == std::string::npos)
        writer_.WriteLine("<H2><A HREF=\"contents.html\">Contents Page</A></H2>\r\n");
    WritePageFooter(writer_, time_stamp_, host_);
    writer_.WriteLine("");
    if (!ClosePage()) return;
    outputName = input_folder_ + PageFileName(line_);
    if (!OpenPage(outputName)) return;
    // The heading is the document's text: escaped like the rest of it.
    WritePageHeader(writer_, TitleFromBytes(EscapeText(line_)), engine_.ShortTitle);
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

bool Engine::ConvertFile(std::string& InputName, std::string& OutputName, std::string& PageTitle,
                         int& LineBreakMode, bool& TimeStamp) {
    Conversion conversion(*this, LineBreakMode, TimeStamp);
    return conversion.Run(InputName, OutputName, PageTitle);
}

}  // namespace torvex
