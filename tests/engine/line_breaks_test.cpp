#include "line_breaks.h"
#include "path_names.h"

#include <gtest/gtest.h>

#include "page_markup.h"

namespace torvex {
namespace {

TEST(StripQuotes, RemovesOnePairAroundALongerPath) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"\"c:\\a b.txt\"", "c:\\a b.txt"}, {"\"\"", "\"\""},   {"\"a\"", "a"},     {"\"\"\"", "\""},
        {"\"a", "\"a"},                    {"a\"", "a\""},     {"\"\"a\"\"", "\"a\""}, {"", ""},
    };
    for (const auto& c : cases) {
        std::string path = c.in;
        EXPECT_EQ(StripQuotes(path), c.out);
        EXPECT_EQ(path, c.out);
    }
}

TEST(ShortLineRun, TwoOfThreeWithinThreeToFortyNine) {
    EXPECT_TRUE(ShortLineRun(3, 49, 80));
    EXPECT_TRUE(ShortLineRun(80, 3, 3));
    EXPECT_FALSE(ShortLineRun(2, 50, 3));
    EXPECT_FALSE(ShortLineRun(80, 80, 80));
    EXPECT_TRUE(ShortLineRun(10, 10, 10));
    EXPECT_FALSE(ShortLineRun(0, 1, 49));
}

TEST(TrimLineEnd, DropsTheLineEndAndTrailingSpacesOnly) {
    EXPECT_EQ(TrimLineEnd("abc  \r\n"), "abc");
    EXPECT_EQ(TrimLineEnd("abc\t \r\n"), "abc\t");
    EXPECT_EQ(TrimLineEnd("   \r\n"), "");
    EXPECT_EQ(TrimLineEnd("\r\n"), "");
    EXPECT_EQ(TrimLineEnd("\r\r\n"), "\r");
}

TEST(FormatTimeStamp, TwoDigitFieldsAndEnglishMonths) {
    EXPECT_EQ(FormatTimeStamp({2027, 3, 5, 14, 7, 9}), " on 05-Mar-2027 at 14:07:09<BR>");
    EXPECT_EQ(FormatTimeStamp({2026, 12, 31, 21, 10, 0}), " on 31-Dec-2026 at 21:10:00<BR>");
    EXPECT_EQ(FormatTimeStamp({1999, 1, 1, 0, 0, 0}), " on 01-Jan-1999 at 00:00:00<BR>");
}

}  // namespace
}  // namespace torvex

namespace torvex {
namespace {

// A long line keeps its break for a TAB or four spaces in a row wherever
// they stand; three spaces are not enough.
TEST(ChooseSuffix, HandLaidOutLongLinesAtEveryPosition) {
    for (size_t length : {70, 100, 131}) {
        for (size_t at = 1; at + 4 < length; ++at) {
            for (const auto& [fill, br] : {std::pair<std::string, bool>{"    ", true}, {"   ", false}, {"\t", true}}) {
                std::string text(length, 'x');
                text.replace(at, fill.size(), fill);
                LineBreaks breaks(LineBreakMode::Add);
                bool convert = false;
                EXPECT_EQ(breaks.ChooseSuffix(text, convert), br ? "<BR>" : "") << length << " " << at;
            }
        }
    }
}

}  // namespace
}  // namespace torvex
