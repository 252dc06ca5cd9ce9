#include "line_breaks.h"

#include <gtest/gtest.h>

namespace torvex {
namespace {

TEST(ShortLineRun, TwoOfThreeWithinThreeToFortyNine) {
    EXPECT_TRUE(ShortLineRun(3, 49, 80));
    EXPECT_TRUE(ShortLineRun(80, 3, 3));
    EXPECT_FALSE(ShortLineRun(2, 50, 3));
    EXPECT_FALSE(ShortLineRun(80, 80, 80));
    EXPECT_TRUE(ShortLineRun(10, 10, 10));
    EXPECT_FALSE(ShortLineRun(0, 1, 49));
}

TEST(LineText, DropsTheLineEndAndTrailingSpacesOnly) {
    EXPECT_EQ(LineText("abc  \r"), "abc");
    EXPECT_EQ(LineText("abc\t \r\r"), "abc\t");
    EXPECT_EQ(LineText("   "), "");
    EXPECT_EQ(LineText("\r"), "");
    EXPECT_EQ(LineText("\r\r"), "\r");
}

// A long line keeps its break for a TAB or four spaces in a row wherever
// they stand; three spaces are not enough.
TEST(ChooseSuffix, HandLaidOutLongLinesAtEveryPosition) {
    for (size_t length : {70, 100, 131}) {
        for (size_t at = 1; at + 4 < length; ++at) {
            for (const auto& [fill, br] : {std::pair<std::string, bool>{"    ", true}, {"   ", false}, {"\t", true}}) {
                std::string text(length, 'x');
                text.replace(at, fill.size(), fill);
                LineShape shape;
                shape.Add(text, CharacterSet::Latin1);
                LineBreaks breaks(LineBreakMode::Add);
                EXPECT_EQ(breaks.ChooseSuffix(shape), br ? Suffix::Break : Suffix::None) << length << " " << at;
            }
        }
    }
}

}  // namespace
}  // namespace torvex
