// Whole single-page conversions, compared byte for byte.
#include <iconv.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "engine.h"
#include "page_file.h"
#include "page_markup.h"
#include "pages.h"
#include "recording_host.h"
#include "temp_dir.h"
#include "temp_files.h"
#include "test_engine.h"

namespace torvex {
namespace {

using testing::Exists;
using testing::PageFoot;
using testing::PageHead;
using testing::ReadFile;
using testing::RecordingHost;
using testing::TempDir;
using testing::TestEngine;
using testing::WriteFile;

const std::string DataDir = TORVEX_TEST_DATA;

struct Result {
    bool ok = false;
    std::string page;
    std::vector<std::string> messages;
};

Result Convert(const std::string& input, int mode = 2, std::string title = "T", bool stamp = false,
               CharacterSet encoding = CharacterSet::Auto) {
    TempDir dir;
    WriteFile(dir / "in.txt", input);
    RecordingHost host;
    TestEngine engine(host);
    engine.Processing = true;
    engine.Encoding = encoding;
    std::string in = dir / "in.txt", out = dir / "out.html";
    Result r;
    r.ok = engine.ConvertFile(in, out, title, mode, stamp);
    r.page = ReadFile(dir / "out.html");
    r.messages = host.messages;
    return r;
}

// The body of a page of title "T" without time stamp.
std::string Body(const Result& r, const std::string& charset = "iso-8859-1") {
    const std::string head = PageHead("T", charset), foot = PageFoot();
    EXPECT_TRUE(r.page.starts_with(head)) << r.page;
    EXPECT_TRUE(r.page.ends_with(foot)) << r.page;
    if (r.page.size() < head.size() + foot.size()) return {};
    return r.page.substr(head.size(), r.page.size() - head.size() - foot.size());
}

std::string Letters(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += (i % 7 == 6) ? ' ' : static_cast<char>('a' + i % 26);
    if (!s.empty() && s.back() == ' ') s.back() = 'z';
    return s;
}

TEST(FormatTimeStamp, TwoDigitFieldsAndEnglishMonths) {
    EXPECT_EQ(FormatTimeStamp({2027, 3, 5, 14, 7, 9}), " on 05-Mar-2027 at 14:07:09<BR>");
    EXPECT_EQ(FormatTimeStamp({2026, 12, 31, 21, 10, 0}), " on 31-Dec-2026 at 21:10:00<BR>");
    EXPECT_EQ(FormatTimeStamp({1999, 1, 1, 0, 0, 0}), " on 01-Jan-1999 at 00:00:00<BR>");
}

std::string Repeat(const std::string& text, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

// The whole input decides, however long it is and however the reads that
// examine it cut its characters (short inputs are rows of bodies.txt).
TEST(ConvertFile, CharacterSetOfThePage) {
    const std::string iso = "iso-8859-1", utf8 = "utf-8";
    const std::string greeting = "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln";
    const struct {
        std::string input;
        CharacterSet encoding;
        std::string charset, body;
    } cases[] = {
        // One bad byte in the last kilobyte of a larger file decides it.
        {Repeat(greeting + "\n", 5000) + "caf\xE9\n" + Repeat("x\n", 200), CharacterSet::Auto, iso,
         Repeat(greeting + "<BR>\r\n", 5000) + "caf\xE9<BR>\r\n" + Repeat("x<BR>\r\n", 200)},
        // Characters cut by the reads that examine the file.
        {Letters(65534) + "\xF0\x9F\x98\x80\n", CharacterSet::Auto, utf8, Letters(65534) + "\xF0\x9F\x98\x80\r\n"},
        {Letters(65535) + "\xE2x\n", CharacterSet::Auto, iso, Letters(65535) + "\xE2x\r\n"},
    };
    for (const auto& c : cases) {
        const Result r = Convert(c.input, 2, "T", false, c.encoding);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(Body(r, c.charset), c.body) << c.input.substr(0, 40);
    }
    // A byte-order mark is all there is: an empty text.
    const Result bom = Convert("\xEF\xBB\xBF");
    EXPECT_FALSE(bom.ok);
    EXPECT_EQ(bom.messages, std::vector<std::string>{"Input file appears to be empty"});
}

std::string Recode(const std::string& text, const char* from) {
    iconv_t cd = iconv_open("UTF-8", from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from;
    std::string out(text.size() * 4, '\0');
    char* in = const_cast<char*>(text.data());
    char* to = out.data();
    size_t left = text.size(), room = out.size();
    EXPECT_NE(iconv(cd, &in, &left, &to, &room), static_cast<size_t>(-1)) << from;
    iconv_close(cd);
    out.resize(out.size() - room);
    return out;
}

// What a browser shows of the body, in UTF-8: the page decoded with the
// character set it declares, tags removed, references decoded.
std::string ShownText(const std::string& page) {
    const auto at = page.find("charset=") + 8;
    const std::string charset = page.substr(at, page.find('"', at) - at);
    const auto begin = page.find("</H1>\r\n\r\n\r\n") + 11, end = page.find("<HR><ADDRESS>");
    const std::string body = Recode(page.substr(begin, end - begin), charset.c_str());
    std::string text;
    bool inTag = false;
    for (char c : body) {
        if (c == '<' || c == '>')
            inTag = c == '<';
        else if (!inTag && c != '\r')
            text += c;
    }
    for (const auto& [ref, shown] : {std::pair<std::string, std::string>{"&gt;", ">"},
                                     {"&lt;", "<"},
                                     {"&quot;", "\""},
                                     {"&#163;", "\xC2\xA3"}}) {
        for (auto p = text.find(ref); p != std::string::npos; p = text.find(ref, p + shown.size()))
            text.replace(p, ref.size(), shown);
    }
    return text;
}

TEST(ConvertFile, PagesShowTheTextAsWritten) {
    const std::string languages = ReadFile(TORVEX_SAMPLES "/languages.txt");
    const std::string latin1 = "Caf\xE9 cr\xE8me: \xA3" "5 <b> \"q\" & more\n";
    const struct {
        std::string input;
        CharacterSet encoding;
        std::string shown;  // UTF-8
    } cases[] = {
        {languages, CharacterSet::Auto, languages},
        {latin1, CharacterSet::Auto, Recode(latin1, "ISO-8859-1")},
        {"\xEF\xBB\xBFS\xC3\xA3o \xE9t\xE9, \xA3" "5\n", CharacterSet::Utf8, "S\xC3\xA3o \xC3\xA9t\xC3\xA9, \xC2\xA3" "5\n"},
    };
    for (const auto& c : cases) {
        const Result r = Convert(c.input, 2, "T", false, c.encoding);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(ShownText(r.page), c.shown);
    }
}

TEST(ConvertFile, EveryPageStartsCleanAfterAnEarlierOne) {
    TempDir dir;
    WriteFile(dir / "a.txt", "first\n");
    RecordingHost host;
    TestEngine engine(host);
    engine.Processing = true;
    int mode = 2;
    bool stamp = false;
    for (int run = 0; run < 2; ++run) {
        std::string in = dir / "a.txt", out = dir / "a.html", title = "T";
        ASSERT_TRUE(engine.ConvertFile(in, out, title, mode, stamp));
        EXPECT_EQ(ReadFile(dir / "a.html"), PageHead("T") + "first<BR>\r\n" + PageFoot());
    }
}

// A front end stops the pass at a yield. Cleared Processing finishes the
// page with the marker, which takes its name only where no file has it;
// Abandoned gives the conversion up without a word. Either way no page is
// replaced (of a set, not even those complete), no temporary file left.
TEST(ConvertFile, StopsAfterTheLineWhoseYieldStoppedIt) {
    std::string lines, body;
    for (int i = 1; i <= 100; ++i) lines += "line " + std::to_string(i) + "\n";
    for (int i = 1; i <= 50; ++i) body += "line " + std::to_string(i) + "<BR>\r\n";
    const struct {
        bool abandon;
        std::string input, output;
    } cases[] = {
        {false, lines, "out.html"},
        {false, lines, "new.html"},
        {true, lines, "out.html"},
        {true, "[1] One\n[2] Two\n[1] One\n[2] Two\n" + lines, "FAQ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output + (c.abandon ? " abandoned" : ""));
        TempDir dir;
        WriteFile(dir / "in.txt", c.input);
        for (const char* page : {"out.html", "contents.html", "1.html"}) WriteFile(dir / page, "old");
        RecordingHost host;
        TestEngine engine(host);
        engine.Processing = true;
        host.on_yield = [&](int n) {
            if (n == 2) (c.abandon ? engine.Abandoned : engine.Processing) = c.abandon;
        };
        std::string in = dir / "in.txt", out = c.output == "FAQ" ? c.output : dir / c.output, title = "T";
        int mode = 2;
        bool stamp = false;
        EXPECT_EQ(engine.ConvertFile(in, out, title, mode, stamp), !c.abandon);
        EXPECT_EQ(host.yields, 2);
        EXPECT_EQ(host.messages, std::vector<std::string>{});
        EXPECT_EQ(ReadFile(dir / "out.html") + ReadFile(dir / "contents.html") + ReadFile(dir / "1.html"), "oldoldold");
        const bool published = c.output == "new.html";
        if (published) {
            EXPECT_EQ(ReadFile(dir / "new.html"), PageHead("T") + body + "<P>Processing interrupted</P>" + PageFoot());
        }
        size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
        EXPECT_EQ(files, 4u + published);
    }
}

// Every file of a folder (hidden ones too) with what it holds.
std::map<std::string, std::string> FilesOf(const TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        files[entry.path().filename()] = ReadFile(entry.path());
    return files;
}

// A set being put in place is stopped after each of its steps in turn: by
// a signal whose handler runs the program's cleanup and ends it, or lets
// it go on (as a batch's first Ctrl-C does), or by a rename that fails
// (the temporary pages not yet in place are gone). The folder then holds
// the whole old set or the whole new one and nothing else, and Publish
// says which.
TEST(PageSet, AnInterruptedSetLeavesTheWholeOldSetOrTheWholeNewOne) {
    const std::map<std::string, std::string> old = {{"contents.html", "old"}, {"1.html", "old"}};
    for (const std::string how : {"signal", "signal, going on", "failed rename"}) {
        for (const auto replace : {PageSet::Replace::Any, PageSet::Replace::Nothing}) {
            // Where nothing may be replaced, only new names are tried.
            const auto names = replace == PageSet::Replace::Any ? std::vector<std::string>{"contents.html", "1.html", "2.html"}
                                                                : std::vector<std::string>{"2.html", "3.html"};
            auto whole = old;
            for (const std::string& name : names) whole[name] = "new";
            bool sawOld = false;
            for (int stop = 1, said = -1; said != 0; ++stop) {
                ASSERT_LT(stop, 20) << "the renaming never ends";
                SCOPED_TRACE(how + " after step " + std::to_string(stop));
                TempDir dir;
                for (const auto& [name, text] : old) WriteFile(dir / name, text);
                if (const pid_t pid = fork(); pid == 0) {
                    if (how == "signal") std::signal(SIGTERM, [](int) { RemoveTempFilesNow(); _exit(2); });
                    else std::signal(SIGTERM, [](int) { RemoveTempFilesNow(); });
                    PageSet set;
                    for (const std::string& name : names) {
                        PageFile page;
                        page.Open(dir / name, nullptr, PageFile::Kind::InSet, true);
                        page.Write("new");
                        if (!page.Close(set)) _exit(9);
                    }
                    int steps = 0;
                    set.OnStep = [&] {
                        if (++steps != stop) return;
                        if (how != "failed rename") raise(SIGTERM);
                        else  // the next rename fails: the temporary pages not yet in place are gone
                            for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
                                if (const std::string file = entry.path().filename();
                                    file.find(".torvex-") != std::string::npos && !file.ends_with("-old"))
                                    std::filesystem::remove(entry.path());
                    };
                    std::string error;
                    _exit(!set.Publish(error, replace) ? 3 : steps < stop ? 0 : 1);
                } else {
                    int status = 0;
                    waitpid(pid, &status, 0);
                    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 9) << status;
                    said = WEXITSTATUS(status);
                }
                const auto files = FilesOf(dir);
                EXPECT_TRUE(files == old || files == whole) << said;
                if (said != 2) {
                    EXPECT_EQ(said == 3, files == old);
                }
                sawOld |= files == old;
            }
            EXPECT_TRUE(sawOld);
        }
    }
}

TEST(ConvertFile, EmptyInputLeavesAnEmptyOutput) {
    const Result r = Convert("");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.page, "");
    EXPECT_EQ(r.messages, std::vector<std::string>{"Input file appears to be empty"});
}

TEST(ConvertFile, MissingInputTouchesNoOutput) {
    TempDir dir;
    WriteFile(dir / "out.html", "keep me");
    RecordingHost host;
    TestEngine engine(host);
    std::string in = dir / "missing.txt", out = dir / "out.html", title;
    int mode = 2;
    bool stamp = true;
    EXPECT_THROW(engine.ConvertFile(in, out, title, mode, stamp), InputError);
    EXPECT_EQ(ReadFile(dir / "out.html"), "keep me");
    in = dir.path();  // a folder is no input either
    EXPECT_THROW(engine.ConvertFile(in, out, title, mode, stamp), InputError);
    EXPECT_EQ(ReadFile(dir / "out.html"), "keep me");
}

TEST(ConvertFile, QuotesAndDefaultsOfTheNames) {
    TempDir dir;
    WriteFile(dir / "in.txt", "x\n");
    RecordingHost host;
    TestEngine engine(host);
    engine.Processing = true;
    std::string in = "\"" + (dir / "in.txt") + "\"", out = "\"" + (dir / "out.html") + "\"", title;
    int mode = 2;
    bool stamp = false;
    EXPECT_TRUE(engine.ConvertFile(in, out, title, mode, stamp));
    EXPECT_EQ(in, dir / "in.txt");
    EXPECT_EQ(out, dir / "out.html");
    EXPECT_TRUE(Exists(dir / "out.html"));

    std::string empty;
    EXPECT_THROW(engine.ConvertFile(empty, out, title, mode, stamp), InputError);
    EXPECT_EQ(empty, "c:\\input.txt");
}

// What an output path may be, and what becomes of what was there.
class OutputRules : public ::testing::Test {
protected:
    void SetUp() override { WriteFile(dir / "in.txt", "x\n"); }
    bool Run(std::string out) {
        TestEngine engine(host);
        engine.Processing = true;
        std::string in = dir / "in.txt", title = "T";
        int mode = 2;
        bool stamp = false;
        return engine.ConvertFile(in, out, title, mode, stamp);
    }
    std::string Page() const { return PageHead("T") + "x<BR>\r\n" + PageFoot(); }
    TempDir dir;
    RecordingHost host;
};

TEST_F(OutputRules, ReplacesARegularFile) {
    WriteFile(dir / "out.html", std::string(100000, 'z'));
    EXPECT_TRUE(Run(dir / "out.html"));
    EXPECT_EQ(ReadFile(dir / "out.html"), Page());
}

TEST_F(OutputRules, ReplacesALinkInsteadOfWritingThroughIt) {
    WriteFile(dir / "target.html", "target");
    ASSERT_EQ(symlink((dir / "target.html").c_str(), (dir / "link.html").c_str()), 0);
    ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "dangling.html").c_str()), 0);
    EXPECT_TRUE(Run(dir / "link.html"));
    EXPECT_TRUE(Run(dir / "dangling.html"));
    EXPECT_EQ(ReadFile(dir / "target.html"), "target");
    EXPECT_EQ(ReadFile(dir / "link.html"), Page());
    EXPECT_FALSE(Exists(dir / "nowhere"));
}

TEST_F(OutputRules, WritesDevicesInPlace) {
    EXPECT_TRUE(Run("/dev/null"));
    ASSERT_EQ(symlink("/dev/null", (dir / "null.html").c_str()), 0);
    EXPECT_TRUE(Run(dir / "null.html"));
    struct stat info {};
    ASSERT_EQ(stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_TRUE(host.messages.empty());
}

TEST(ConvertFile, HugeLinesAreConvertedWhole) {
    std::string line(3'000'000, 'a');
    for (size_t i = 7; i < line.size(); i += 8) line[i] = ' ';
    line[1000] = '<';
    line.back() = 'z';
    const Result r = Convert(line + "\nend\n");
    std::string expected = line;
    expected.replace(1000, 1, "&lt;");
    EXPECT_EQ(Body(r), expected + "\r\nend<BR>\r\n");
}

}  // namespace
}  // namespace torvex
