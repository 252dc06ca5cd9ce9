// Standard input and output as "-", and the progress line on a terminal.
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "run.h"
#include "temp_dir.h"

namespace torvex {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const std::string Epoch = "SOURCE_DATE_EPOCH=1804248429";
const std::string Text = "A short line\n\nA <quoted> \"word\" and \xA3 5\n  indented\n";

std::string Repeat(const std::string& text, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

// A pipe is held until its end decides the character set: in memory, or
// beyond a few megabytes in a temporary file. Either way the page is the
// one the same text gives as a file.
TEST(Streams, PipesGiveTheSameBytesAsFiles) {
    const std::string greeting = "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln\n";
    const struct {
        std::string text, charset;
    } cases[] = {
        {Text, "iso-8859-1"},
        {"\xEF\xBB\xBF\xC2\xA3 S\xC3\xA3o \xD0\xA3\n", "utf-8"},
        {Repeat(greeting, 300000), "utf-8"},
        {Repeat(greeting, 300000) + "caf\xE9\n" + greeting, "iso-8859-1"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        WriteFile(dir / "a.txt", c.text);
        ASSERT_EQ(testing::Run(TORVEX_BINARY, {dir / "a.txt", dir / "a.html", "Title"}, {Epoch}).status, 0);
        const std::string page = ReadFile(dir / "a.html");
        EXPECT_NE(page.find("charset=" + c.charset + "\""), std::string::npos) << c.text.substr(0, 20);

        const auto plain = testing::Run(TORVEX_BINARY, {"-", "-", "Title"}, {Epoch}, c.text);
        EXPECT_EQ(plain.status, 0) << plain.err;
        EXPECT_TRUE(plain.out == page) << c.text.substr(0, 20);
        const auto options = testing::Run(TORVEX_BINARY, {"--", "-", "-", "Title"}, {Epoch}, c.text);
        EXPECT_TRUE(options.out == page);
        const auto toFile = testing::Run(TORVEX_BINARY, {"-", dir / "b.html", "Title"}, {Epoch}, c.text);
        EXPECT_EQ(toFile.status, 0);
        EXPECT_TRUE(ReadFile(dir / "b.html") == page);
    }
}

// The temporary file has no name, so nothing is left behind; where none can
// be made the conversion fails and says so.
TEST(Streams, AGreatPipeWaitsInATemporaryFileThatLeavesNothingBehind) {
    const std::string text = Repeat("\xD0\xA3\xD1\x84\xD0\xB0 \xD0\xB8 \xD0\x9A\xD1\x91\xD0\xBB\xD1\x8C\xD0\xBD\n", 400000);
    TempDir tmp;
    const auto held = testing::Run(TORVEX_BINARY, {"-n", "-", "-"}, {"TMPDIR=" + tmp.path()}, text);
    EXPECT_EQ(held.status, 0) << held.err;
    EXPECT_NE(held.out.find("charset=utf-8"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));

    const auto unheld = testing::Run(TORVEX_BINARY, {"-n", "-", "-"}, {"TMPDIR=" + (tmp / "missing")}, text);
    EXPECT_EQ(unheld.status, 1);
    EXPECT_EQ(unheld.out, "");
    EXPECT_EQ(unheld.err, "torvex: Cannot hold standard input in a temporary file in " + (tmp / "missing") +
                              ": No such file or directory\n");
}

TEST(Streams, AFileNamedDashIsWrittenAsDotSlashDash) {
    TempDir dir;
    WriteFile(dir / "a.txt", Text);
    const auto r = testing::Run(TORVEX_BINARY, {"a.txt", "./-"}, {Epoch}, "", dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(ReadFile(dir / "-").find("A short line<BR>"), std::string::npos);
}

// Standard output that is the input file itself: refused, nothing written.
TEST(Streams, StandardOutputAppendedToTheInputIsRefused) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\n";
    WriteFile(dir / "in.txt", text);
    const auto r = testing::Run("/bin/sh", {"-c", "exec \"$0\" -n in.txt - >> in.txt", TORVEX_BINARY}, {}, "",
                                dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "torvex: Output file is the same as the input file\n");
    EXPECT_EQ(ReadFile(dir / "in.txt"), text);
}

// A name of the program's own standard output (as /dev/stdout is: a link
// through /proc) writes to it and is never deleted, even when standard
// output is a regular file.
TEST(Streams, ALinkToStandardOutputIsWrittenThroughAndKept) {
    TempDir dir;
    WriteFile(dir / "a.txt", Text);
    ASSERT_EQ(symlink("/proc/self/fd/1", (dir / "mystdout").c_str()), 0);
    const auto direct = testing::Run(TORVEX_BINARY, {"-n", "a.txt", "-"}, {}, "", dir.path());
    ASSERT_EQ(direct.status, 0);
    for (const std::string redirect : {">", ">>"}) {
        const auto r = testing::Run(
            "/bin/sh", {"-c", "exec \"$0\" -n a.txt mystdout " + redirect + " page.html", TORVEX_BINARY}, {}, "",
            dir.path());
        EXPECT_EQ(r.status, 0) << r.err;
        struct stat info {};
        ASSERT_EQ(lstat((dir / "mystdout").c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode));
        EXPECT_EQ(ReadFile(dir / "page.html"), direct.out);
        unlink((dir / "page.html").c_str());
    }
}

TEST(Streams, EmptyStandardInputIsAnEmptyInput) {
    const auto r = testing::Run(TORVEX_BINARY, {"-", "-"}, {Epoch}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "torvex: Input file appears to be empty\n");
}

TEST(Streams, SplitModeFromStandardInputWritesIntoTheCurrentFolder) {
    TempDir dir;
    const std::string faq = "[1] One\n[2] Two\n\n[1] One\nfirst\n[2] Two\nsecond\n";
    const auto r = testing::Run(TORVEX_BINARY, {"-", "FAQ"}, {Epoch}, faq, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* page : {"contents.html", "1.html", "2.html"}) EXPECT_TRUE(testing::Exists(dir / page)) << page;
}

// Feeds torvex its standard input slowly (about two seconds in all) so
// that the conversion lasts long enough for a progress line; stderr is a
// terminal or a pipe. Gives everything written to stderr.
std::string SlowConversion(bool terminal, const std::vector<std::string>& args) {
    int in[2], err[2] = {-1, -1};
    EXPECT_EQ(pipe(in), 0);
    int master = -1;
    pid_t pid;
    if (terminal) {
        pid = forkpty(&master, nullptr, nullptr, nullptr);
    } else {
        EXPECT_EQ(pipe(err), 0);
        pid = fork();
    }
    if (pid == 0) {
        dup2(in[0], 0);
        if (!terminal) dup2(err[1], 2);
        close(in[0]), close(in[1]);
        if (!terminal) close(err[0]), close(err[1]);
        const char* env[] = {"PATH=/usr/bin:/bin", "SOURCE_DATE_EPOCH=0", nullptr};
        std::vector<char*> argv = {const_cast<char*>(TORVEX_BINARY)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execve(TORVEX_BINARY, argv.data(), const_cast<char**>(env));
        _exit(127);
    }
    close(in[0]);
    const int readFrom = terminal ? master : err[0];
    if (!terminal) close(err[1]);
    std::thread feeder([&] {
        const std::string lines(25 * 40, 'x');
        std::string chunk;
        for (size_t i = 0; i < lines.size(); i += 40) chunk += lines.substr(i, 39) + "\n";
        for (int round = 0; round < 20; ++round) {
            if (write(in[1], chunk.data(), chunk.size()) < 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        close(in[1]);
    });
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(readFrom, buffer, sizeof buffer);
        if (n <= 0) break;  // a pty reports EIO once the child has gone
        text.append(buffer, static_cast<size_t>(n));
    }
    feeder.join();
    int status = 0;
    waitpid(pid, &status, 0);
    close(readFrom);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return text;
}

// A conversion shows its bytes, a batch its files; on a pipe nothing but
// the batch's summary. (The terminal turns each line end into CR LF.)
TEST(Streams, ProgressOnlyOnATerminalAndErasedAtTheEnd) {
    TempDir dir;
    const std::string summary = "torvex: 1 converted, 0 failed";
    const struct {
        std::vector<std::string> args;
        std::string page, piped, drawn, end;
    } cases[] = {
        {{"-", dir / "one.html"}, dir / "one.html", "", " MB/s", "\r\033[K"},
        {{"-B", "-d", dir.path(), "/dev/stdin"}, dir / "stdin.html", summary + "\n", " of 1 files, ",
         "\r\033[K" + summary + "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        EXPECT_EQ(SlowConversion(false, c.args), c.piped);
        const std::string page = ReadFile(c.page);
        const std::string shown = SlowConversion(true, c.args);
        EXPECT_NE(shown.find("\rtorvex: "), std::string::npos) << shown;
        EXPECT_NE(shown.find(c.drawn), std::string::npos) << shown;
        EXPECT_TRUE(shown.ends_with(c.end)) << shown;
        EXPECT_TRUE(page.ends_with("</HTML>\r\n"));
        EXPECT_EQ(ReadFile(c.page), page);
    }
}

}  // namespace
}  // namespace torvex
