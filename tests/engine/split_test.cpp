// Whole conversions of numbered documents into page sets ("FAQ" output).
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

#include "engine.h"
#include "path_names.h"
#include "pages.h"
#include "recording_host.h"
#include "temp_dir.h"
#include "test_engine.h"

namespace torvex {
namespace {

using testing::PageFoot;
using testing::PageHead;
using testing::ReadFile;
using testing::RecordingHost;
using testing::TempDir;
using testing::TestEngine;
using testing::WriteFile;

const std::string ContentsLine = "<H2><A HREF=\"contents.html\">Contents Page</A></H2>\r\n";

// The navigation bar of a set's last page; tableLine is the section table
// line, or empty when the last input line has no usable label.
std::string Bar(const std::string& shortTitle, const std::string& tableLine = "") {
    return "<HR><B><P>\r\n"
           "<A HREF=\"./\">FAQ Home</A> > \r\n"
           "<A HREF=\"contents.html\">Vantry FAQ Contents</A>\r\n" +
           tableLine + " &gt; " + shortTitle + " &gt; \r\n" +
           "<A HREF=\"#top\">Top</A>\r\n"
           "</P></B>\r\n";
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

// One engine and its host; Convert runs one request the way a front end does.
struct Converter {
    RecordingHost host;
    TestEngine engine{host};

    struct Result {
        bool ok;
        std::string outputName;
    };

    Result Convert(const std::string& input, std::string output = "FAQ", std::string title = "The FAQ",
                   int mode = 2, bool stamp = false) {
        std::string inputName = input;
        engine.Processing = true;
        const bool ok = engine.ConvertFile(inputName, output, title, mode, stamp);
        return {ok, output};
    }
};

// The usual small document: a contents list of two entries, then the two sections.
const std::string TwoSections =
    "[1] Alpha\n"
    "[2] Beta\n"
    "[1] Alpha\n"
    "Alpha text.\n"
    "[2] Beta\n"
    "Beta text.\n";
const std::string TwoSectionsContents =
    "[1] <A HREF=\"1.html\">Alpha</A><BR>\r\n"
    "[2] <A HREF=\"2.html\">Beta</A><BR>\r\n";

TEST(SplitMode, NumbersThatOnlyGrowStayOnTheContentsPageWithoutABar) {
    TempDir dir;
    WriteFile(dir / "faq.txt",
              "Intro\n"
              "  [1] One\n"
              "[2] Two\n"
              "[2.1] Two point one\n"
              "[3] Three\n"
              "Closing words.\n");
    Converter c;
    const auto run = c.Convert(dir / "faq.txt", "FAQ", "My FAQ");
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.outputName, dir / "contents.html");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"contents.html", "faq.txt"}));
    EXPECT_EQ(ReadFile(dir / "contents.html"), PageHead("My FAQ") +
                                                   "Intro<BR>\r\n"
                                                   "[1] <A HREF=\"1.html\">One</A><BR>\r\n"
                                                   "[2] <A HREF=\"2.html\">Two</A><BR>\r\n"
                                                   "[2.1] <A HREF=\"2_1.html\">Two point one</A><BR>\r\n"
                                                   "[3] <A HREF=\"3.html\">Three</A><BR>\r\n"
                                                   "Closing words.<BR>\r\n" +
                                                   PageFoot());
    EXPECT_TRUE(c.host.messages.empty());
    EXPECT_EQ(c.host.warnings,
              std::vector<std::string>{"no section heading follows the contents list; only contents.html was written"});
}

TEST(SplitMode, EachHeadingClosesThePageBeforeItAndTheLastPageGetsTheBar) {
    TempDir dir;
    WriteFile(dir / "faq.txt", TwoSections);
    Converter c;
    const auto run = c.Convert(dir / "faq.txt", "FAQ", "Set");
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.outputName, dir / "2.html");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"contents.html", "1.html", "2.html", "faq.txt"}));
    // The contents page is closed by the first heading without the "Contents Page" line.
    EXPECT_EQ(ReadFile(dir / "contents.html"), PageHead("Set") + TwoSectionsContents + PageFoot());
    EXPECT_EQ(ReadFile(dir / "1.html"),
              PageHead("Alpha") + "\r\nAlpha text.<BR>\r\n" + ContentsLine + PageFoot());
    EXPECT_EQ(ReadFile(dir / "2.html"), PageHead("Beta") + "\r\nBeta text.<BR>\r\n" + Bar("Beta") + PageFoot());
    EXPECT_TRUE(c.host.messages.empty());
    EXPECT_EQ(c.engine.ShortTitle, "Beta");
}

