// Whatever people feed it: the binary must give a clear message and the
// right exit status, and touch nothing but the outputs it was asked for.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "watched_folder.h"

namespace torvex {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

using BadInput = testing::WatchedFolder;

void ExpectWholePage(const std::string& page) {
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html PUBLIC")) << page.substr(0, 80);
    EXPECT_TRUE(page.ends_with("</HTML>\r\n"));
}

TEST_F(BadInput, BinaryGarbageConverts) {
    std::mt19937 random(7);
    std::string bytes(1 << 20, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    WriteFile(In("random.bin"), bytes);
    WriteFile(In("nul.bin"), std::string(1 << 20, '\0'));
    std::string control;
    for (int i = 0; i < 5000; ++i) control += static_cast<char>(1 + i % 31);
    WriteFile(In("control.bin"), control);
    for (const std::string name : {"random", "nul", "control"}) {
        const auto r = Torvex({name + ".bin", name + ".html"}, {In(name + ".html")});
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_EQ(r.err, "");
        ExpectWholePage(Page(name + ".html"));
    }
    EXPECT_NE(Page("nul.html").find(std::string(1 << 20, '\0') + "<P>\r\n"), std::string::npos);
}

TEST_F(BadInput, NamesThatAreNotFiles) {
    WriteFile(In("a.txt"), "text\n");
    ASSERT_EQ(mkdir(In("folder").c_str(), 0755), 0);
    WriteFile(In("folder/inside"), "keep");
    ASSERT_EQ(symlink("a.txt", In("soft.txt").c_str()), 0);
    ASSERT_EQ(link(In("a.txt").c_str(), In("hard.txt").c_str()), 0);
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"folder", "x.html"}, "torvex: Cannot open input file folder: Is a directory\n"},
        {{"missing.txt", "x.html"}, "torvex: Cannot open input file missing.txt: No such file or directory\n"},
        {{"a.txt", "nowhere/x.html"}, "torvex: nowhere/x.html: No such file or directory\n"},
        {{"a.txt", "folder"}, "torvex: folder: Is a directory\n"},
        {{"a.txt", "/dev/full"}, "torvex: /dev/full: No space left on device\n"},
        {{"a.txt", "soft.txt"}, "torvex: Output file is the same as the input file\n"},
        {{"a.txt", "hard.txt"}, "torvex: Output file is the same as the input file\n"},
        {{"soft.txt", "a.txt"}, "torvex: Output file is the same as the input file\n"},
    };
    for (const auto& c : cases) {
        const auto r = Torvex(c.args, {});
        EXPECT_EQ(r.status, 1) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(Page("a.txt"), "text\n");
    EXPECT_EQ(Page("folder/inside"), "keep");
}

// A line is converted in pieces, however long: memory stays far below the
// line's size (the sanitizers' own bookkeeping needs more room).
#ifdef TORVEX_SANITIZED
constexpr long MostMemoryKb = 256 << 10;
#else
constexpr long MostMemoryKb = 64 << 10;
#endif

// size bytes of pattern over and over, written a megabyte at a time: the
// tests hold little memory when they start the program, whose peak memory
// starts from theirs.
void WriteRepeated(const std::string& path, const std::string& pattern, size_t size) {
    std::string chunk;
    while (chunk.size() < (1 << 20)) chunk += pattern;
    chunk.resize((1 << 20) / pattern.size() * pattern.size());
    std::ofstream out(path, std::ios::binary);
    for (size_t done = 0; done < size; done += chunk.size())
        out.write(chunk.data(), static_cast<std::streamsize>(std::min(chunk.size(), size - done)));
}

