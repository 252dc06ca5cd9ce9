// Whatever people feed it: the binary must give a clear message and the
// right exit status, and touch nothing but the outputs it was asked for.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <random>

#include <gtest/gtest.h>

#include "run.h"
#include "temp_dir.h"

namespace torvex {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Everything below a folder, by name: type, size, modification time and inode.
using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const std::string& root) {
    Snapshot shot;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat info {};
        if (lstat(entry.path().c_str(), &info) != 0) continue;
        std::string state = std::to_string(info.st_mode) + "/" + std::to_string(info.st_ino);
        if (!S_ISDIR(info.st_mode))  // a folder's own times change with what it holds
            state += "/" + std::to_string(info.st_size) + "/" + std::to_string(info.st_mtim.tv_sec) + "." +
                     std::to_string(info.st_mtim.tv_nsec);
        shot[entry.path().string()] = state;
    }
    return shot;
}

// The names whose state differs between two snapshots.
std::set<std::string> Changed(const Snapshot& before, const Snapshot& after) {
    std::set<std::string> names;
    for (const auto& [name, state] : before) {
        const auto it = after.find(name);
        if (it == after.end() || it->second != state) names.insert(name);
    }
    for (const auto& [name, state] : after)
        if (!before.count(name)) names.insert(name);
    return names;
}

// Each case runs in dir/work, one level below the folder whose every file
// is watched, so that a page written above or beside it would show.
class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
        WriteFile(dir / "outside.html", "bystander");
    }
    // Runs torvex in the work folder and checks that only `outputs` changed.
    testing::RunResult Torvex(const std::vector<std::string>& args, const std::set<std::string>& outputs) {
        const Snapshot before = Take(dir.path());
        auto r = testing::Run(TORVEX_BINARY, args, {"SOURCE_DATE_EPOCH=0"}, "", work);
        for (const auto& name : Changed(before, Take(dir.path())))
            EXPECT_TRUE(outputs.count(name)) << "changed: " << name;
        EXPECT_EQ(ReadFile(dir / "outside.html"), "bystander");
        return r;
    }
    std::string In(const std::string& name) const { return work + "/" + name; }
    std::string Page(const std::string& name) { return ReadFile(In(name)); }
    TempDir dir;
    const std::string work = dir / "work";
};

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
        {{"folder", "x.html"}, "Torvex: Cannot open input file folder: Is a directory\n"},
        {{"missing.txt", "x.html"}, "Torvex: Cannot open input file missing.txt: No such file or directory\n"},
        {{"a.txt", "nowhere/x.html"}, "Torvex: nowhere/x.html: No such file or directory\n"},
        {{"a.txt", "folder"}, "Torvex: folder: Is a directory\n"},
        {{"a.txt", "/dev/full"}, "Torvex: /dev/full: No space left on device\n"},
        {{"a.txt", "soft.txt"}, "Torvex: Output file is the same as the input file\n"},
        {{"a.txt", "hard.txt"}, "Torvex: Output file is the same as the input file\n"},
        {{"soft.txt", "a.txt"}, "Torvex: Output file is the same as the input file\n"},
    };
    for (const auto& c : cases) {
        const auto r = Torvex(c.args, {});
        EXPECT_EQ(r.status, 1) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(Page("a.txt"), "text\n");
    EXPECT_EQ(Page("folder/inside"), "keep");
}

TEST_F(BadInput, AHugeSingleLine) {
    std::string line(200 << 20, 'w');
    for (size_t i = 9; i < line.size(); i += 10) line[i] = ' ';
    line.back() = '.';
    WriteFile(In("line.txt"), line);
    const auto r = Torvex({"-n", "line.txt", "line.html"}, {In("line.html")});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string page = Page("line.html");
    ExpectWholePage(page);
    EXPECT_NE(page.find("\r\n\r\n" + line + "\r\n<HR>"), std::string::npos);
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