TEST(SplitMode, ContentsInTheFolderPathKeepsTheContentsPageLineOffEveryPage) {
    TempDir root;
    const std::string folder = root / "old contents";
    std::filesystem::create_directory(folder);
    WriteFile(folder + "/faq.txt", TwoSections);
    Converter c;
    EXPECT_TRUE(c.Convert(folder + "/faq.txt").ok);
    EXPECT_EQ(ReadFile(folder + "/1.html"), PageHead("Alpha") + "\r\nAlpha text.<BR>\r\n" + PageFoot());
    EXPECT_EQ(ReadFile(folder + "/2.html"),
              PageHead("Beta") + "\r\nBeta text.<BR>\r\n" + Bar("Beta") + PageFoot());
}

TEST(SplitMode, SubSectionHeadingOpensItsOwnPage) {
    TempDir dir;
    WriteFile(dir / "faq.txt",
              "[3] Basics\n"
              "[4] Options\n"
              "[4.1] Line breaks\n"
              "[3] Basics\n"
              "[4] Options\n"
              "See [4.1].\n"
              "[4.1] Line breaks\n"
              "Text.\n");
    Converter c;
    const auto run = c.Convert(dir / "faq.txt");
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.outputName, dir / "4_1.html");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"contents.html", "3.html", "4.html", "4_1.html", "faq.txt"}));
    // The reference is linked and still gets its "<BR>".
    EXPECT_EQ(ReadFile(dir / "4.html"), PageHead("Options") + "\r\nSee <A HREF=\"4_1.html\">[4.1]</A>.<BR>\r\n" +
                                            ContentsLine + PageFoot());
    EXPECT_EQ(ReadFile(dir / "4_1.html"),
              PageHead("Line breaks") + "\r\nText.<BR>\r\n" + Bar("Line breaks") + PageFoot());
}

TEST(SplitMode, LeadingSpacesAreLostAndLeadingTabsKept) {
    const std::string indented = "    This line of prose is indented by four spaces in the text.\n";
    TempDir dir;
    WriteFile(dir / "faq.txt", "   Indented intro\n"
                               "  [1] One\n"
                               "[2] Two\n"
                               "[1] One\n" +
                                   indented + "\tTabbed line\n");
    Converter c;
    EXPECT_TRUE(c.Convert(dir / "faq.txt").ok);
    EXPECT_EQ(ReadFile(dir / "contents.html"), PageHead("The FAQ") +
                                                   "Indented intro<BR>\r\n"
                                                   "[1] <A HREF=\"1.html\">One</A><BR>\r\n"
                                                   "[2] <A HREF=\"2.html\">Two</A><BR>\r\n" +
                                                   PageFoot());
    // 58 characters once the spaces are gone: too long for "<BR>" after the
    // page's fresh line lengths, and no longer four spaces in a row.
    EXPECT_EQ(ReadFile(dir / "1.html"), PageHead("One") +
                                            "\r\n"
                                            "This line of prose is indented by four spaces in the text.\r\n"
                                            "\tTabbed line<BR>\r\n" +
                                            Bar("One") + PageFoot());

    // Outside split mode the same line keeps its spaces and so its "<BR>".
    WriteFile(dir / "plain.txt", indented);
    EXPECT_TRUE(c.Convert(dir / "plain.txt", dir / "plain.html", "Plain").ok);
    EXPECT_EQ(ReadFile(dir / "plain.html"),
              PageHead("Plain") + "    This line of prose is indented by four spaces in the text.<BR>\r\n" +
                  PageFoot());
}