TEST_F(BadInput, HugeLinesTakeLittleMemory) {
    const struct {
        std::string name, pattern;
        size_t size;
        std::string end, converted;  // what ends the input; the pattern as the page shows it
    } cases[] = {
        {"words", "wwwwwwwww ", 200 << 20, "\n", "wwwwwwwww "},
        {"less-than signs", "<", 100 << 20, "", "&lt;"},  // no LF: the input ends the line
    };
    for (const auto& c : cases) {
        WriteRepeated(In("line.txt"), c.pattern, c.size);
        std::ofstream(In("line.txt"), std::ios::app) << c.end;
        const auto r = Torvex({"-n", "line.txt", "line.html"}, {In("line.html")});
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_LT(r.peak_kb, MostMemoryKb) << c.name;
        const std::string page = Page("line.html");
        ExpectWholePage(page);
        const size_t text = page.find("\r\n\r\n" + c.converted) + 4;
        std::string expected;
        for (size_t i = 0; i < c.size; i += c.pattern.size()) expected += c.converted;
        if (c.pattern.back() == ' ') expected.pop_back();  // trailing spaces go
        expected += "\r\n<HR>";
        EXPECT_TRUE(page.compare(text, expected.size(), expected) == 0) << c.name;
    }
}

TEST_F(BadInput, ASparseFileOfThreeGigabytesOfZeros) {
#ifdef TORVEX_SANITIZED
    GTEST_SKIP() << "too large for the sanitizer build";
#endif
    const unsigned long long size = 3ULL << 30;
    WriteFile(In("zeros"), "");
    ASSERT_EQ(truncate(In("zeros").c_str(), static_cast<off_t>(size)), 0);
    const auto r = Torvex({"-n", "zeros", "zeros.html"}, {In("zeros.html")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(r.peak_kb, MostMemoryKb);
    struct stat info {};
    ASSERT_EQ(stat(In("zeros.html").c_str(), &info), 0);
    const std::string head = testing::Run("/usr/bin/head", {"-c", "100", In("zeros.html")}).out;
    EXPECT_TRUE(head.starts_with("<!DOCTYPE"));
    const std::string tail = testing::Run("/usr/bin/tail", {"-c", "20", In("zeros.html")}).out;
    EXPECT_TRUE(tail.ends_with("</HTML>\r\n"));
    EXPECT_GT(static_cast<unsigned long long>(info.st_size), size);
    unlink(In("zeros.html").c_str());
}

TEST_F(BadInput, SplitLabelsCannotLeaveTheFolder) {
    ASSERT_EQ(mkdir(In("docs").c_str(), 0755), 0);
    std::string faq = "[1] First\n[2] Second\n\n";
    const std::vector<std::string> labels = {"1", "2", "../up", "a/b", "a\\b", "..", "a b", "\"q\"", "'s'", "/etc/x"};
    for (size_t i = 0; i < labels.size(); ++i) faq += "[" + labels[i] + "] Section " + std::to_string(i) + "\n";
    faq += "[3] Third\n";
    WriteFile(In("docs/faq.txt"), faq);
    std::set<std::string> outputs;
    for (const char* name : {"contents", "1", "2", "3", "___up", "a_b", "__", "a b", "\"q\"", "'s'", "_etc_x"})
        outputs.insert(In("docs/" + std::string(name) + ".html"));
    const auto r = Torvex({"docs/faq.txt", "FAQ"}, outputs);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const auto& page : outputs) EXPECT_TRUE(testing::Exists(page)) << page;
    EXPECT_FALSE(testing::Exists("/etc/x.html"));
}

TEST_F(BadInput, FiveThousandSections) {
    std::string faq;
    for (int i = 1; i <= 5000; ++i) faq += "[" + std::to_string(i) + "] Entry " + std::to_string(i) + "\n";
    for (int i = 1; i <= 5000; ++i)
        faq += "[" + std::to_string(i) + "] Section " + std::to_string(i) + "\nSee [" + std::to_string(5001 - i) + "].\n";
    WriteFile(In("faq.txt"), faq);
    std::set<std::string> outputs = {In("contents.html")};
    for (int i = 1; i <= 5000; ++i) outputs.insert(In(std::to_string(i) + ".html"));
    const auto r = Torvex({"faq.txt", "FAQ"}, outputs);
    EXPECT_EQ(r.status, 0) << r.err;
    ExpectWholePage(Page("2500.html"));
    EXPECT_NE(Page("5000.html").find("<A HREF=\"1.html\">[1]</A>"), std::string::npos);
    EXPECT_NE(Page("5000.html").find("Vantry FAQ Contents"), std::string::npos);
}

}  // namespace
}  // namespace torvex
