#include "labels.h"

#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "table.h"

namespace torvex {
namespace {

// The rows of tests/data/label_rows.txt: an operation, its text, what it
// gives, and the text as LabelNumber leaves it.
TEST(Labels, RowsOfTheTable) {
    for (const auto& row : testing::ReadTable(TORVEX_TEST_DATA "/label_rows.txt", 4)) {
        SCOPED_TRACE(row[0] + ": " + row[1]);
        if (row[0] == "PageFileName") {
            EXPECT_EQ(PageFileName(row[1]), row[2]);
        } else if (row[0] == "TextAfterLabel") {
            EXPECT_EQ(TextAfterLabel(row[1]), row[2]);
        } else if (row[0] == "LinkCrossReferences") {
            EXPECT_EQ(LinkCrossReferences(row[1]), row[2]);
        } else {
            ASSERT_EQ(row[0], "LabelNumber");
            std::string text = row[1];
            const std::optional<float> number = LabelNumber(text);
            EXPECT_EQ(number ? std::to_string(static_cast<int>(*number)) : "none", row[2]);
            EXPECT_EQ(text, row[3]);
        }
    }
}

// Titles are characters, and in UTF-8 the character dropped after the "]"
// of a line may take several bytes.
TEST(Labels, CharactersNotBytes) {
    EXPECT_EQ(TextAfterLabel(std::u32string(U"[3] Caf\u00e9 \u20ac")), U"Caf\u00e9 \u20ac");
    EXPECT_EQ(LinkCrossReferences("[2]\xD0\x81\xD0\xB6", CharacterSet::Utf8), "[2] <A HREF=\"2.html\">\xD0\xB6</A><BR>");
    EXPECT_EQ(LinkCrossReferences("[2]\xEF\xBB\xBFx", CharacterSet::Utf8), "[2] <A HREF=\"2.html\">x</A><BR>");
}

// A quadratic rewrite (or one stack frame per label) shows up here long
// before the bound; a linear pass takes milliseconds.
TEST(LinkCrossReferences, HandlesALineWithAHundredThousandLabels) {
    constexpr int Labels = 100000;
    std::string line, expected;
    for (int i = 1; i <= Labels; ++i) {
        const std::string n = std::to_string(i % 977) + "." + std::to_string(i);
        line += "y[" + n + "] ";
        std::string file = n;
        file.replace(file.find('.'), 1, "_");
        expected += "y<A HREF=\"" + file + ".html\">[" + n + "]</A> ";
    }
    line += "#[1] end";
    expected += "#[1] end";

    const auto start = std::chrono::steady_clock::now();
    const std::string linked = LinkCrossReferences(line);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(linked, expected);
    EXPECT_LT(elapsed, std::chrono::seconds(20));
}

TEST(LinkCrossReferences, HandlesAHundredThousandOpenBrackets) {
    const std::string line = "see " + std::string(100000, '[') + " end";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LinkCrossReferences(line), line);
    EXPECT_EQ(PageFileName(line), "");
    std::string copy = line;
    EXPECT_EQ(LabelNumber(copy), 0.0f);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
}  // namespace torvex