TEST(SplitMode, LetterLabelSwitchesPagesOnlyRightAfterALabelledLine) {
    TempDir dir;
    WriteFile(dir / "faq.txt",
              "[1] One\n"
              "[2] Two\n"
              "[1] One\n"
              "[A] Appendix\n"
              "Text.\n"
              "[A] Again\n");
    Converter c;
    const auto run = c.Convert(dir / "faq.txt");
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.outputName, dir / "A.html");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"contents.html", "1.html", "A.html", "faq.txt"}));
    EXPECT_EQ(ReadFile(dir / "1.html"), PageHead("One") + "\r\n" + ContentsLine + PageFoot());
    EXPECT_EQ(ReadFile(dir / "A.html"), PageHead("Appendix") + "\r\nText.<BR>\r\n[A] Again<BR>\r\n" +
                                            Bar("Appendix") + PageFoot());
}

TEST(SplitMode, LabelZeroCountsAsNoLabel) {
    TempDir dir;
    WriteFile(dir / "faq.txt",
              "[1] One\n"
              "[0] Zero\n"
              "[2] Two\n"
              "[1] One\n"
              "[0] Not a heading\n");
    Converter c;
    EXPECT_TRUE(c.Convert(dir / "faq.txt").ok);
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"contents.html", "1.html", "faq.txt"}));
    EXPECT_EQ(ReadFile(dir / "contents.html"), PageHead("The FAQ") +
                                                   "[1] <A HREF=\"1.html\">One</A><BR>\r\n"
                                                   "[0] Zero<BR>\r\n"
                                                   "[2] <A HREF=\"2.html\">Two</A><BR>\r\n" +
                                                   PageFoot());
    EXPECT_EQ(ReadFile(dir / "1.html"),
              PageHead("One") + "\r\n[0] Not a heading<BR>\r\n" + Bar("One") + PageFoot());
}

TEST(SplitMode, BarNamesTheSectionOfTheLastLineWhenTheTableHasIt) {
    const struct {
        std::string lastLine, body, tableLine;
    } cases[] = {
        {"See [3].", "See <A HREF=\"3.html\">[3]</A>.<BR>\r\n",
         " &gt; <A HREF=\"start.html\">Getting started</A>\r\n"},
        {"See [1.5].", "See <A HREF=\"1_5.html\">[1.5]</A>.<BR>\r\n",
         " &gt; <A HREF=\"general.html\">General information</A>\r\n"},
        {"See [21].", "See <A HREF=\"21.html\">[21]</A>.<BR>\r\n",
         " &gt; <A HREF=\"reading.html\">Further reading</A>\r\n"},
        {"See [22].", "See <A HREF=\"22.html\">[22]</A>.<BR>\r\n", ""},
        {"See [32767].", "See <A HREF=\"32767.html\">[32767]</A>.<BR>\r\n", ""},
        {"Plain.", "Plain.<BR>\r\n", ""},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.lastLine);
        TempDir dir;
        WriteFile(dir / "faq.txt", "[1] One\n[2] Two\n[1] One\n" + tc.lastLine + "\n");
        Converter c;
        EXPECT_TRUE(c.Convert(dir / "faq.txt").ok);
        EXPECT_EQ(ReadFile(dir / "1.html"),
                  PageHead("One") + "\r\n" + tc.body + Bar("One", tc.tableLine) + PageFoot());
    }
}

TEST(SplitMode, HeadingTextIsEscapedInTheNewPageButATypedTitleIsNot) {
    TempDir dir;
    WriteFile(dir / "faq.txt",
              "[4] Using <Ctrl> keys\n"
              "[5] More\n"
              "[4] Using <Ctrl> keys\n"
              "Press <Ctrl>.\n");
    Converter c;
    EXPECT_TRUE(c.Convert(dir / "faq.txt", "FAQ", "<B>Bold</B> FAQ").ok);
    EXPECT_EQ(ReadFile(dir / "contents.html"), PageHead("<B>Bold</B> FAQ") +
                                                   "[4] <A HREF=\"4.html\">Using &lt;Ctrl&gt; keys</A><BR>\r\n"
                                                   "[5] <A HREF=\"5.html\">More</A><BR>\r\n" +
                                                   PageFoot());
    EXPECT_EQ(ReadFile(dir / "4.html"), PageHead("Using &lt;Ctrl&gt; keys") + "\r\nPress &lt;Ctrl&gt;.<BR>\r\n" +
                                            Bar("Using &lt;Ctrl&gt; keys") + PageFoot());
}

