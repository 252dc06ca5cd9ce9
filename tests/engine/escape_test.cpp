#include "escape.h"

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

}  // namespace
}  // namespace torvex
