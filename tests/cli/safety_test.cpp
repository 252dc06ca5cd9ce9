// What torvex does to the files around it: an old page stays whole until
// its replacement is complete, whatever stops the program, and nothing the
// user did not name is written.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "command_line.h"
#include "page_names.h"
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
    struct Stopped {
        int status = 0;  // as waitpid gives it
        std::string err;
    };

    // Runs torvex in the work folder with `in` (if any) as its standard
    // input, feeds text to feed, and sends signal once a page is being
    // written in folder, well into it; then closes feed, so that the input
    // ends. Gives how the program ended and what it said (never a page).
    Stopped StopMidPage(const std::vector<std::string>& args, int in, int feed, const std::string& text, int signal,
                        const std::string& folder) {
        int err[2];
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            if (in >= 0) dup2(in, STDIN_FILENO);
            dup2(err[1], STDERR_FILENO);
            for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
            if (chdir(work.c_str()) != 0) _exit(126);
            std::vector<char*> argv = {const_cast<char*>(TORVEX_BINARY)};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(TORVEX_BINARY, argv.data());
            _exit(127);
        }
        close(err[1]);
        if (in >= 0) close(in);
        EXPECT_EQ(write(feed, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        for (int wait = 0; wait < 10000 && !HasTemporaryFile(folder); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(HasTemporaryFile(folder));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // well into the page
        kill(pid, signal);
        // It has seen the signal once its temporary pages are gone; the
        // input ends only then, so that no page can be finished first.
        for (int wait = 0; wait < 10000 && HasTemporaryFile(folder); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        close(feed);
        Stopped r;
        char buffer[4096];
        for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;) r.err.append(buffer, static_cast<size_t>(n));
        close(err[0]);
        waitpid(pid, &r.status, 0);
        return r;
    }

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
            ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
            const auto r = StopMidPage({"-e", "latin-1", "-", output}, in[0], in[1], faq, signal, work);
            EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == signal) << r.status;
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

// A batch goes on after a file that fails, and tells each file's messages
// in the order of the files: the FIFO's message comes first, although its
// file ends last. A page is the same as a conversion of its own would give.
TEST_F(Safety, ABatchGoesOnAfterFailuresAndReportsInTheOrderOfItsFiles) {
    WriteFile(In("a.txt"), "Hello\n");
    WriteFile(In("c.txt"), "See http://example.org/c for more.\n");
    WriteFile(In("empty.txt"), "");
    mkdir(In("folder").c_str(), 0755);
    WriteFile(In("locked.html"), OldPage);
    chmod(In("locked.html").c_str(), 0444);
    WriteFile(In("locked.txt"), "Locked out\n");
    mkfifo(In("slow.txt").c_str(), 0644);
    const std::string single = testing::Run(TORVEX_BINARY, {"a.txt", "-"}, {"SOURCE_DATE_EPOCH=0"}, "", work).out;
    for (const char* jobs : {"-j1", "-j3"}) {
        SCOPED_TRACE(jobs);
        // Opens the FIFO once torvex reads it, and ends it a little later.
        std::thread writer([&] {
            const int fd = open(In("slow.txt").c_str(), O_WRONLY | O_CLOEXEC);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            close(fd);
        });
        const auto r = Torvex({jobs, "-B", "slow.txt", "a.txt", "missing.txt", "folder", "locked.txt", "empty.txt", "c.txt"},
                              {In("a.html"), In("c.html"), In("slow.html"), In("empty.html")}, testing::DropPrivileges);
        close(open(In("slow.txt").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));  // frees the writer, whatever happened
        writer.join();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err,
                  "torvex: slow.txt: Input file appears to be empty\n"
                  "torvex: Cannot open input file missing.txt: No such file or directory\n"
                  "torvex: Cannot open input file folder: Is a directory\n"
                  "torvex: locked.html: Permission denied\n"
                  "torvex: empty.txt: Input file appears to be empty\n"
                  "torvex: 2 converted, 5 failed\n");
        EXPECT_EQ(Page("a.html"), single);
        EXPECT_NE(Page("c.html").find("<A HREF=\"http://example.org/c\">"), std::string::npos);
        EXPECT_EQ(Page("locked.html"), OldPage);
    }
}

