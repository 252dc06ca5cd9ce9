#include "command_line.h"
#include "page_names.h"

#include <gtest/gtest.h>

namespace torvex {
namespace {

using Action = CommandLine::Action;

// Each argument is one word: INPUT, OUTPUT, then the title words, or in a
// batch one INPUT each. Options stand anywhere until "--"; without any,
// fewer than two names is the window.
TEST(ParseCommandLine, OneArgumentIsOneName) {
    const struct {
        std::vector<std::string> args;
        Action action;
        std::string input, output, title;
        int mode = 2;
        bool stamp = true, force = false;
        CharacterSet encoding = CharacterSet::Auto;
        std::vector<std::string> inputs = {};  // of a batch
        std::string dir = "";
        unsigned jobs = 0;
        bool split = false;
    } cases[] = {
        {{}, Action::Window, "", "", ""},
        {{"in.txt"}, Action::Window, "", "", ""},
        {{"-"}, Action::Window, "", "", ""},
        {{"in.txt", ""}, Action::Window, "", "", ""},
        {{"in.txt", "", "out.html"}, Action::Window, "", "", ""},
        {{"in.txt", "out.html"}, Action::Convert, "in.txt", "out.html", ""},
        {{"in.txt", "out.html", "My", "home", "page"}, Action::Convert, "in.txt", "out.html", "My home page"},
        {{"in.txt", "out.html", ""}, Action::Convert, "in.txt", "out.html", ""},
        {{"in.txt", "out.html", "", "Notes"}, Action::Convert, "in.txt", "out.html", " Notes"},
        {{"Chapter 1.txt", "x y.html", "A  title"}, Action::Convert, "Chapter 1.txt", "x y.html", "A  title"},
        {{"in\tx.txt", "out.html"}, Action::Convert, "in\tx.txt", "out.html", ""},
        {{"-", "-"}, Action::Convert, "-", "-", ""},
        {{"-n", "a", "b"}, Action::Convert, "a", "b", "", 2, false},
        {{"a", "-n", "b", "x", "--force", "y"}, Action::Convert, "a", "b", "x y", 2, false, true},
        {{"a", "b", "-f"}, Action::Convert, "a", "b", "", 2, true, true},
        {{"-b", "keep", "a", "b", "x", "y"}, Action::Convert, "a", "b", "x y", 1},
        {{"-bnone", "a", "b"}, Action::Convert, "a", "b", "", 3},
        {{"-nfb", "add", "a", "b"}, Action::Convert, "a", "b", "", 2, false, true},
        {{"--line-breaks=keep", "--no-time", "a b", "c"}, Action::Convert, "a b", "c", "", 1, false},
        {{"a", "b", "--line-breaks", "none", "--", "-draft-", "-n"}, Action::Convert, "a", "b", "-draft- -n", 3},
        {{"--", "-x", "out"}, Action::Convert, "-x", "out", ""},
        {{"-h"}, Action::Help, "", "", ""},
        {{"a", "--help", "--bogus"}, Action::Help, "", "", ""},
        {{"--vers"}, Action::Version, "", "", ""},
        {{"--"}, Action::Error, "", "", ""},
        {{"--", "a"}, Action::Error, "", "", ""},
        {{"-n", "a"}, Action::Error, "", "", ""},
        {{"-n", "", "b"}, Action::Error, "", "", ""},
        {{"a", "b", "-x"}, Action::Error, "", "", ""},
        {{"--bogus", "a", "b"}, Action::Error, "", "", ""},
        {{"--f", "a", "b"}, Action::Convert, "a", "b", "", 2, true, true},
        {{"--no", "a", "b"}, Action::Convert, "a", "b", "", 2, false},
        {{"-b", "sometimes", "a", "b"}, Action::Error, "", "", ""},
        {{"a", "b", "-b"}, Action::Error, "", "", ""},
        {{"--help=yes"}, Action::Error, "", "", ""},
        {{"-e", "utf-8", "a", "b"}, Action::Convert, "a", "b", "", 2, true, false, CharacterSet::Utf8},
        {{"-nelatin-1", "a", "b"}, Action::Convert, "a", "b", "", 2, false, false, CharacterSet::Latin1},
        {{"a", "b", "--enc=auto"}, Action::Convert, "a", "b", "", 2, true, false, CharacterSet::Auto},
        {{"--encoding", "latin-1", "a", "b"}, Action::Convert, "a", "b", "", 2, true, false, CharacterSet::Latin1},
        {{"-e", "UTF-8", "a", "b"}, Action::Error, "", "", ""},
        {{"--encoding=latin1", "a", "b"}, Action::Error, "", "", ""},
        {{"a", "b", "-e"}, Action::Error, "", "", ""},
        {{"-t", "My title", "a", "b"}, Action::Convert, "a", "b", "My title"},
        {{"--split", "faq.txt", "My", "FAQ"}, Action::Convert, "faq.txt", "FAQ", "My FAQ", 2, true, false, CharacterSet::Auto, {}, "", 0, true},
        {{"-B", "a.txt", "b c.txt"}, Action::Batch, "", "", "", 2, true, false, CharacterSet::Auto, {"a.txt", "b c.txt"}},
        {{"a", "-nj3", "--batch", "-t", "T"}, Action::Batch, "", "", "T", 2, false, false, CharacterSet::Auto, {"a"}, "", 3},
        {{"-d", "out", "x", "--split", "--", "-y"}, Action::Error, "", "", ""},
        {{"--output-dir=out", "x", "--", "-y"}, Action::Batch, "", "", "", 2, true, false, CharacterSet::Auto, {"x", "-y"}, "out"},
        {{"-B", "--split", "-f", "-e", "utf-8", "--jobs", "12", "a"}, Action::Batch, "", "", "", 2, true, true, CharacterSet::Utf8, {"a"}, "", 12, true},
        {{"-t", "T", "a", "b", "c"}, Action::Error, "", "", ""},
        {{"--split", "-t", "T", "a", "b"}, Action::Error, "", "", ""},
        {{"-B"}, Action::Error, "", "", ""},
        {{"-B", "a", "-"}, Action::Error, "", "", ""},
        {{"-B", "a", ""}, Action::Error, "", "", ""},
        {{"-j", "0", "-B", "a"}, Action::Error, "", "", ""},
        {{"-j2x", "-B", "a"}, Action::Error, "", "", ""},
        {{"-d", "", "a"}, Action::Error, "", "", ""},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += "[" + a + "]";
        SCOPED_TRACE(line);
        const CommandLine cl = ParseCommandLine(c.args);
        EXPECT_EQ(cl.action, c.action);
        EXPECT_EQ(cl.action == Action::Error, !cl.error.empty());
        if (cl.action != Action::Convert && cl.action != Action::Batch) continue;
        EXPECT_EQ(cl.input, c.input);
        EXPECT_EQ(cl.output, c.output);
        EXPECT_EQ(cl.inputs, c.inputs);
        EXPECT_EQ(cl.output_dir, c.dir);
        EXPECT_EQ(cl.jobs, c.jobs);
        EXPECT_EQ(cl.options.title, c.title);
        EXPECT_EQ(cl.options.line_break_mode, c.mode);
        EXPECT_EQ(cl.options.time_stamp, c.stamp);
        EXPECT_EQ(cl.options.force, c.force);
        EXPECT_EQ(cl.options.split, c.split);
        EXPECT_EQ(cl.options.encoding, c.encoding);
    }
}

// The page a batch derives from an input's name: the file's own name up to
// its first dot (unless that is its first character), lowered as text,
// bytes that are not UTF-8 kept; the folder as it is.
TEST(DerivedPageName, LowersTheFileNameUpToItsFirstDot) {
    const struct {
        std::string name, page;
    } cases[] = {
        {"Read.Me.txt", "read.html"},
        {".profile", ".profile.html"},
        {"README", "readme.html"},
        {"My.Docs/Story.Text", "My.Docs/story.html"},
        {"\xC3\x89T\xC3\x89.TXT", "\xC3\xA9t\xC3\xA9.html"},  // ÉTÉ
        {"\xC9T\xC9.TXT", "\xC9t\xC9.html"},                      // ÉTÉ in ISO 8859-1
        {"a/.b.c", "a/.b.c.html"},
    };
    for (const auto& c : cases) EXPECT_EQ(DerivedPageName(c.name), c.page) << c.name;
}

}  // namespace
}  // namespace torvex
