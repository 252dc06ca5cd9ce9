// Whole conversions of numbered documents into page sets ("FAQ" output).
#include <filesystem>
#include <gtest/gtest.h>
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

TEST(StripQuotes, RemovesOnePairAroundALongerPath) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"\"c:\\a b.txt\"", "c:\\a b.txt"}, {"\"\"", "\"\""},   {"\"a\"", "a"},     {"\"\"\"", "\""},
        {"\"a", "\"a"},                    {"a\"", "a\""},     {"\"\"a\"\"", "\"a\""}, {"", ""},
    };
    for (const auto& c : cases) {
        std::string path = c.in;
        EXPECT_EQ(StripQuotes(path), c.out);
        EXPECT_EQ(path, c.out);
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