// Whatever would lose a file stops the whole batch before anything is
// written: two files for one page (however their folders are written, and
// two page sets in one folder), a page that is one of the inputs (by name
// or as the same file), and the command lines no batch can run.
TEST_F(Safety, ABatchThatWouldLoseAFileConvertsNothing) {
    for (const char* name : {"notes.v1.txt", "notes.v2.txt", "q.txt", "b.txt", "c.txt"}) WriteFile(In(name), "text\n");
    for (const char* folder : {"a", "sub"}) mkdir(In(folder).c_str(), 0755);
    for (const char* name : {"a/x.txt", "a/x.v2.txt", "a/faq.txt", "a/other.txt", "sub/q.html"}) WriteFile(In(name), "text\n");
    symlink("a", In("alias").c_str());
    link(In("c.txt").c_str(), In("b.html").c_str());
    // Enough pages for one folder that it is listed, not asked about page by page.
    std::vector<std::string> many = {"-d", "many"};
    for (int i = 1; i <= 20; ++i) {
        WriteFile(In("m" + std::to_string(i) + ".txt"), "text\n");
        many.push_back("m" + std::to_string(i) + ".txt");
    }
    mkdir(In("many").c_str(), 0755);
    link(In("m7.txt").c_str(), In("many/m3.html").c_str());
    const std::string nothing = "torvex: nothing was converted\n";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"-B", "notes.v1.txt", "notes.v2.txt"},
         "torvex: notes.v1.txt and notes.v2.txt would both be written to notes.html\n" + nothing},
        {{"-B", "a/x.txt", "./a/x.v2.txt", "alias/x.v2.txt"},
         "torvex: a/x.txt, ./a/x.v2.txt and alias/x.v2.txt would all be written to a/x.html\n" + nothing},
        {{"--batch", "--split", "a/faq.txt", "alias/other.txt"},
         "torvex: a/faq.txt and alias/other.txt would both be written to a/contents.html\n" + nothing},
        {{"-d", "sub", "q.txt", "sub/q.html"},
         "torvex: q.txt and sub/q.html would both be written to sub/q.html\n"
         "torvex: q.txt would be written to sub/q.html, which is also being converted\n"
         "torvex: sub/q.html would be written to itself\n" + nothing},
        {{"-B", "b.txt", "c.txt"}, "torvex: b.txt would be written to b.html, which is also being converted\n" + nothing},
        {many, "torvex: m3.txt would be written to many/m3.html, which is also being converted\n" + nothing},
        {{"-d", "missing", "c.txt"}, "torvex: cannot write pages into missing: No such file or directory\n" + nothing},
        {{"-d", "c.txt", "q.txt"}, "torvex: cannot write pages into c.txt: Not a directory\n" + nothing},
        {{"-B", "c.txt", "-"}, "torvex: a batch converts named files only, not '-'\n" + UsageText()},
        {{"--split", "-d", "sub", "c.txt"},
         "torvex: --split writes each page set beside its input; it cannot go with --output-dir\n" + UsageText()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args[2]);
        const auto r = Torvex(c.args, {});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.err);
    }
}

// Four threads write the very pages that one thread writes, page sets too.
TEST_F(Safety, ABatchOnFourThreadsWritesWhatOneThreadWrites) {
    std::vector<std::string> texts, faqs;
    std::set<std::string> pages, setPages;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "t" + std::to_string(i);
        WriteFile(In(name + ".txt"), "Part " + std::to_string(i) + "\n==========\n" + Lines(i * 37) +
                                         "Write to user" + std::to_string(i) + "@example.org\n\n\tThe end.\n");
        texts.push_back(name + ".txt");
        for (const char* folder : {"one/", "four/"}) pages.insert(In(folder + name + ".html"));
    }
    for (const char* folder : {"one", "four"}) mkdir(In(folder).c_str(), 0755);
    for (int i = 0; i < 4; ++i) {
        const std::string folder = "f" + std::to_string(i);
        mkdir(In(folder).c_str(), 0755);
        std::string faq;
        for (int k = 1; k <= 5; ++k) faq += "[" + std::to_string(k) + "] Entry " + std::to_string(k) + "\n";
        for (int k = 1; k <= 5; ++k) faq += "\n[" + std::to_string(k) + "] Section\n" + Lines(10 * k + i) + "See [1].\n";
        WriteFile(In(folder + "/faq.txt"), faq);
        faqs.push_back(folder + "/faq.txt");
        for (const char* page : {"contents", "1", "2", "3", "4", "5"}) setPages.insert(In(folder + "/" + page + ".html"));
    }
    pages.insert(setPages.begin(), setPages.end());
    std::map<std::string, std::string> first;
    for (const std::string jobs : {"-j1", "-j4"}) {
        SCOPED_TRACE(jobs);
        std::vector<std::string> args = {jobs, "-d", jobs == "-j1" ? "one" : "four"};
        args.insert(args.end(), texts.begin(), texts.end());
        EXPECT_EQ(Torvex(args, pages).err, "torvex: 40 converted, 0 failed\n");
        args = {jobs, "-B", "--split", "-t", "The FAQ"};
        args.insert(args.end(), faqs.begin(), faqs.end());
        EXPECT_EQ(Torvex(args, pages).err, "torvex: 4 converted, 0 failed\n");
        for (const std::string& page : setPages) {
            if (!first.emplace(page, ReadFile(page)).second) {
                EXPECT_EQ(ReadFile(page), first[page]) << page;
            }
        }
    }
    for (const std::string& text : texts) {
        const std::string page = DerivedPageName(text);
        EXPECT_TRUE(Page("one/" + page).ends_with("</HTML>\r\n")) << page;
        EXPECT_EQ(Page("four/" + page), Page("one/" + page)) << page;
    }
    EXPECT_NE(Page("f3/contents.html").find("<TITLE>The FAQ</TITLE>"), std::string::npos);
}