// Every page of a set has the set's one character set. Page names are the
// labels as the pages write them; a heading title loses its "]" and the one
// character after it, however many bytes that character takes.
TEST(SplitMode, EveryPageOfAUtf8DocumentIsUtf8) {
    const std::string utf8 = "utf-8";
    const std::string install = " &gt; <A HREF=\"install.html\">Installation</A>\r\n";
    const struct {
        std::string input;
        CharacterSet encoding;
        std::map<std::string, std::string> pages;
    } cases[] = {
        {"[1] \xC3\x9C" "ber uns\n"
         "[2] \xD0\x92\xD0\xBE\xD0\xBF\xD1\x80\xD0\xBE\xD1\x81\xD1\x8B\n"
         "[1] \xC3\x9C" "ber uns\n"
         "Siehe [2.\xC3\xBC].\n"
         "[2.\xC3\xBC]\xD0\x81\xD0\xB6\xD0\xB8\xD0\xBA\n",
         CharacterSet::Auto,
         {{"contents.html", PageHead("The FAQ", utf8) +
                                "[1] <A HREF=\"1.html\">\xC3\x9C" "ber uns</A><BR>\r\n"
                                "[2] <A HREF=\"2.html\">\xD0\x92\xD0\xBE\xD0\xBF\xD1\x80\xD0\xBE\xD1\x81\xD1\x8B</A><BR>\r\n" +
                                PageFoot()},
          {"1.html", PageHead("\xC3\x9C" "ber uns", utf8) +
                         "\r\nSiehe <A HREF=\"2_\xC3\xBC.html\">[2.\xC3\xBC]</A>.<BR>\r\n" + ContentsLine + PageFoot()},
          {"2_\xC3\xBC.html", PageHead("\xD0\xB6\xD0\xB8\xD0\xBA", utf8) + "\r\n" +
                                  Bar("\xD0\xB6\xD0\xB8\xD0\xBA", install) + PageFoot()}}},
        // Forced: ISO 8859-1 bytes become UTF-8 characters, in names too.
        {"[1] K\xE4se\n[2] \xD6l\n[1] K\xE4se\nGr\xFC\xDF" "e.\n[2.\xE4] \xD6l\n",
         CharacterSet::Utf8,
         {{"contents.html", PageHead("The FAQ", utf8) +
                                "[1] <A HREF=\"1.html\">K\xC3\xA4se</A><BR>\r\n"
                                "[2] <A HREF=\"2.html\">\xC3\x96l</A><BR>\r\n" +
                                PageFoot()},
          {"1.html", PageHead("K\xC3\xA4se", utf8) + "\r\nGr\xC3\xBC\xC3\x9F" "e.<BR>\r\n" + ContentsLine + PageFoot()},
          {"2_\xC3\xA4.html", PageHead("\xC3\x96l", utf8) + "\r\n" + Bar("\xC3\x96l", install) + PageFoot()}}},
    };
    for (const auto& tc : cases) {
        TempDir dir;
        WriteFile(dir / "faq.txt", tc.input);
        Converter c;
        c.engine.Encoding = tc.encoding;
        EXPECT_TRUE(c.Convert(dir / "faq.txt").ok);
        std::set<std::string> expected = {"faq.txt"};
        for (const auto& [name, page] : tc.pages) {
            expected.insert(name);
            EXPECT_EQ(ReadFile(dir / name), page) << name;
        }
        EXPECT_EQ(FilesIn(dir.path()), expected);
    }
}

TEST(SplitMode, LineBreakModesApplyToHeadingsAndContentsEntries) {
    const struct {
        int mode;
        std::string contents, page;
    } cases[] = {
        {1,
         "[1] <A HREF=\"1.html\">Alpha</A><BR><BR>\r\n"
         "[2] <A HREF=\"2.html\">Beta</A><BR><BR>\r\n",
         "<BR>\r\nAlpha text.<BR>\r\n"},
        {3, TwoSectionsContents, "\r\nAlpha text.\r\n"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.mode);
        TempDir dir;
        WriteFile(dir / "faq.txt", TwoSections);
        Converter c;
        EXPECT_TRUE(c.Convert(dir / "faq.txt", "FAQ", "Set", tc.mode).ok);
        EXPECT_EQ(ReadFile(dir / "contents.html"), PageHead("Set") + tc.contents + PageFoot());
        EXPECT_EQ(ReadFile(dir / "1.html"), PageHead("Alpha") + tc.page + ContentsLine + PageFoot());
    }
}

