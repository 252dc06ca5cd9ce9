#include "command_line.h"

#include <gtest/gtest.h>

namespace torvex {
namespace {

using Action = CommandLine::Action;

TEST(ParseCommandLine, PlainFormCutsTheArgumentTextAtItsFirstTwoSpaces) {
    const struct {
        std::vector<std::string> args;
        Action action;
        std::string input, output, title;
    } cases[] = {
        {{}, Action::Window, "", "", ""},
        {{"in.txt"}, Action::Window, "", "", ""},
        {{"in.txt", "out.html"}, Action::Convert, "in.txt", "out.html", ""},
        {{"in.txt", "out.html", "My", "home", "page"}, Action::Convert, "in.txt", "out.html", "My home page"},
        {{"in.txt", "", "out.html"}, Action::Window, "in.txt", "", "out.html"},
        {{"in.txt", "out.html", ""}, Action::Convert, "in.txt", "out.html", ""},
        {{"in.txt", "out.html", "", "Notes"}, Action::Convert, "in.txt", "out.html", " Notes"},
        {{"in.txt", ""}, Action::Window, "in.txt", "", ""},
        {{"in.txt out.html Title words"}, Action::Convert, "in.txt", "out.html", "Title words"},
        {{"in\tx.txt", "out.html"}, Action::Convert, "in\tx.txt", "out.html", ""},
    };
    for (const auto& c : cases) {
        const CommandLine cl = ParseCommandLine(c.args);
        EXPECT_EQ(cl.action, c.action);
        if (cl.action != Action::Convert) continue;
        EXPECT_EQ(cl.input, c.input);
        EXPECT_EQ(cl.output, c.output);
        EXPECT_EQ(cl.title, c.title);
        EXPECT_EQ(cl.line_break_mode, 2);
        EXPECT_TRUE(cl.time_stamp);
    }
}

TEST(ParseCommandLine, OptionForm) {
    const struct {
        std::vector<std::string> args;
        Action action;
        int mode;
        bool stamp;
        std::string input, output, title;
        CharacterSet encoding = CharacterSet::Auto;
    } cases[] = {
        {{"-h"}, Action::Help, 2, true, "", "", ""},
        {{"--help", "junk"}, Action::Help, 2, true, "", "", ""},
        {{"-V"}, Action::Version, 2, true, "", "", ""},
        {{"--vers"}, Action::Version, 2, true, "", "", ""},
        {{"-n", "a", "b"}, Action::Convert, 2, false, "a", "b", ""},
        {{"-b", "keep", "a", "b", "x", "y"}, Action::Convert, 1, true, "a", "b", "x y"},
        {{"-bnone", "a", "b"}, Action::Convert, 3, true, "a", "b", ""},
        {{"-nb", "add", "a", "b"}, Action::Convert, 2, false, "a", "b", ""},
        {{"--line-breaks=keep", "--no-time-stamp", "a b", "c"}, Action::Convert, 1, false, "a b", "c", ""},
        {{"--line-breaks", "none", "--", "-x", "out"}, Action::Convert, 3, true, "-x", "out", ""},
        {{"-", "-"}, Action::Convert, 2, true, "-", "-", ""},
        {{"-n", "a", "b", "-b", "keep"}, Action::Convert, 2, false, "a", "b", "-b keep"},
        {{"-x", "a", "b"}, Action::Error, 2, true, "", "", ""},
        {{"--bogus", "a", "b"}, Action::Error, 2, true, "", "", ""},
        {{"-b", "sometimes", "a", "b"}, Action::Error, 2, true, "", "", ""},
        {{"-b"}, Action::Error, 2, true, "", "", ""},
        {{"--help=yes"}, Action::Error, 2, true, "", "", ""},
        {{"-n", "a"}, Action::Error, 2, true, "", "", ""},
        {{"-n", "", "b"}, Action::Error, 2, true, "", "", ""},
        {{"-n", "a", ""}, Action::Error, 2, true, "", "", ""},
        {{"-n"}, Action::Error, 2, true, "", "", ""},
        {{"-e", "utf-8", "a", "b"}, Action::Convert, 2, true, "a", "b", "", CharacterSet::Utf8},
        {{"-nelatin-1", "a", "b"}, Action::Convert, 2, false, "a", "b", "", CharacterSet::Latin1},
        {{"--enc=auto", "a", "b"}, Action::Convert, 2, true, "a", "b", "", CharacterSet::Auto},
        {{"--encoding", "latin-1", "a", "b"}, Action::Convert, 2, true, "a", "b", "", CharacterSet::Latin1},
        {{"-e", "UTF-8", "a", "b"}, Action::Error, 2, true, "", "", ""},
        {{"--encoding=latin1", "a", "b"}, Action::Error, 2, true, "", "", ""},
        {{"-e"}, Action::Error, 2, true, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args[0]);
        const CommandLine cl = ParseCommandLine(c.args);
        EXPECT_EQ(cl.action, c.action);
        if (cl.action == Action::Error) {
            EXPECT_FALSE(cl.error.empty());
        }
        if (cl.action != Action::Convert) continue;
        EXPECT_EQ(cl.line_break_mode, c.mode);
        EXPECT_EQ(cl.time_stamp, c.stamp);
        EXPECT_EQ(cl.input, c.input);
        EXPECT_EQ(cl.output, c.output);
        EXPECT_EQ(cl.title, c.title);
        EXPECT_EQ(cl.encoding, c.encoding);
    }
}

}  // namespace
}  // namespace torvex