// Stopped in the middle of a batch: the pages already complete stay, the
// one being written is dropped and replaces nothing, no further file
// starts, and the summary says how far it got before the signal ends the
// program.
TEST_F(Safety, AnInterruptedBatchKeepsOnlyCompletePages) {
    for (const std::string jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        const std::string folder = In("j" + jobs);
        mkdir(folder.c_str(), 0755);
        // A FIFO is read line by line only as ISO 8859-1: deciding would hold it whole.
        std::vector<std::string> args = {"-B", "-e", "latin-1", "-j" + jobs};
        for (const char* name : {"f1", "f2", "f3", "slow", "f4", "f5", "f6"}) {
            args.push_back("j" + jobs + "/" + name + ".txt");
            if (name != std::string("slow")) WriteFile(folder + "/" + name + ".txt", Lines(50));
        }
        mkfifo((folder + "/slow.txt").c_str(), 0644);
        WriteFile(folder + "/slow.html", OldPage);
        const int feed = open((folder + "/slow.txt").c_str(), O_RDWR | O_CLOEXEC);
        const auto r = StopMidPage(args, -1, feed, Lines(3000), SIGINT, folder);
        EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGINT) << r.status;
        EXPECT_FALSE(HasTemporaryFile(folder));
        EXPECT_TRUE(ReadFile(folder + "/slow.html") == OldPage);
        int complete = 0;
        for (const char* name : {"f1", "f2", "f3", "f4", "f5", "f6"}) {
            if (!testing::Exists(folder + "/" + name + ".html")) continue;
            ++complete;
            EXPECT_TRUE(ReadFile(folder + "/" + name + ".html").ends_with("</HTML>\r\n")) << name;
        }
        if (jobs == "1") {
            EXPECT_EQ(complete, 3);
        }
        EXPECT_EQ(r.err, "torvex: " + std::to_string(complete) + " converted, 0 failed, " + std::to_string(7 - complete) +
                             " not converted (interrupted)\n");
    }
}

// A batch whose messages go to a pipe that nobody reads any more stops as
// for Ctrl-C and ends as a program in a pipeline does, leaving no
// temporary page behind: a page is being written from one FIFO when the
// first message (about the other, empty one) goes out.
TEST_F(Safety, ABatchWhoseReaderHasGoneLeavesNoTemporaryPage) {
    for (const char* fifo : {"hold.txt", "slow.txt"}) mkfifo(In(fifo).c_str(), 0644);
    const int hold = open(In("hold.txt").c_str(), O_RDWR | O_CLOEXEC);
    const int feed = open(In("slow.txt").c_str(), O_RDWR | O_CLOEXEC);
    const std::string text = Lines(1000);
    ASSERT_EQ(write(feed, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    int err[2];
    ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
    close(err[0]);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(err[1], STDERR_FILENO);
        std::signal(SIGPIPE, SIG_DFL);
        if (chdir(work.c_str()) != 0) _exit(126);
        execl(TORVEX_BINARY, TORVEX_BINARY, "-B", "-j2", "-e", "latin-1", "hold.txt", "missing.txt", "slow.txt",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(err[1]);
    const auto writingSlow = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(work))
            if (entry.path().filename().string().starts_with(".slow.html.torvex-")) return true;
        return false;
    };
    for (int wait = 0; wait < 10000 && !writingSlow(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(writingSlow());
    close(hold);  // an empty input: its message is the first
    for (int wait = 0; wait < 10000 && writingSlow(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    close(feed);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
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
