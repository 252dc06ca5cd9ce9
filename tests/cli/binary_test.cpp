// The real torvex binary: exit statuses, messages and pages.
#include <gtest/gtest.h>

#include "command_line.h"
#include "pages.h"
#include "run.h"
#include "temp_dir.h"

namespace torvex {
namespace {

using testing::PageFoot;
using testing::PageHead;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// 1804248429 is 2027-03-05 12:07:09 UTC.
const std::string Epoch = "SOURCE_DATE_EPOCH=1804248429";
const std::string Stamp = " on 05-Mar-2027 at 12:07:09<BR>";

testing::RunResult Torvex(const std::vector<std::string>& args, const std::vector<std::string>& env = {Epoch}) {
    return testing::Run(TORVEX_BINARY, args, env);
}

TEST(Binary, ConvertsWithTheTitleWordsAndAStamp) {
    TempDir dir;
    WriteFile(dir / "a.txt", "Hello\n");
    const auto r = Torvex({dir / "a.txt", dir / "a.html", "My", "home", "page"}, {Epoch, "TZ=Asia/Tokyo"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(dir / "a.html"), PageHead("My home page") + "Hello<BR>\r\n" + PageFoot(Stamp));
}

TEST(Binary, OptionsChooseTheModeAndTheStamp) {
    TempDir dir;
    WriteFile(dir / "a.txt", "Hello\n\n");
    const auto r = Torvex({"-n", "--line-breaks=keep", "--", dir / "a.txt", dir / "a b.html", "Two", "words"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "a b.html"), PageHead("Two words") + "Hello<BR>\r\n<BR>\r\n" + PageFoot());
}

TEST(Binary, AWholeNumberOfSecondsIsTheOnlyReproducibleStamp) {
    TempDir dir;
    WriteFile(dir / "a.txt", "x\n");
    for (const std::string bad : {"SOURCE_DATE_EPOCH=12.5", "SOURCE_DATE_EPOCH=abc", "SOURCE_DATE_EPOCH=-5",
                                  "SOURCE_DATE_EPOCH="}) {
        ASSERT_EQ(Torvex({dir / "a.txt", dir / "a.html"}, {bad}).status, 0);
        const std::string page = ReadFile(dir / "a.html");
        EXPECT_EQ(page.find("1970"), std::string::npos) << bad;
        EXPECT_NE(page.find("created this page on "), std::string::npos) << bad;
    }
    ASSERT_EQ(Torvex({dir / "a.txt", dir / "a.html"}, {"SOURCE_DATE_EPOCH=0"}).status, 0);
    EXPECT_NE(ReadFile(dir / "a.html").find(" on 01-Jan-1970 at 00:00:00<BR>"), std::string::npos);
}

TEST(Binary, HelpAndVersion) {
    const auto help = Torvex({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, UsageText());
    EXPECT_EQ(help.err, "");
    const auto version = Torvex({"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "torvex V2.5\n");
}

TEST(Binary, UsageErrorsExitTwo) {
    const struct {
        std::vector<std::string> args;
        std::string first_line;
    } cases[] = {
        {{"--frobnicate", "a", "b"}, "torvex: unrecognized option '--frobnicate'\n"},
        {{"-b", "often", "a", "b"}, "torvex: invalid line-break mode 'often' (use keep, add or none)\n"},
        {{"--encoding=utf8", "a", "b"}, "torvex: invalid encoding 'utf8' (use auto, utf-8 or latin-1)\n"},
        {{"-n", "a"}, "torvex: missing or empty OUTPUT\n"},
        {{"-n", "", "b"}, "torvex: missing or empty INPUT\n"},
    };
    for (const auto& c : cases) {
        const auto r = Torvex(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.first_line + UsageText());
        EXPECT_EQ(r.out, "");
    }
}

TEST(Binary, AnIncompletePlainCommandLineWantsTheWindow) {
    // With no display there is no window to open: exit 2 and say so.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"only.txt"}, {"in.txt", "", "out.html"}, {"in.txt", ""}}) {
        const auto r = Torvex(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(UsageText()), std::string::npos);
    }
}

}  // namespace
}  // namespace torvex
