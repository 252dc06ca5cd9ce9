#include "links.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "links_reference.h"
#include "table.h"
#include "utf8.h"

namespace torvex {
namespace {

// The rows of tests/data/link_rows.txt: a key, a line, the line with its anchors.
TEST(MakeLinks, RowsOfTheTable) {
    for (const auto& row : testing::ReadTable(TORVEX_TEST_DATA "/link_rows.txt", 3))
        EXPECT_EQ(MakeLinks(row[1], row[0]), row[2]) << "key " << row[0] << ": " << row[1];
}

// The three calls of the conversion pass, in its order.
std::string LinkAll(std::string line) {
    for (std::string_view key : {"@", "://", "news:"}) line = MakeLinks(line, key);
    return line;
}

TEST(MakeLinks, KeysInTheOrderOfTheConversionPass) {
    EXPECT_EQ(LinkAll("Mail joe@example.com, see http://example.com/ or news:comp.os."),
              R"(Mail <A HREF="mailto:joe@example.com">joe@example.com</A>, see )"
              R"(<A HREF="http://example.com/">http://example.com/</A> or <A HREF="news:comp.os">comp.os</A>.)");
    // A web address holding "@" or "news:" gets one anchor, from the web key.
    for (const std::string url : {"ftp://anon@ftp.example.com/pub", "http://example.com/news:abcdefg"})
        EXPECT_EQ(LinkAll(url), "<A HREF=\"" + url + "\">" + url + "</A>");
}

// Random lines built from the pieces that matter, checked against the
// straightforward recursive form, in both character sets.
TEST(MakeLinks, AgreesWithTheRecursiveForm) {
    static const char* const Pieces[] = {
        "a", "bc", "Xyz", "@", "://", "news:", "NeWs:", "nEWS", " ", " ", "\t", ";", "(", ")", ".", ",",
        "&gt;", "&GT;", "&gt", "&lt;", "&quot;", "mailto:", "MAILTO:", "URL:", "url:mailto:", "^", "1",
        "-", "]", "\xE9", "http", "example.com", "&", "@bcd", "news:grp.x", "&quot", "](", "[", "+", "/",
        "<A HREF=\"", "</A>", "file:///x", "ssh://u@h.x", "'", "`", "\xAB", "\xBB", "\u2018", "\u2019",
        "\u201C", "\u201D", "\u00AB", "\u00BB",
    };
    std::mt19937 random(20240603);
    const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        for (size_t i = pick(25); i > 0; --i) line += Pieces[pick(std::size(Pieces))];
        const bool utf8 = ValidUtf8Prefix(line) == line.size();
        for (const std::string key : {"@", "://", "news:"}) {
            ASSERT_EQ(MakeLinks(line, key), testing::ReferenceMakeLinks(line, key)) << "key " << key << ": " << line;
            if (utf8) {
                ASSERT_EQ(MakeLinks(line, key, CharacterSet::Utf8), testing::ReferenceMakeLinks(line, key, true))
                    << "UTF-8, key " << key << ": " << line;
            }
        }
    }
}

std::string Repeat(std::string_view piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// Lines of ten megabytes holding hundreds of thousands of candidates. Each
// takes a few seconds at most, even in a debug build with sanitizers;
// rescanning the rest of the line for every candidate, even with memchr,
// takes minutes.
TEST(MakeLinks, HugeLinesTakeLinearTime) {
    const std::string mail = "abcd@example.net.uk";
    const std::string mailLink = R"(<A HREF="mailto:abcd@example.net.uk">abcd@example.net.uk</A>)";
    const struct {
        const char* name;
        std::string key, line, expected;
    } cases[] = {
        {"500,000 addresses", "@", Repeat(mail + " ", 500'000), Repeat(mailLink + " ", 500'000)},
        {"an address, then 499,999 that fail the guard", "@",
         mail + " " + Repeat("user@1example.net.u ", 499'999),
         mailLink + " " + Repeat("user@1example.net.u ", 499'999)},
        {"1,000,000 bracketed addresses and no space", "@", Repeat("&lt;ab@cdef&gt;", 1'000'000),
         Repeat(R"(&lt;<A HREF="mailto:ab@cdef">ab@cdef</A>&gt;)", 1'000'000)},
        {"500,000 addresses cut short before one far space", "@",
         Repeat("ab@cdef&lt;", 500'000) + Repeat(".", 1'000'000) + " x",
         Repeat(R"(<A HREF="mailto:ab@cdef">ab@cdef</A>&lt;)", 500'000) + Repeat(".", 1'000'000) + " x"},
        {"500,000 anchors already made", "@", Repeat(mailLink + " ", 500'000), Repeat(mailLink + " ", 500'000)},
        {"1,000,000 news: words", "news:", Repeat("news:alt.test NEWS:abc ", 500'000),
         Repeat(R"(<A HREF="news:alt.test">alt.test</A> NEWS:abc )", 500'000)},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const std::string out = MakeLinks(c.line, c.key);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(out == c.expected) << c.name;
        EXPECT_LT(took.count(), 20.0) << c.name;
    }
}

}  // namespace
}  // namespace torvex
