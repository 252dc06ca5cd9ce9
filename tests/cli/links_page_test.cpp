// Addresses in running text, through the real torvex binary: whole pages
// compared byte for byte.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace torvex
