// What torvex does to the files around it: an old page stays whole until
// its replacement is complete, whatever stops the program, and nothing the
// user did not name is written.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "watched_folder.h"

namespace torvex {
namespace {

using testing::ReadFile;
using testing::WriteFile;

const std::string OldPage = "<HTML>the old page</HTML>\n";
const std::string NotAPageMessage = " exists and is not an HTML page; use --force to replace it\n";
const std::string SetPageMessage =
    ": not a regular file; a page of a set is only written as a new file or over a regular file\n";

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

bool HasTemporaryFile(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().find(".torvex-") != std::string::npos) return true;
    return false;
}

std::string Lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += "Line " + std::to_string(i) + " of a text that goes on and on.\n";
    return text;
}

class Safety : public testing::WatchedFolder {
protected:
    // A numbered document in its own folder below work, with old pages.
    std::string SetFolder(const std::string& name) {
        const std::string folder = In(name);
        mkdir(folder.c_str(), 0777);
        WriteFile(folder + "/faq.txt", "[1] One\n[2] Two\n[1] One\nFirst.\n[2] Two\nSecond.\n");
        WriteFile(folder + "/contents.html", OldPage);
        return folder;
    }
};

TEST_F(Safety, FailuresReplaceNothing) {
    WriteFile(In("a.txt"), "Hello\n");
    WriteFile(In("big.txt"), Lines(20000));
    WriteFile(In("empty.txt"), "");
    WriteFile(In("secret.txt"), "private\n");
    chmod(In("secret.txt").c_str(), 0);
    WriteFile(In("out.html"), OldPage);
    chmod(In("out.html").c_str(), 0640);
    WriteFile(In("readonly.html"), OldPage);
    chmod(In("readonly.html").c_str(), 0444);
    WriteFile(In("notes.txt"), "my notes\n");
    WriteFile(In("bom.txt"), "\xEF\xBB\xBF  \n\t");
    WriteFile(In("blank"), "");
    symlink("notes.txt", In("notes-link").c_str());
    symlink("/dev/full", SetFolder("device").append("/1.html").c_str());
    symlink("../../outside.html", SetFolder("link").append("/2.html").c_str());
    mkfifo(SetFolder("fifo").append("/1.html").c_str(), 0644);
    mkdir(SetFolder("folder").append("/2.html").c_str(), 0755);
    const auto fileSizeLimit = [] {
        const rlimit limit{1 << 16, 1 << 16};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::function<void()> in_child;
        std::string err;
    } cases[] = {
        {"file-size limit", {"big.txt", "out.html"}, fileSizeLimit, "torvex: out.html: File too large\n"},
        {"read error", {"/proc/self/mem", "out.html"}, {}, "torvex: /proc/self/mem: Input/output error\n"},
        {"unreadable input", {"secret.txt", "out.html"}, testing::DropPrivileges,
         "torvex: Cannot open input file secret.txt: Permission denied\n"},
        {"empty input", {"empty.txt", "out.html"}, {}, "torvex: Input file appears to be empty\n"},
        {"page the user may not write", {"a.txt", "readonly.html"}, testing::DropPrivileges,
         "torvex: readonly.html: Permission denied\n"},
        {"text file", {"a.txt", "notes.txt"}, {}, "torvex: notes.txt" + NotAPageMessage},
        {"link to a text file", {"a.txt", "notes-link"}, {}, "torvex: notes-link" + NotAPageMessage},
        {"byte-order mark and white space", {"a.txt", "bom.txt"}, {}, "torvex: bom.txt" + NotAPageMessage},
        {"empty file", {"a.txt", "blank"}, {}, "torvex: blank" + NotAPageMessage},
        {"closed standard output", {"a.txt", "-"}, [] { close(STDOUT_FILENO); },
         "torvex: standard output: Bad file descriptor\n"},
        {"closed standard output, version", {"--version"}, [] { close(STDOUT_FILENO); },
         "torvex: standard output: Bad file descriptor\n"},
        {"link to a device at a page name", {"device/faq.txt", "FAQ"}, {}, "torvex: device/1.html" + SetPageMessage},
        {"link to a file at a page name", {"link/faq.txt", "FAQ"}, {}, "torvex: link/2.html" + SetPageMessage},
        {"FIFO at a page name", {"fifo/faq.txt", "FAQ"}, {}, "torvex: fifo/1.html" + SetPageMessage},
        {"folder at a page name", {"folder/faq.txt", "FAQ"}, {}, "torvex: folder/2.html" + SetPageMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = Torvex(c.args, {}, c.in_child);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(Page("out.html"), OldPage);
    EXPECT_EQ(Page("notes.txt"), "my notes\n");
    EXPECT_EQ(ModeOf(In("out.html")), 0640u);
}

TEST_F(Safety, WhatIsReplacedKeepsItsPlaceAndPermissions) {
    WriteFile(In("Chapter 1.txt"), "Hello\n");
    WriteFile(In("empty.txt"), "");
    WriteFile(In("notes.txt"), "my notes\n");
    chmod(In("notes.txt").c_str(), 0604);
    WriteFile(In("old.html"), OldPage);
    chmod(In("old.html").c_str(), 0664);
    WriteFile(In("target.html"), OldPage);
    symlink("target.html", In("link.html").c_str());
    const auto umask077 = [] { umask(077); };
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string page;
        mode_t mode;
    } cases[] = {
        {"names with spaces", {"Chapter 1.txt", "my page.html", "A", "title"}, "my page.html", 0600},
        {"an old page", {"Chapter 1.txt", "old.html"}, "old.html", 0664},
        {"a text file, forced", {"-f", "Chapter 1.txt", "notes.txt"}, "notes.txt", 0604},
        {"a link to a page", {"Chapter 1.txt", "link.html"}, "link.html", 0644},  // the mode of the page it showed
        {"an empty input where nothing was", {"empty.txt", "new.html"}, "new.html", 0600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Torvex(c.args, {In(c.page)}, umask077);
        EXPECT_EQ(ModeOf(In(c.page)), c.mode);
    }
    EXPECT_NE(Page("my page.html").find("<TITLE>A title</TITLE>"), std::string::npos);
    EXPECT_NE(Page("notes.txt").find("Hello<BR>"), std::string::npos);
    EXPECT_NE(Page("link.html").find("Hello<BR>"), std::string::npos);
    EXPECT_EQ(Page("target.html"), OldPage);
    EXPECT_EQ(Page("new.html"), "");
}

// Headings that name one page twice: every section's text is kept, and the
// command line says what it did.
TEST_F(Safety, RepeatedLabelsLoseNoText) {
    WriteFile(In("faq.txt"),
              "[3] Three\n[7.1] Seven\n[3] Three\nText A.\n[7.1] Seven\nText B.\n[7_1] Again\nText C.\n"
              "[3] Three again\n[contents]\nText D.\nText E.\nSee [8].\n");
    const auto r = Torvex({"faq.txt", "FAQ"}, {In("contents.html"), In("3.html"), In("7_1.html")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "torvex: line 7: [7_1] names the page 7_1.html, already written from line 5; kept as a cross reference\n"
              "torvex: line 9: [3] names the page 3.html, already written from line 3; kept as a cross reference\n"
              "torvex: line 10: [contents] names the page contents.html, the contents page; kept as a cross "
              "reference\n"
              "torvex: line 13: [8] refers to the page 8.html, which this document does not have\n");
    const std::string pages = Page("3.html") + Page("7_1.html");
    for (const char* text : {"Text A.", "Text B.", "Text C.", "Text D.", "Text E.", "Again", "Three again"})
        EXPECT_NE(pages.find(text), std::string::npos) << text;
}

// Killed by a signal halfway: the signal's exit status, old pages as they
// were, no temporary file left. The input is a pipe kept open, so the
// signal surely comes while the page is being written (a named character
// set, so that the pipe is converted as it comes instead of held first).
TEST_F(Safety, InterruptsLeaveTheOldPages) {
    WriteFile(In("out.html"), OldPage);
    for (const char* page : {"contents.html", "1.html", "2.html"}) WriteFile(In(page), OldPage);
    std::string faq;
    for (int i = 1; i <= 30; ++i) faq += "[" + std::to_string(i) + "] Entry\n";
    for (int i = 1; i <= 30; ++i) faq += "[" + std::to_string(i) + "] Section\n" + Lines(100);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const std::string output : {"out.html", "FAQ"}) {
            SCOPED_TRACE(std::to_string(signal) + " " + output);
            const auto before = testing::Take(dir.path());
            int in[2];
            ASSERT_EQ(pipe(in), 0);
            const pid_t pid = fork();
            if (pid == 0) {
                dup2(in[0], STDIN_FILENO);
                for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
                close(in[0]), close(in[1]);
                if (chdir(work.c_str()) != 0) _exit(126);
                execl(TORVEX_BINARY, TORVEX_BINARY, "-e", "latin-1", "-", output.c_str(), static_cast<char*>(nullptr));
                _exit(127);
            }
            close(in[0]);
            ASSERT_EQ(write(in[1], faq.data(), faq.size()), static_cast<ssize_t>(faq.size()));
            for (int wait = 0; wait < 10000 && !HasTemporaryFile(work); ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            EXPECT_TRUE(HasTemporaryFile(work));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // well into the page
            kill(pid, signal);
            close(in[1]);
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            EXPECT_EQ(testing::Changed(before, testing::Take(dir.path())), std::set<std::string>{});
        }
    }
}

// The output name keeps changing between a file and a link to a page
// outside while torvex runs again and again: it replaces whatever the name
// is, and never writes through the link.
TEST_F(Safety, AnOutputSwappedWithALinkNeverWritesThroughIt) {
    WriteFile(In("a.txt"), "Hello\n");
    std::atomic<bool> stop = false;
    std::thread swapper([&] {
        while (!stop) {
            unlink(In("link.tmp").c_str());
            symlink("../outside.html", In("link.tmp").c_str());
            rename(In("link.tmp").c_str(), In("out.html").c_str());
            WriteFile(In("file.tmp"), OldPage);
            rename(In("file.tmp").c_str(), In("out.html").c_str());
        }
    });
    int converted = 0;
    for (int run = 0; run < 200; ++run)
        converted += testing::Run(TORVEX_BINARY, {"a.txt", "out.html"}, {}, "", work).status == 0;
    stop = true;
    swapper.join();
    EXPECT_EQ(converted, 200);
    EXPECT_EQ(ReadFile(dir / "outside.html"), "bystander");
    EXPECT_FALSE(HasTemporaryFile(work));
}

#ifdef TORVEX_HAS_WINDOW
// The window module is loaded from beside the program or from the folder it
// is installed in, never from the current folder or a path relative to
// anything; a file there that is no module is an error, not a crash.
TEST_F(Safety, TheWindowModuleComesOnlyFromItsOwnPlaces) {
    const std::string bin = dir / "bin", marker = dir / "marker";
    for (const std::string& folder : {bin, dir / "lib", dir / "lib/torvex", work + "/lib", work + "/lib/torvex"})
        mkdir(folder.c_str(), 0755);
    std::filesystem::copy_file(TORVEX_BINARY, bin + "/torvex");
    chmod((bin + "/torvex").c_str(), 0755);
    for (const std::string& place : {dir / "lib/torvex", work, work + "/lib/torvex"})
        std::filesystem::copy_file(TORVEX_PLANTED_MODULE, place + "/libtorvex-window.so");
    const std::string modules = bin + "/libtorvex-window.so or " TORVEX_MODULE_DIR "/libtorvex-window.so";
    auto r = testing::Run(bin + "/torvex", {}, {"TORVEX_PLANTED_MARKER=" + marker}, "", work);
    EXPECT_EQ(r.status, 2);
    if (!testing::Exists(TORVEX_MODULE_DIR "/libtorvex-window.so")) {  // not installed on this machine
        EXPECT_TRUE(r.err.starts_with("torvex: cannot open the window: no window module at " + modules)) << r.err;
    }
    EXPECT_FALSE(testing::Exists(marker));

    WriteFile(bin + "/libtorvex-window.so", "not a module\n");
    r = testing::Run(bin + "/torvex", {}, {}, "", work);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.starts_with("torvex: cannot open the window: " + bin + "/libtorvex-window.so: ")) << r.err;
}
#endif

}  // namespace
}  // namespace torvex
