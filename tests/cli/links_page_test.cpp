// Addresses in running text, through the real torvex binary: whole pages
// compared byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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
        "&quot;<A HREF=\"mailto:bob@example.net\">bob@example.net</A>&quot; wrote: costs &#163;5 at "
        "&lt;<A HREF=\"http://shop.example.com/?a=1&b=2\">http://shop.example.com/?a=1&b=2</A>&gt;\r\n"
        "Call 555@1234 before mailing joe@example.com<BR>\r\n";
    TempDir dir;
    EXPECT_EQ(Convert(dir, input, "Links in context"), Page("Links in context", body));
}

// The targets of the anchors in a page, in order. Fails the test for an
// anchor inside an anchor, an end without a start, or a target that holds
// what no target may hold (it would end the attribute or the tag early).
std::vector<std::string> AnchorTargets(std::string_view page) {
    std::vector<std::string> targets;
    bool inAnchor = false;
    for (size_t at = page.find('<'); at != std::string_view::npos; at = page.find('<', at + 1)) {
        const std::string_view tag = page.substr(at, page.find('>', at) + 1 - at);
        if (tag == "</A>") {
            EXPECT_TRUE(inAnchor) << "an end without a start at " << page.substr(at, 60);
            inAnchor = false;
        } else if (tag.starts_with("<A ")) {
            EXPECT_FALSE(inAnchor) << "an anchor inside an anchor: " << page.substr(at, 60);
            inAnchor = true;
            EXPECT_TRUE(tag.starts_with("<A HREF=\"") && tag.ends_with("\">")) << tag;
            const std::string target(tag.substr(9, tag.size() - 11));
            EXPECT_EQ(target.find_first_of("\"<> \t"), std::string::npos) << target;
            EXPECT_EQ(target.find("]("), std::string::npos) << target;
            targets.push_back(target);
        }
    }
    EXPECT_FALSE(inAnchor);
    return targets;
}

// Lines as they come in READMEs, changelogs and copyright files.
TEST(LinksPage, RealisticLinesGiveSoundAnchors) {
    TempDir dir;
    const std::string page = Convert(dir, ReadFile(std::string(TORVEX_SOURCE_DIR) + "/tests/data/links.txt"), "Links");
    const std::string head = testing::PageHead("Links"), foot = testing::PageFoot();
    ASSERT_TRUE(page.starts_with(head) && page.ends_with(foot));
    const auto targets = AnchorTargets(std::string_view(page).substr(head.size(), page.size() - head.size() - foot.size()));
    for (const auto& target : targets) {
        if (target.starts_with("mailto:")) {
            EXPECT_GT(target.find('@'), 7u) << "no user: " << target;
        }
        if (target.starts_with("http://") || target.starts_with("https://")) {
            const auto rest = target.substr(target.find("://") + 3);
            const auto host = rest.substr(0, rest.find_first_of("/?#"));
            EXPECT_NE(host.find_first_of("abcdefghijklmnopqrstuvwxyz0123456789"), std::string::npos) << target;
        }
    }
    const std::vector<std::string> expected = {
        "mailto:bugs@torvex.example.org",
        "mailto:dev@lists.example.org",
        "https://bugs.example.org/msg/123@lists.example.org",
        "ssh://git@git.example.org/torvex.git",
        "http://mirror.example.net/pub/news:archive/",
        "news:comp.text.html",
        "news:comp.os.linux.misc",
        "news:alt.test.group",
        "mailto:joe@example.com",
        "https://www.example.com/docs",
        "http://example.com/a.html",
        "https://torvex.example.org/",
        "mailto:team@example.org",
        "https://ci.example.org/badge.svg",
        "https://ci.example.org/torvex",
        "mailto:joe.bloggs@example.com",
        "mailto:ann@example.net",
        "https://example.net/ann",
        "mailto:old-list@example.net",
        "mailto:team@example.org",
        "http://www.example.com/torvex/",
        "ftp://ftp.example.org/pub/torvex/",
        "file:///usr/share/doc/torvex/README",
        "svn+ssh://svn.example.org/repos/torvex/trunk",
        "mailto:joe@example.com",
        "mailto:ann@example.org",
        "mailto:list@example.org",
        "mailto:bounce+123@bounces.example.org",
        "http://example.com/search?q=a&b=2",
        "https://example.com/path/to/page.html",
    };
    EXPECT_EQ(targets, expected);
}

}  // namespace
}  // namespace torvex