TEST(SplitMode, StoppedPassStillEndsItsPageWithTheBar) {
    TempDir dir;
    std::string text = "[1] One\n[2] Two\n[1] One\n";
    for (int i = 4; i <= 40; ++i) text += "Line " + std::to_string(i) + ".\n";
    WriteFile(dir / "faq.txt", text);
    Converter c;
    c.host.on_yield = [&c](int) { c.engine.Processing = false; };
    const auto run = c.Convert(dir / "faq.txt");
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.outputName, dir / "1.html");
    std::string body = "\r\n";
    for (int i = 4; i <= 25; ++i) body += "Line " + std::to_string(i) + ".<BR>\r\n";
    EXPECT_EQ(ReadFile(dir / "1.html"),
              PageHead("One") + body + "<P>Processing interrupted</P>" + Bar("One") + PageFoot());
}

TEST(SplitMode, InputWithoutAFolderPutsThePagesInTheCurrentDirectory) {
    TempDir dir;
    WriteFile(dir / "faq.txt", TwoSections);
    const std::string before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    Converter c;
    const auto run = c.Convert("faq.txt");
    std::filesystem::current_path(before);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.outputName, std::filesystem::canonical(dir.path()).string() + "/2.html");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"contents.html", "1.html", "2.html", "faq.txt"}));
}

TEST(SplitMode, OnlyTheExactWordFaqSplits) {
    for (const std::string output : {"faq", "FAQ ", "xFAQ"}) {
        TempDir dir;
        WriteFile(dir / "faq.txt", TwoSections);
        const std::string before = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        Converter c;
        const auto run = c.Convert("faq.txt", output);
        std::filesystem::current_path(before);
        EXPECT_TRUE(run.ok) << output;
        EXPECT_EQ(run.outputName, output);
        EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"faq.txt", output})) << output;
    }
}

TEST(SplitModeFailures, PageThatIsTheInputItselfIsRefused) {
    const struct {
        std::string inputName;  // also the name of a page of the set
        std::string link;       // another name for the input, or empty
        std::set<std::string> files;
    } cases[] = {
        {"2.html", "", {"2.html"}},  // a set is written whole or not at all
        {"contents.html", "", {"contents.html"}},
        {"faq.txt", "1.html", {"faq.txt", "1.html"}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.inputName + " " + tc.link);
        TempDir dir;
        WriteFile(dir / tc.inputName, TwoSections);
        if (!tc.link.empty()) std::filesystem::create_symlink(tc.inputName, dir / tc.link);
        Converter c;
        const auto run = c.Convert(dir / tc.inputName);
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(c.host.messages, std::vector<std::string>{"Output file is the same as the input file"});
        EXPECT_EQ(ReadFile(dir / tc.inputName), TwoSections);
        EXPECT_EQ(FilesIn(dir.path()), tc.files);
    }
}

// The section number is that of the line before only within one document:
// a conversion starts from no label whatever the one before ended with.
TEST(SplitMode, SectionNumberDoesNotCarryOverFromThePreviousConversion) {
    TempDir first, second;
    WriteFile(first / "faq.txt", "[1] One\n[5] Five\n");
    WriteFile(second / "faq.txt", "[A] Appendix\n[1] One\n");
    Converter c;
    EXPECT_TRUE(c.Convert(first / "faq.txt").ok);
    EXPECT_EQ(c.engine.SectionNumber, 5.0f);
    EXPECT_TRUE(c.Convert(second / "faq.txt").ok);
    EXPECT_EQ(FilesIn(second.path()), (std::set<std::string>{"contents.html", "faq.txt"}));
    EXPECT_EQ(ReadFile(second / "contents.html"), PageHead("The FAQ") +
                                                      "[A] Appendix<BR>\r\n"
                                                      "[1] <A HREF=\"1.html\">One</A><BR>\r\n" +
                                                      PageFoot());
}

