#include "line_writer.h"

#include <gtest/gtest.h>

#include "page_file.h"
#include "underline.h"
#include "temp_dir.h"

namespace torvex {
namespace {

TEST(IsUnderline, RowsOfOneCharacter) {
    const struct {
        std::string line;
        bool underline;
    } cases[] = {
        {"==========<BR>\r\n", true},
        {"----<BR>\r\n", true},
        {"========\r\n", true},
        {"=======\r\n", false},
        {"   ==========<BR>\r\n", true},
        {"==== word<BR>\r\n", false},
        {"\t==========", false},
        {"~~~~~~~~~~", true},
        {"=========x", true},   // the last six characters are never examined
        {"===x======", false},
        {"          ", false},
        {"", false},
        {"\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01", false},
        {"\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4", true},  // bytes above 127 are characters too
    };
    for (const auto& c : cases) EXPECT_EQ(IsUnderline(c.line), c.underline) << c.line;
    // A UTF-8 character ("\xE2\x95\x90", "\xC3\xA9") is one, however many bytes it takes.
    const std::string bar = "\xE2\x95\x90", e = "\xC3\xA9";
    const struct {
        std::string line;
        bool underline;
    } utf8[] = {
        {bar + bar + bar + bar + bar + bar + bar + bar + bar + bar + "<BR>\r\n", true},
        {bar + bar + bar + bar + "<BR>\r\n", true},
        {bar + bar + bar + "<BR>\r\n", false},
        {bar + bar + bar + "=" + bar + bar + bar + bar + bar + bar, false},
        {"=====" + e + e + e + e + e, true},
        {e + e + e + e + e + e + e + e + "\r\n", true},
        {e + e + e + e + e + e + e, false},
    };
    for (const auto& c : utf8) EXPECT_EQ(IsUnderline(c.line, CharacterSet::Utf8), c.underline) << c.line;
    EXPECT_FALSE(IsUnderline(utf8[0].line, CharacterSet::Latin1));
}

// Submits lines and gives what reached the page.
std::string Written(std::initializer_list<std::string> lines, std::string* pending = nullptr) {
    testing::TempDir dir;
    PageFile page;
    EXPECT_EQ(page.Open(dir / "p", nullptr, PageFile::Kind::Named, false), PageFile::OpenResult::Opened);
    LineWriter writer;
    writer.SetPage(&page);
    // The pass tells underlines and paragraph marks; here, every line is told.
    for (const auto& line : lines) writer.WriteLine(line, HeadingUnder(line), line.find("<P>") != std::string::npos);
    if (pending) *pending = writer.PendingLine();
    PageSet set;
    EXPECT_TRUE(page.Close(set));
    std::string error;
    EXPECT_TRUE(set.Publish(error)) << error;
    return testing::ReadFile(dir / "p");
}

TEST(WriteLine, HoldsEachLineBackByOneCall) {
    std::string pending;
    EXPECT_EQ(Written({"a\r\n"}, &pending), "");
    EXPECT_EQ(pending, "a\r\n");
    EXPECT_EQ(Written({"a\r\n", "b", ""}, &pending), "a\r\nb");
    EXPECT_EQ(pending, "");
}

TEST(WriteLine, UnderlinesTurnThePendingLineIntoAHeading) {
    const struct {
        std::initializer_list<std::string> lines;
        std::string page;
    } cases[] = {
        {{"Title<BR>\r\n", "==========<BR>\r\n", ""}, "<H2>Title</H2>\r\n\r\n"},
        {{"Title\r\n", "----------\r\n", ""}, "<H3>Title</H3>\r\n\r\n"},
        {{"Title<BR>\r\n", "  ==========<BR>\r\n", ""}, "<H3>Title</H3>\r\n\r\n"},
        {{"<P>\r\n", "==========<BR>\r\n", ""}, "<P>==========<BR>\r\n"},
        {{"a</P><P>b<BR>\r\n", "**********\r\n", ""}, "a</P><P>b**********\r\n"},
        {{"<P>", "==========", ""}, "<P>=========="},
        {{"", "==========\r\n", ""}, "<H2></H2>\r\n\r\n"},
        {{"x<BR>", "==========", ""}, "<H2>x</H2>\r\n\r\n"},
        {{"Title<BR>\r\n", "==========<BR>\r\n", "----------\r\n", ""}, "<H2>Title</H2>\r\n<H3></H3>\r\n\r\n"},
        // An underline holding "<P>" that made a heading is an empty line, with no "<P>" left.
        {{"x\r\n", "-------<P>\r\n", "----------\r\n", ""}, "<H3>x</H3>\r\n<H3></H3>\r\n\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Written(c.lines), c.page);
}

}  // namespace
}  // namespace torvex
