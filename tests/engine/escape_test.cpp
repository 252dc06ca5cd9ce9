#include "escape.h"
#include "modern_markup.h"
#include "utf8.h"
#include "utf8_reference.h"

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
    for (const auto& c : cases) {
        EXPECT_EQ(EscapeText(c.in), c.out) << c.in;
        std::string room(6 * c.in.size() + 16, '\0');
        EXPECT_EQ(std::string_view(room.data(), WriteEscaped(c.in, room.data(), CharacterSet::Latin1) - room.data()), c.out)
            << c.in;
    }
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

// Text is checked 32 bytes at a time (16 without AVX2), each byte against
// those up to three before it, which may lie in the block before: every
// rule of UTF-8, at every place across a block's end, says what checking
// one character at a time says.
TEST(ValidUtf8Prefix, HoldsEveryRuleWhereverABlockEnds) {
    const std::string_view sequences[] = {
        "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xED\x9F\xBF",  // well formed
        "\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",                      // overlong
        "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF",                // surrogate, too large
        "\x80", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xC3\xA9\xA9", "\xE2\x28\xA1",         // cut or stray
    };
    for (const std::string_view sequence : sequences) {
        for (size_t at = 0; at < 70; ++at) {
            std::string text(at, 'a');
            text.append(sequence).append(40, 'b');
            ASSERT_EQ(ValidUtf8Prefix(text), testing::ReferenceValidUtf8Prefix(text)) << at << " " << text;
            text.resize(at + sequence.size());  // the sequence at the very end
            ASSERT_EQ(ValidUtf8Prefix(text), testing::ReferenceValidUtf8Prefix(text)) << at << " " << text;
        }
    }
}

}  // namespace
}  // namespace torvex