// Lines of a split document still go through link detection.
TEST(SplitMode, AddressesInSectionLinesBecomeLinks) {
    TempDir dir;
    WriteFile(dir / "faq.txt", "[1] One\n[2] Two\n[1] One\nMail faq@vantry.example or [2]\n");
    Converter c;
    EXPECT_TRUE(c.Convert(dir / "faq.txt").ok);
    EXPECT_EQ(ReadFile(dir / "1.html"),
              PageHead("One") +
                  "\r\nMail <A HREF=\"mailto:faq@vantry.example\">faq@vantry.example</A> or "
                  "<A HREF=\"2.html\">[2]</A><BR>\r\n" +
                  Bar("One", " &gt; <A HREF=\"install.html\">Installation</A>\r\n") + PageFoot());
}

// A heading whose page the set already has, or that names the contents
// page, would lose a section: it stays in the open page as a reference.
TEST(SplitMode, AHeadingWhosePageIsTakenIsKeptAsACrossReference) {
    TempDir dir;
    WriteFile(dir / "faq.txt",
              "[3] Three\n"
              "[7.1] Seven\n"
              "[3] Three\n"
              "Text three.\n"
              "[7.1] Seven\n"
              "Text seven.\n"
              "[7_1] Again\n"
              "More seven.\n"
              "[3] Three again\n"
              "[contents] x\n");
    Converter c;
    EXPECT_TRUE(c.Convert(dir / "faq.txt").ok);
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"contents.html", "3.html", "7_1.html", "faq.txt"}));
    EXPECT_EQ(ReadFile(dir / "7_1.html"),
              PageHead("Seven") +
                  "\r\nText seven.<BR>\r\n"
                  "[7_1] <A HREF=\"7_1.html\">Again</A><BR><BR>\r\n"
                  "More seven.<BR>\r\n"
                  "[3] <A HREF=\"3.html\">Three again</A><BR><BR>\r\n"
                  "[contents] <A HREF=\"contents.html\">x</A><BR><BR>\r\n" +
                  Bar("Seven", " &gt; <A HREF=\"start.html\">Getting started</A>\r\n") + PageFoot());
    EXPECT_EQ(c.host.warnings,
              (std::vector<std::string>{
                  "line 7: [7_1] names the page 7_1.html, already written from line 5; kept as a cross reference",
                  "line 9: [3] names the page 3.html, already written from line 3; kept as a cross reference",
                  "line 10: [contents] names the page contents.html, the contents page; kept as a cross reference"}));
    EXPECT_TRUE(c.host.messages.empty());
}

// References to sections without a page: the first ten by line, then a
// count; a hundred thousand of them are kept on disk, not in memory.
TEST(SplitMode, ReferencesToMissingPagesAreCounted) {
    const struct {
        int references;
        std::string last;
    } cases[] = {{11, "... and 1 more cross reference to missing pages"},
                 {100000, "... and 99990 more cross references to missing pages"}};
    for (const auto& tc : cases) {
        TempDir dir;
        std::string text = "[1] One\n[2] Two\n[1] One\nSee [2] and [1].\n[2] Two\n";
        for (int i = 0; i < 5; ++i) text += "see [" + std::to_string(90 + i) + "]\n";
        text += "Also";
        for (int i = 5; i < tc.references; ++i) text += " and [9.9]";
        WriteFile(dir / "faq.txt", text + "\n");
        Converter c;
        EXPECT_TRUE(c.Convert(dir / "faq.txt").ok);
        ASSERT_EQ(c.host.warnings.size(), 11u);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(c.host.warnings[i], "line " + std::to_string(6 + i) + ": [" + std::to_string(90 + i) +
                                              "] refers to the page " + std::to_string(90 + i) +
                                              ".html, which this document does not have");
        EXPECT_EQ(c.host.warnings[5], "line 11: [9.9] refers to the page 9_9.html, which this document does not have");
        EXPECT_EQ(c.host.warnings[10], tc.last);
    }
}

TEST(DirectoryOf, GivesTheFolderWithItsSlashOrTheCurrentDirectory) {
    const std::string cwd = std::filesystem::current_path().string() + "/";
    const struct {
        std::string path, folder;
    } cases[] = {
        {"a/b/c.txt", "a/b/"}, {"/faq.txt", "/"},  {"./faq.txt", "./"},
        {"faq.txt", cwd},      {"folder/", cwd},   {"", cwd},
        {"a\\b.txt", cwd},
    };
    for (const auto& c : cases) EXPECT_EQ(DirectoryOf(c.path), c.folder) << c.path;
}

}  // namespace
}  // namespace torvex
