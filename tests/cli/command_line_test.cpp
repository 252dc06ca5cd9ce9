#include "command_line.h"

#include <gtest/gtest.h>

namespace torvex {
namespace {

using Action = CommandLine::Action;

// Each argument is one word: INPUT, OUTPUT, then the title words. Options
// stand anywhere until "--"; without any, fewer than two names is the window.
TEST(ParseCommandLine, OneArgumentIsOneName) {
    const struct {
        std::vector<std::string> args;
        Action action;
        std::string input, output, title;
        int mode = 2;
        bool stamp = true, force = false;
        CharacterSet encoding = CharacterSet::Auto;
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
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += "[" + a + "]";
        SCOPED_TRACE(line);
        const CommandLine cl = ParseCommandLine(c.args);
        EXPECT_EQ(cl.action, c.action);
        EXPECT_EQ(cl.action == Action::Error, !cl.error.empty());
        if (cl.action != Action::Convert) continue;
        EXPECT_EQ(cl.input, c.input);
        EXPECT_EQ(cl.output, c.output);
        EXPECT_EQ(cl.title, c.title);
        EXPECT_EQ(cl.line_break_mode, c.mode);
        EXPECT_EQ(cl.time_stamp, c.stamp);
        EXPECT_EQ(cl.force, c.force);
        EXPECT_EQ(cl.encoding, c.encoding);
    }
}

}  // namespace
}  // namespace torvex
