#include "labels.h"

#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace torvex {
namespace {

using namespace std::string_literals;

TEST(PageFileName, NamesThePageAfterTheFirstLabel) {
    const struct {
        std::string text, name;
    } cases[] = {
        {"[3] Getting started", "3.html"},
        {"[4.1] x", "4_1.html"},
        {"[1.2.3]", "1_2_3.html"},
        {"[a b]", "a b.html"},
        {"no label here", ""},
        {"", ""},
        {"[1] and [2]", "1.html"},
        {"see [12] first", "12.html"},
        {"[]", "_.html"},  // not the hidden ".html"
        {"x ] then [5]", "5.html"},  // the "]" must come after the "["
        {"[A] Appendix", "A.html"},
        // A page name is a bare file name: no label reaches another folder.
        {"[../../etc/passwd]", "______etc_passwd.html"},
        {"[a\\b]", "a_b.html"},
        {"[/abs]", "_abs.html"},
        {"[..]", "__.html"},
        {"[a\0b] x"s, "a_b.html"},  // a NUL would cut the name short
        {"[a\tb\x1b[2J\x7f\r]", "a_b_[2J__.html"},  // nor any other control character
        // An open "[" names no page.
        {"[4 no close", ""},
        {"] [", ""},
        {"[", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PageFileName(c.text), c.name) << c.text;
}

TEST(LabelNumber, TrimsTheTextAndReadsTheLeadingDigitsOfTheLabel) {
    const struct {
        std::string text, trimmed;
        std::optional<float> number;
    } cases[] = {
        {"  [2] Two  ", "[2] Two", 2.0f},
        {"[] x", "[] x", 0.0f},
        {"no label", "no label", 0.0f},
        {"", "", 0.0f},
        {"    ", "", 0.0f},
        {"[", "[", 0.0f},
        {"[5", "[5", 0.0f},
        {"[12]", "[12]", 12.0f},
        {"[4.1] Options", "[4.1] Options", 4.0f},
        {"[4a]", "[4a]", 4.0f},
        {"[4 ]", "[4 ]", 4.0f},
        {"[007]", "[007]", 7.0f},
        {"[0] Preface", "[0] Preface", 0.0f},
        {"see [9] inside", "see [9] inside", 9.0f},
        {"\t[3] tab stays ", "\t[3] tab stays", 3.0f},
        {"[32767]", "[32767]", 32767.0f},
        {"[00000000000000032767]", "[00000000000000032767]", 32767.0f},
        // No leading digit, or a number beyond 32767: no value at all.
        {" [A] Appendix ", "[A] Appendix", std::nullopt},
        {"[ 4]", "[ 4]", std::nullopt},
        {"[-4]", "[-4]", std::nullopt},
        {"[.5]", "[.5]", std::nullopt},
        {"[32768]", "[32768]", std::nullopt},
        {"[99999999999999999999999]", "[99999999999999999999999]", std::nullopt},
        {"[] x [y]", "[] x [y]", std::nullopt},  // closes at the "]" of "[y]": label "] x [y"
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(LabelNumber(text), c.number) << c.text;
        EXPECT_EQ(text, c.trimmed) << c.text;
    }
}

TEST(TextAfterLabel, DropsTheLabelAndOneCharacterWhenThreeFollow) {
    const struct {
        std::string text, after;
    } cases[] = {
        {"[3] Getting started", "Getting started"},
        {"[3]Getting started", "etting started"},
        {"[3] Go", "Go"},
        {"[3] A", "[3] A"},
        {"[3]", "[3]"},
        {"] before [ x", "] before [ x"},
        {"no label at all", "no label at all"},
        {"x[1]  y", " y"},
        {"[4.1] Options", "Options"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TextAfterLabel(c.text), c.after) << c.text;
    EXPECT_EQ(TextAfterLabel(std::u32string(U"[3] Caf\u00e9 \u20ac")), U"Caf\u00e9 \u20ac");
}

TEST(LinkCrossReferences, LinksEachLabelToItsPage) {
    const struct {
        std::string line, linked;
    } cases[] = {
        {"[3] Getting started", R"([3] <A HREF="3.html">Getting started</A><BR>)"},
        {"see [4.1] for details", R"(see <A HREF="4_1.html">[4.1]</A> for details)"},
        {"see [2] and [4.1].", R"(see <A HREF="2.html">[2]</A> and <A HREF="4_1.html">[4.1]</A>.)"},
        {"see [1] [2] more", R"(see <A HREF="1.html">[1]</A> [2] <A HREF="2.html">more</A><BR>)"},
        {"#[1] and [2]", "#[1] and [2]"},
        {"a [b", "a [b"},
        {"[3]", R"([3] <A HREF="3.html"></A><BR>)"},
        {"", ""},
        {"no labels", "no labels"},
        {"  [5] Indented", R"(  [5] <A HREF="5.html">Indented</A><BR>)"},
        {"[1]x", R"([1] <A HREF="1.html"></A><BR>)"},
        {"[1]xy", R"([1] <A HREF="1.html">y</A><BR>)"},
        {"[1][2]", R"([1] <A HREF="1.html">2]</A><BR>)"},
        {"see [1][2]", R"(see <A HREF="1.html">[1]</A>[2] <A HREF="2.html"></A><BR>)"},
        {"see [1] then #[2] and [3]", R"(see <A HREF="1.html">[1]</A> then #[2] and [3])"},
        {"see [1] and [2 open", R"(see <A HREF="1.html">[1]</A> and [2 open)"},
        {"a] [1]", R"(a] <A HREF="1.html">[1]</A>)"},
        {"&lt;[1]&gt;", R"(&lt;<A HREF="1.html">[1]</A>&gt;)"},
        {"&#163;[1]", R"(&#163;<A HREF="1.html">[1]</A>)"},
        {"see [../x]", R"(see <A HREF="___x.html">[../x]</A>)"},
        {"[a/b] Slash", R"([a/b] <A HREF="a_b.html">Slash</A><BR>)"},
    };
    for (const auto& c : cases) EXPECT_EQ(LinkCrossReferences(c.line), c.linked) << c.line;
    // In UTF-8 the character dropped after the "]" may take several bytes.
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
