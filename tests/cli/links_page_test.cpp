// Addresses in running text, through the real torvex binary: whole pages
// compared byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "pages.h"
#include "temp_dir.h"

namespace torvex {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Converts input into a page without a time stamp; the page's bytes.
std::string Convert(const TempDir& dir, const std::string& input, const std::string& title) {
    WriteFile(dir / "in.txt", input);
    const std::string command = std::string("'") + TORVEX_BINARY + "' -n '" + (dir / "in.txt") + "' '" +
                                (dir / "out.html") + "' '" + title + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadFile(dir / "out.html");
}

std::string Page(const std::string& title, const std::string& body) {
    return testing::PageHead(title) + body + testing::PageFoot();
}

TEST(LinksPage, AddressesInRunningText) {
    const std::string input =
        "Write to Joe <joe@example.com> today.\n"
        "Or (lists@example.org), mailto:ann@example.org;\n"
        "\n"
        "Docs: URL:http://www.example.com/docs/. Groups: news:comp.lang.misc, News:alt.test and the news: too.\n"
        "\"bob@example.net\" wrote: costs \xA3" "5 at <http://shop.example.com/?a=1&b=2>\n"
        "Call 555@1234 before mailing joe@example.com\n";
    const std::string body =
        "Write to Joe &lt;<A HREF=\"mailto:joe@example.com\">joe@example.com</A>&gt; today.<BR>\r\n"
        "Or (<A HREF=\"mailto:lists@example.org\">lists@example.org</A>), "
        "mailto:<A HREF=\"mailto:ann@example.org\">ann@example.org</A>;<BR>\r\n"
        "<P>\r\n"
        "Docs: URL:<A HREF=\"http://www.example.com/docs/\">http://www.example.com/docs/</A>. Groups: "
        "<A HREF=\"news:comp.lang.misc\">comp.lang.misc</A>, <A HREF=\"news:alt.test\">alt.test</A> "
        "and the news: too.\r\n"
        "&quot;<A HREF=\"mailto:bob@example.net&quot\">bob@example.net&quot</A>; wrote: costs &#163;5 at "
        "&lt;<A HREF=\"http://shop.example.com/?a=1&b=2\">http://shop.example.com/?a=1&b=2</A>&gt;\r\n"
        "Call 555@1234 before mailing joe@example.com<BR>\r\n";
    TempDir dir;
    EXPECT_EQ(Convert(dir, input, "Links in context"), Page("Links in context", body));
}

// Each line through all three keys: a mail link made first is plain text to
// the web and news keys, and a short candidate stays as it was.
TEST(LinksPage, EachLineMeetsAllThreeKeys) {
    const std::string input =
        "joe@example.com http://example.com/ news:alt.test\n"
        "news:abcde x@ab http://e.x/\n"
        "\tNEWS:comp.os.linux;\n";
    const std::string body =
        "<A HREF=\"mailto:joe@example.com\">joe@example.com</A> <A HREF=\"http://example.com/\">http://example.com/</A> "
        "<A HREF=\"news:alt.test\">alt.test</A><BR>\r\n"
        "news:abcde x@ab <A HREF=\"http://e.x/\">http://e.x/</A><BR>\r\n"
        "\t<A HREF=\"news:comp.os.linux\">comp.os.linux</A>;<BR>\r\n";
    TempDir dir;
    EXPECT_EQ(Convert(dir, input, "Keys"), Page("Keys", body));
}

// Thirteen megabytes on one line with half a million addresses: the whole
// pass must stay linear. The bound is far above the second or so that takes
// and catches only work that grows with the square of the line.
TEST(LinksPage, HugeLineOfAddresses) {
    std::string input, body;
    for (int i = 0; i < 500'000; ++i) {
        input += "<abcd@example.net>, ";
        body += "&lt;<A HREF=\"mailto:abcd@example.net\">abcd@example.net</A>&gt;, ";
    }
    input += "\n";
    body.pop_back();  // the line's trailing space
    body += "\r\n";
    TempDir dir;
    const auto start = std::chrono::steady_clock::now();
    const std::string page = Convert(dir, input, "Big");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(page == Page("Big", body));
    EXPECT_LT(took.count(), 60.0);
}

}  // namespace
}  // namespace torvex
