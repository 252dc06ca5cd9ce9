#include "escape.h"
#include "modern_markup.h"
#include "utf8.h"

#include <gtest/gtest.h>

namespace torvex {
namespace {

TEST(EscapeText, ReplacesTheFourSpecialCharactersOnly) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"plain text, & 'quotes' stay", "plain text, & 'quotes' stay"},
        {"<b>", "&lt;b&gt;"},
        {"\"word\"", "&quot;word&quot;"},
        {"\xA3" "5 and \xA3", "&#163;5 and &#163;"},
        {"&lt; already a reference", "&lt; already a reference"},
        {"\xE9\xFF\x80 tab\there", "\xE9\xFF\x80 tab\there"},
        {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
        {"a>b<c\"d", "a&gt;b&lt;c&quot;d"},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeText(c.in), c.out) << c.in;
}

TEST(EscapeText, IsIdempotent) {
    const std::string once = EscapeText("<a href=\"x\">\xA3</a> & more");
    EXPECT_EQ(EscapeText(once), once);
}

TEST(EscapeText, AppendsToWhatIsThere) {
    std::string out = "keep:";
    AppendEscaped("<", out, CharacterSet::Latin1);
    EXPECT_EQ(out, "keep:&lt;");
}

// A modern page's checks look at sixteen bytes at a time with a few
// operations, and at a short text byte by byte: every byte value, in the
// middle of a long text, tells what it tells alone.
TEST(ModernEscaping, LooksAtEveryByteAsAShortTextDoes) {
    for (int b = 0; b < 256; ++b) {
        const std::string alone(1, static_cast<char>(b));
        const std::string within = std::string(20, 'a') + alone + std::string(20, 'a');
        EXPECT_EQ(html::NeedsEscaping(within), html::NeedsEscaping(alone)) << b;
        EXPECT_EQ(html::Plain(within), html::Plain(alone)) << b;
        std::string escaped, escapedAlone;
        html::AppendEscaped(within, escaped);
        html::AppendEscaped(alone, escapedAlone);
        EXPECT_EQ(escaped, std::string(20, 'a') + escapedAlone + std::string(20, 'a')) << b;
    }
}

// Characters are counted sixteen bytes at a time, in overlapping blocks at
// the end and in lanes for long text: every length and every start of a
// mixed text gives what counting one byte at a time gives.
TEST(Utf8Length, CountsEveryCharacterWhereverTheTextIsCut) {
    std::string text;
    while (text.size() < 9000) text += "a\xC3\xA9 \xE2\x82\xAC\xF0\x9F\x98\x80z";
    for (size_t begin : {0, 1, 5}) {
        for (size_t size = 0; begin + size <= text.size(); size += size < 300 ? 1 : 331) {
            const std::string_view cut = std::string_view(text).substr(begin, size);
            size_t expected = 0;
            for (char c : cut) expected += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            ASSERT_EQ(Utf8Length(cut), expected) << begin << "+" << size;
        }
    }
}

}  // namespace
}  // namespace torvex
