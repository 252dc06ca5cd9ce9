// What only a running program shows: a signal in the middle of a page, an
// output swapped under it, an input changed under it, batches on several
// threads and their order, great inputs, and where the window module may
// come from.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "run.h"
#include "temp_dir.h"

namespace torvex::testing {
namespace {

const std::string OldPage = "<HTML>the old page</HTML>\n";

std::string Lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += "Line " + std::to_string(i) + " of a text that goes on and on.\n";
    return text;
}

// A temporary page in folder (of the page named, if one is).
bool HasTemporaryFile(const std::string& folder, const std::string& page = "") {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".torvex-") != std::string::npos && name.starts_with("." + page)) return true;
    }
    return false;
}

// Waits up to ten seconds for done(); whether it came (a temporary page
// may be gone again by the time anyone looks twice).
template <class Done>
bool WaitFor(Done done) {
    for (int wait = 0; wait < 10000; ++wait) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

class Safety : public ::testing::Test {
protected:
    std::string In(const std::string& name) const { return dir / name; }

    // Runs torvex in dir with `in` (if any) as its standard input, feeds
    // text to feed, sends signal once a page is being written in folder,
    // and only then ends the input, so that no page can be finished first.
    // page: the one the signal must find half written, when others of a
    // batch come and go around it.
    // How the program ended (as waitpid says) and what it said.
    std::pair<int, std::string> StopMidPage(const std::vector<std::string>& args, int in, int feed,
                                            const std::string& text, int signal, const std::string& folder,
                                            const std::string& page = "") {
        int err[2];
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            if (in >= 0) dup2(in, STDIN_FILENO);
            dup2(err[1], STDERR_FILENO);
            if (chdir(dir.path().c_str()) != 0) _exit(126);
            std::vector<char*> argv = {const_cast<char*>(TORVEX_BINARY)};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(TORVEX_BINARY, argv.data());
            _exit(127);
        }
        close(err[1]);
        if (in >= 0) close(in);
        EXPECT_EQ(write(feed, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        EXPECT_TRUE(WaitFor([&] { return HasTemporaryFile(folder, page); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // well into the page
        kill(pid, signal);
        WaitFor([&] { return !HasTemporaryFile(folder); });  // it has seen the signal
        close(feed);
        std::string said;
        char buffer[4096];
        for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<size_t>(n));
        close(err[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        return {status, said};
    }

    // torvex in dir, with the stamp of 1970.
    RunResult Torvex(const std::vector<std::string>& args, const std::string& input = {},
                     const std::function<void()>& in_child = {}) {
        return testing::Run(TORVEX_BINARY, args, {"SOURCE_DATE_EPOCH=0"}, input, dir.path(), in_child);
    }

    TempDir dir;
};

// The input is a pipe kept open, so that the signal surely comes while the
// page is being written (in a named character set, so that the pipe is
// converted as it comes instead of held first).
TEST_F(Safety, AnInterruptLeavesTheOldPages) {
    for (const char* page : {"out.html", "contents.html", "1.html", "2.html"}) WriteFile(In(page), OldPage);
    std::string faq;
    for (int i = 1; i <= 30; ++i) faq += "[" + std::to_string(i) + "] Entry\n";
    for (int i = 1; i <= 30; ++i) faq += "[" + std::to_string(i) + "] Section\n" + Lines(100);
    for (const auto& [signal, output] : {std::pair{SIGINT, "out.html"}, {SIGTERM, "FAQ"}, {SIGHUP, "out.html"}}) {
        SCOPED_TRACE(output);
        const auto before = Snapshot(dir.path());
        int in[2];
        ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
        const int status = StopMidPage({"-e", "latin-1", "-", output}, in[0], in[1], faq, signal, dir.path()).first;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Snapshot(dir.path()), before);
    }
}

// The output name keeps changing between a page and a link to a page
// elsewhere: torvex replaces whatever the name is, never writing through it.
TEST_F(Safety, AnOutputSwappedWithALinkNeverWritesThroughIt) {
    WriteFile(In("a.txt"), "Hello\n");
    WriteFile(In("outside.html"), "bystander");
    std::atomic<bool> stop = false;
    std::thread swapper([&] {
        while (!stop) {
            unlink(In("link.tmp").c_str());
            symlink("outside.html", In("link.tmp").c_str());
            rename(In("link.tmp").c_str(), In("out.html").c_str());
            WriteFile(In("file.tmp"), OldPage);
            rename(In("file.tmp").c_str(), In("out.html").c_str());
        }
    });
    int converted = 0;
    for (int run = 0; run < 200; ++run) converted += Torvex({"a.txt", "out.html"}).status == 0;
    stop = true;
    swapper.join();
    EXPECT_EQ(converted, 200);
    EXPECT_EQ(ReadFile(In("outside.html")), "bystander");
    EXPECT_FALSE(HasTemporaryFile(dir.path()));
}

// A batch goes on after a file that fails and tells each file's messages in
// the order of the files: the FIFO's come first, though it ends last. Its
// pages are those that conversions of their own give.
TEST_F(Safety, ABatchGoesOnAfterFailuresAndReportsInTheOrderOfItsFiles) {
    WriteFile(In("a.txt"), "Hello\n");
    WriteFile(In("c.txt"), "See http://example.org/c for more.\n");
    WriteFile(In("empty.txt"), "");
    mkdir(In("folder").c_str(), 0755);
    WriteFile(In("locked.html"), OldPage);
    chmod(In("locked.html").c_str(), 0444);
    WriteFile(In("locked.txt"), "Locked out\n");
    mkfifo(In("slow.txt").c_str(), 0644);
    const std::string a = Torvex({"a.txt", "-"}).out;
    const std::string c = Torvex({"c.txt", "-"}).out;
    for (const char* jobs : {"-j1", "-j3"}) {
        SCOPED_TRACE(jobs);
        std::thread writer([&] {  // opens the FIFO once torvex reads it, and ends it a little later
            const int fd = open(In("slow.txt").c_str(), O_WRONLY | O_CLOEXEC);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            close(fd);
        });
        const auto r = Torvex({jobs, "-B", "slow.txt", "a.txt", "missing.txt", "folder", "locked.txt", "empty.txt", "c.txt"},
                              "", DropFileOverrides);
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
        EXPECT_TRUE(ReadFile(In("a.html")) == a && ReadFile(In("c.html")) == c);
        EXPECT_EQ(ReadFile(In("locked.html")), OldPage);
    }
}

// Four threads write the very pages that one thread writes, page sets too.
TEST_F(Safety, ABatchOnFourThreadsWritesWhatOneThreadWrites) {
    std::vector<std::string> texts = {"-j", "-B"}, faqs = {"-j", "-B", "--split"};
    for (int i = 0; i < 30; ++i) {
        texts.push_back("t" + std::to_string(i) + ".txt");
        WriteFile(In(texts.back()), "Part\n====\n" + Lines(i * 37) + "Write to user" + std::to_string(i) + "@example.org\n");
    }
    for (int i = 0; i < 4; ++i) {
        mkdir(In("f" + std::to_string(i)).c_str(), 0755);
        std::string faq;
        for (int k = 1; k <= 5; ++k) faq += "[" + std::to_string(k) + "] Entry\n";
        for (int k = 1; k <= 5; ++k) faq += "\n[" + std::to_string(k) + "] Section\n" + Lines(10 * k + i) + "See [1].\n";
        faqs.push_back("f" + std::to_string(i) + "/faq.txt");
        WriteFile(In(faqs.back()), faq);
    }
    std::map<std::string, std::string> first;
    for (const char* jobs : {"-j1", "-j4"}) {
        texts[0] = faqs[0] = jobs;
        EXPECT_EQ(Torvex(texts).err + Torvex(faqs).err, "torvex: 30 converted, 0 failed\ntorvex: 4 converted, 0 failed\n");
        std::map<std::string, std::string> pages;
        for (const auto& [name, state] : Snapshot(dir.path()))
            if (name.ends_with(".html")) pages[name] = ReadFile(name), std::filesystem::remove(name);
        if (first.empty()) first = pages;
        EXPECT_TRUE(pages == first) << jobs;
    }
    EXPECT_EQ(first.size(), 30u + 4 * 6);
}

// Ctrl-C in the middle of a batch: the pages already complete stay, the one
// being written replaces nothing, no further file starts, and the summary
// says how far it got before the signal ends the program.
TEST_F(Safety, AnInterruptedBatchKeepsOnlyCompletePages) {
    for (const std::string jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        const std::string folder = In("j" + jobs);
        mkdir(folder.c_str(), 0755);
        // A FIFO is read line by line only as ISO 8859-1: deciding would hold it whole.
        std::vector<std::string> args = {"-B", "-e", "latin-1", "-j" + jobs};
        for (const std::string name : {"f1", "f2", "f3", "slow", "f4", "f5", "f6"}) {
            args.push_back("j" + jobs + "/" + name + ".txt");
            if (name != "slow") WriteFile(folder + "/" + name + ".txt", Lines(50));
        }
        mkfifo((folder + "/slow.txt").c_str(), 0644);
        WriteFile(folder + "/slow.html", OldPage);
        const int feed = open((folder + "/slow.txt").c_str(), O_RDWR | O_CLOEXEC);
        const auto [status, err] = StopMidPage(args, -1, feed, Lines(3000), SIGINT, folder, "slow.html");
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
        EXPECT_FALSE(HasTemporaryFile(folder));
        EXPECT_EQ(ReadFile(folder + "/slow.html"), OldPage);
        int complete = 0;
        for (const std::string name : {"f1", "f2", "f3", "f4", "f5", "f6"})
            if (Exists(folder + "/" + name + ".html"))
                complete += ReadFile(folder + "/" + name + ".html").ends_with("</HTML>\r\n") ? 1 : 100;
        EXPECT_TRUE(jobs == "2" ? complete <= 6 : complete == 3) << complete;
        EXPECT_EQ(err, "torvex: " + std::to_string(complete) + " converted, 0 failed, " + std::to_string(7 - complete) +
                           " not converted (interrupted)\n");
    }
}

// A pipe is held until its end decides the character set, in memory or
// beyond a few megabytes in a temporary file: either way its page is the one
// the same text gives as a file.
// A closed pipe on standard error (`torvex -B ... 2>&1 | head`) ends a batch
// as Ctrl-C does: the page being written is given up, not left behind.
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
        if (chdir(dir.path().c_str()) != 0) _exit(126);
        execl(TORVEX_BINARY, TORVEX_BINARY, "-B", "-j2", "-e", "latin-1", "hold.txt", "missing.txt", "slow.txt",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(err[1]);
    EXPECT_TRUE(WaitFor([&] { return HasTemporaryFile(dir.path()); }));
    close(hold);  // an empty input: its message is the first, and meets the closed pipe
    WaitFor([&] { return !HasTemporaryFile(dir.path()); });
    close(feed);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
    EXPECT_FALSE(HasTemporaryFile(dir.path()));
}

TEST_F(Safety, PipesGiveTheSameBytesAsFiles) {
    std::string greetings;
    for (int i = 0; i < 300000; ++i) greetings += "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln\n";
    for (const std::string& text : std::vector<std::string>{"\xEF\xBB\xBF\xC2\xA3 S\xC3\xA3o \xD0\xA3\n", greetings, greetings + "caf\xE9\n"}) {
        WriteFile(In("a.txt"), text);
        ASSERT_EQ(Torvex({"a.txt", "a.html", "Title"}).status, 0);
        const auto piped = Torvex({"-", "-", "Title"}, text);
        EXPECT_TRUE(piped.status == 0 && piped.out == ReadFile(In("a.html"))) << text.size();
    }
}

// A great input is read through a mapping. Another process that cuts it
// short while it is converted (the pages being read then raise SIGBUS) or
// writes to it fails the conversion, which replaces nothing. The program
// is held still while the file changes, so that the change surely comes
// in the middle of its page.
TEST_F(Safety, AnInputThatChangesWhileReadFailsAndReplacesNothing) {
    const std::string text = Lines(800000);  // 40 MB
    const std::pair<const char*, void (*)(int)> changes[] = {
        {"cut short", [](int fd) { EXPECT_EQ(ftruncate(fd, 0), 0); }},
        {"written to", [](int fd) { EXPECT_EQ(pwrite(fd, "X", 1, 0), 1); }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        WriteFile(In("big.txt"), text);
        WriteFile(In("out.html"), OldPage);
        int err[2];
        ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(err[1], STDERR_FILENO);
            if (chdir(dir.path().c_str()) != 0) _exit(126);
            execl(TORVEX_BINARY, TORVEX_BINARY, "-n", "big.txt", "out.html", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(err[1]);
        EXPECT_TRUE(WaitFor([&] { return HasTemporaryFile(dir.path(), "out.html"); }));
        int status = 0;
        kill(pid, SIGSTOP);
        waitpid(pid, &status, WUNTRACED);
        EXPECT_TRUE(HasTemporaryFile(dir.path(), "out.html")) << "the page was finished before the input changed";
        const int fd = open(In("big.txt").c_str(), O_WRONLY | O_CLOEXEC);
        change(fd);
        close(fd);
        kill(pid, SIGCONT);
        std::string said;
        char buffer[4096];
        for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<size_t>(n));
        close(err[0]);
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        EXPECT_EQ(said, "torvex: big.txt: the file changed while it was being read\n");
        EXPECT_EQ(ReadFile(In("out.html")), OldPage);
        EXPECT_FALSE(HasTemporaryFile(dir.path()));
    }
}

// A line is converted in pieces however long it is: memory stays far below
// its size on a classic page and a modern one (the sanitizers' bookkeeping
// needs more room), also where a run without spaces is one address of
// 100 MB that the page shows twice.
// Thousands of sections make as many pages.
TEST_F(Safety, GreatInputsTakeLittleMemory) {
#ifdef TORVEX_SANITIZED
    constexpr long MostMemoryKb = 256 << 10;
#else
    constexpr long MostMemoryKb = 64 << 10;
#endif
    // Each text is written and looked for as pieces, a long run of one byte
    // given as its length: a test process that held 100 MB strings would
    // lend their memory to the program it starts.
    struct Piece {
        std::string text;
        size_t run = 0;  // or so many times text (a single byte in a line)
    };
    const Piece b{"b", size_t{100} << 20};
    const struct {
        std::vector<Piece> line, body, modern;  // the line has no LF: the input ends it
    } cases[] = {
        {{{"<", size_t{100} << 20}}, {{"&lt;", size_t{100} << 20}}, {{"<p>"}, {"&lt;", size_t{100} << 20}}},
        {{{"see a@"}, b, {".example.org"}},
         {{"see <A HREF=\"mailto:a@"}, b, {".example.org\">a@"}, b, {".example.org</A>"}},
         {{"<p>see <a href=\"mailto:a@"}, b, {".example.org\">a@"}, b, {".example.org</a>"}}},
        {{{"see http://"}, b, {".example.org/"}},
         {{"see <A HREF=\"http://"}, b, {".example.org/\">http://"}, b, {".example.org/</A>"}},
         {{"<p>see <a href=\"http://"}, b, {".example.org/\">http://"}, b, {".example.org/</a>"}}},
    };
    for (const auto& [line, body, modern] : cases) {
        {
            std::ofstream out(In("line.txt"), std::ios::binary);
            for (const Piece& piece : line) {
                const std::string chunk(std::min<size_t>(piece.run, 1 << 20), piece.text[0]);
                for (size_t done = 0; done < piece.run; done += chunk.size()) out << chunk;
                if (piece.run == 0) out << piece.text;
            }
        }
        // Each page's body, from its first text on, to what ends it.
        for (const auto& [style, pieces, start, end] :
             {std::tuple{"classic", &body, "\r\n\r\n", "\r\n<HR>"}, std::tuple{"modern", &modern, "\n", "</p>\n</main>"}}) {
            const auto r = Torvex({"-n", "-s", style, "line.txt", "line.html"});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_LT(r.peak_kb, MostMemoryKb) << style << ": " << line[0].text;
            const std::string page = ReadFile(In("line.html"));
            size_t at = page.find(start + (*pieces)[0].text) + std::string_view(start).size();
            for (const Piece& piece : *pieces) {
                const size_t length = piece.text.size() * std::max<size_t>(piece.run, 1);
                if (piece.run == 0)
                    EXPECT_EQ(page.compare(at, length, piece.text), 0) << style << ": " << piece.text;
                else
                    EXPECT_EQ(page.find_first_not_of(piece.text, at), at + length) << style << ": " << piece.text;
                at += length;
            }
            EXPECT_EQ(page.rfind(end), at) << style << ": " << line[0].text;
        }
    }
    std::string faq;
    for (int i = 1; i <= 5000; ++i) faq += "[" + std::to_string(i) + "] Entry " + std::to_string(i) + "\n";
    for (int i = 1; i <= 5000; ++i) faq += "[" + std::to_string(i) + "] Section\nSee [" + std::to_string(5001 - i) + "].\n";
    WriteFile(In("faq.txt"), faq);
    EXPECT_EQ(Torvex({"faq.txt", "FAQ"}).status, 0);
    EXPECT_NE(ReadFile(In("5000.html")).find("<A HREF=\"1.html\">[1]</A>"), std::string::npos);
}

#ifdef TORVEX_HAS_WINDOW
// The window module is loaded from beside the program or from the folder it
// is installed in, never from the current folder or a path relative to
// anything; a file there that is no module is an error, not a crash.
TEST_F(Safety, TheWindowModuleComesOnlyFromItsOwnPlaces) {
    const std::string bin = In("bin"), work = In("work"), marker = In("marker");
    for (const std::string& folder : {bin, In("lib"), In("lib/torvex"), work, work + "/lib", work + "/lib/torvex"})
        mkdir(folder.c_str(), 0755);
    std::filesystem::copy_file(TORVEX_BINARY, bin + "/torvex");
    for (const std::string& place : {In("lib/torvex"), work, work + "/lib/torvex"})
        std::filesystem::copy_file(TORVEX_PLANTED_MODULE, place + "/libtorvex-window.so");
    // A display to open the window on, so that the module is looked for.
    const std::string display = "QT_QPA_PLATFORM=offscreen";
    auto r = testing::Run(bin + "/torvex", {}, {display, "TORVEX_PLANTED_MARKER=" + marker}, "", work);
    EXPECT_EQ(r.status, 2);
    const std::string none = "torvex: cannot open the window: no window module at " + bin +
                             "/libtorvex-window.so or " TORVEX_MODULE_DIR "/libtorvex-window.so";
    EXPECT_TRUE(r.err.starts_with(none) || Exists(TORVEX_MODULE_DIR "/libtorvex-window.so")) << r.err;
    EXPECT_FALSE(Exists(marker));
    WriteFile(bin + "/libtorvex-window.so", "not a module\n");
    r = testing::Run(bin + "/torvex", {}, {display}, "", work);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.starts_with("torvex: cannot open the window: " + bin + "/libtorvex-window.so: ")) << r.err;
}
#endif

}  // namespace
}  // namespace torvex::testing
