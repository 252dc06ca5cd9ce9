#include "links.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "links_reference.h"

namespace torvex {
namespace {

struct Case {
    std::string in, out;
};

void ExpectLinks(std::string_view key, const std::vector<Case>& cases) {
    for (const auto& c : cases) EXPECT_EQ(MakeLinks(c.in, key), c.out) << "key " << key << ": " << c.in;
}

// The three calls of the conversion pass, in its order.
std::string LinkAll(std::string line) {
    for (std::string_view key : {"@", "://", "news:"}) line = MakeLinks(line, key);
    return line;
}

TEST(MakeLinks, MailAddressesAmongBracketsAndPunctuation) {
    ExpectLinks("@", {
        {"", ""},
        {"no address here", "no address here"},
        {"joe@example.com ann@example.org",
         R"(<A HREF="mailto:joe@example.com">joe@example.com</A> <A HREF="mailto:ann@example.org">ann@example.org</A>)"},
        // Angle brackets arrive escaped; "&gt;" before a space, before
        // punctuation, and at the end of the line.
        {"Write to &lt;joe@example.com&gt; today",
         R"(Write to &lt;<A HREF="mailto:joe@example.com">joe@example.com</A>&gt; today)"},
        {"(see &lt;joe@example.com&gt;). Thanks",
         R"((see &lt;<A HREF="mailto:joe@example.com">joe@example.com</A>&gt;). Thanks)"},
        {"&lt;joe@example.com&gt;, ann", R"(&lt;<A HREF="mailto:joe@example.com">joe@example.com</A>&gt;, ann)"},
        {"Mail &lt;joe@example.com&gt;", R"(Mail &lt;<A HREF="mailto:joe@example.com">joe@example.com</A>&gt;)"},
        {"Mail &lt;joe@example.com&gt;.", R"(Mail &lt;<A HREF="mailto:joe@example.com">joe@example.com</A>&gt;.)"},
        // A "&gt;" ends the candidate even when letters follow it.
        {"a joe@example.com&gt;x b", R"(a <A HREF="mailto:joe@example.com">joe@example.com</A>&gt;x b)"},
        {"joe@example.com&gt;x", R"(<A HREF="mailto:joe@example.com">joe@example.com</A>&gt;x)"},
        // Only the exact lower-case reference is taken off the end.
        {"&lt;joe@example.com&GT;", R"(&lt;<A HREF="mailto:joe@example.com">joe@example.com</A>&GT;)"},
        {"&lt;joe@example.com&GT; x", R"(&lt;<A HREF="mailto:joe@example.com&GT">joe@example.com&GT</A>; x)"},
        // Parentheses and closing punctuation stay outside.
        {"(joe@example.com)", R"((<A HREF="mailto:joe@example.com">joe@example.com</A>))"},
        {"(joe@example.com).", R"((<A HREF="mailto:joe@example.com">joe@example.com</A>).)"},
        {"Ask joe@example.com.", R"(Ask <A HREF="mailto:joe@example.com">joe@example.com</A>.)"},
        {"joe@example.com, ann", R"(<A HREF="mailto:joe@example.com">joe@example.com</A>, ann)"},
        {"joe@example.com; ann", R"(<A HREF="mailto:joe@example.com">joe@example.com</A>; ann)"},
        {"x;joe@example.com", R"(x;<A HREF="mailto:joe@example.com">joe@example.com</A>)"},
        {"to:\tjoe@example.com", "to:\t<A HREF=\"mailto:joe@example.com\">joe@example.com</A>"},
        {"((joe@example.com))", R"((<A HREF="mailto:(joe@example.com">(joe@example.com</A>)))"},
        // Neither escaped quotes, brackets nor a Markdown "](" are part of
        // an address, wherever they stand after the "@".
        {"&quot;joe@example.com&quot;", R"(&quot;<A HREF="mailto:joe@example.com">joe@example.com</A>&quot;)"},
        {"&quot;joe@example.com.&quot;, ann",
         R"(&quot;<A HREF="mailto:joe@example.com">joe@example.com</A>.&quot;, ann)"},
        {"&quot;joe@example.com&quot;).", R"(&quot;<A HREF="mailto:joe@example.com">joe@example.com</A>&quot;).)"},
        {"joe@example.com&quot;x y", R"(<A HREF="mailto:joe@example.com">joe@example.com</A>&quot;x y)"},
        {"From: &lt;joe@example.org&gt;: hi",
         R"(From: &lt;<A HREF="mailto:joe@example.org">joe@example.org</A>&gt;: hi)"},
        {"&lt;joe@example.org&gt;)#(patch x",
         R"(&lt;<A HREF="mailto:joe@example.org">joe@example.org</A>&gt;)#(patch x)"},
        {"joe@example.org&lt;x y", R"(<A HREF="mailto:joe@example.org">joe@example.org</A>&lt;x y)"},
        {"joe@example.org&lt; y", R"(<A HREF="mailto:joe@example.org">joe@example.org</A>&lt; y)"},
        {"[mail](mailto:joe@example.org)", R"([mail](mailto:<A HREF="mailto:joe@example.org">joe@example.org</A>))"},
        {"[a](b)](joe@example.org)", R"([a](b)](<A HREF="mailto:joe@example.org">joe@example.org</A>))"},
        {"joe@example.org](x) y", R"(<A HREF="mailto:joe@example.org">joe@example.org</A>](x) y)"},
        // An "@" that starts the candidate names nobody; a candidate holding
        // "://" is a web address, left whole to the web key.
        {"@name and joe@example.com", R"(@name and <A HREF="mailto:joe@example.com">joe@example.com</A>)"},
        {"(@name), mailto:@name", "(@name), mailto:@name"},
        {"https://bugs.example.org/msg/123@lists.example.org",
         "https://bugs.example.org/msg/123@lists.example.org"},
        {"ssh://git@example.org/x joe@example.com",
         R"(ssh://git@example.org/x <A HREF="mailto:joe@example.com">joe@example.com</A>)"},
        // A "." or "," left before the "&gt;" is kept in the text, not in the target.
        {"&lt;joe@example.com.&gt; x", R"(&lt;<A HREF="mailto:joe@example.com">joe@example.com.</A>&gt; x)"},
        {"&lt;joe@example.com,&gt; x", R"(&lt;<A HREF="mailto:joe@example.com">joe@example.com,</A>&gt; x)"},
    });
}

TEST(MakeLinks, PrefixesStayOutsideTheAnchor) {
    ExpectLinks("@", {
        {"MailTo:joe@example.com", R"(MailTo:<A HREF="mailto:joe@example.com">joe@example.com</A>)"},
        {"(MAILTO:joe@example.com)", R"((MAILTO:<A HREF="mailto:joe@example.com">joe@example.com</A>))"},
        {"url:MAILTO:joe@example.com", R"(url:MAILTO:<A HREF="mailto:joe@example.com">joe@example.com</A>)"},
        {"mailto:URL:joe@example.com", R"(mailto:URL:<A HREF="mailto:joe@example.com">joe@example.com</A>)"},
        {"mailto:a@bcd", "mailto:a@bcd"},
    });
    ExpectLinks("://", {
        {"Url:http://example.com/x", R"(Url:<A HREF="http://example.com/x">http://example.com/x</A>)"},
        {"see URL:http://example.com/.", R"(see URL:<A HREF="http://example.com/">http://example.com/</A>.)"},
        {"&lt;URL:http://example.com/&gt;", R"(&lt;URL:<A HREF="http://example.com/">http://example.com/</A>&gt;)"},
    });
}

TEST(MakeLinks, ShortestLinkIsSixCharacters) {
    ExpectLinks("@", {
        {"a@bcd x", "a@bcd x"},
        {"a@bcd.", "a@bcd."},
        {"a@bcde", R"(<A HREF="mailto:a@bcde">a@bcde</A>)"},
        {"a@bcd joe@example.com", R"(a@bcd <A HREF="mailto:joe@example.com">joe@example.com</A>)"},
    });
    ExpectLinks("://", {
        {"x://y", "x://y"},
        {"ab://c", R"(<A HREF="ab://c">ab://c</A>)"},
    });
}

TEST(MakeLinks, MailGuardLeavesTheRestOfTheLineAlone) {
    ExpectLinks("@", {
        {"Call 555@1234 or joe@example.com", "Call 555@1234 or joe@example.com"},
        {"x @ y joe@example.com", "x @ y joe@example.com"},
        {"a@.b joe@example.com", "a@.b joe@example.com"},
        {"a@^bc joe@example.com", "a@^bc joe@example.com"},
        {"a@-bc joe@example.com", "a@-bc joe@example.com"},
        {"a@@b.example joe@example.com", "a@@b.example joe@example.com"},
        {"joe@", "joe@"},
        {"&lt;joe@example.com&gt; x@", R"(&lt;<A HREF="mailto:joe@example.com">joe@example.com</A>&gt; x@)"},
        // The guard looks at the first "@" after each handled address.
        {"joe@example.com x@1 ann@example.org",
         R"(<A HREF="mailto:joe@example.com">joe@example.com</A> x@1 ann@example.org)"},
        // Characters above "A" other than "^" pass, bytes above 127 included.
        {"a@]bcdef", R"(<A HREF="mailto:a@]bcdef">a@]bcdef</A>)"},
        {"a@_bcdef", R"(<A HREF="mailto:a@_bcdef">a@_bcdef</A>)"},
        {"ren\xE9@\xE9" "cole.fr", "<A HREF=\"mailto:ren\xE9@\xE9" "cole.fr\">ren\xE9@\xE9" "cole.fr</A>"},
    });
}

TEST(MakeLinks, NewsGroupsShowTheirNameAlone) {
    ExpectLinks("news:", {
        {"Read news:comp.lang.c daily", R"(Read <A HREF="news:comp.lang.c">comp.lang.c</A> daily)"},
        {"News:alt.test", R"(<A HREF="news:alt.test">alt.test</A>)"},
        {"NEWS:ALT.TEST, or", R"(<A HREF="news:ALT.TEST">ALT.TEST</A>, or)"},
        {"(news:comp.os).", R"((<A HREF="news:comp.os">comp.os</A>).)"},
        {"news:abcdef", R"(<A HREF="news:abcdef">abcdef</A>)"},
        // Too short once "news:" is off: the candidate goes back whole.
        {"news:abcde", "news:abcde"},
        {"See the news: it is good", "See the news: it is good"},
        {"nEwS:abcde and news:comp.os", R"(nEwS:abcde and <A HREF="news:comp.os">comp.os</A>)"},
        {"URL:news:comp.os", R"(URL:<A HREF="news:comp.os">comp.os</A>)"},
        // The group target is rebuilt from the text, which keeps its ".".
        {"&lt;news:comp.os.&gt; x", R"(&lt;<A HREF="news:comp.os.">comp.os.</A>&gt; x)"},
        // Only a candidate that starts with "news:" is a group.
        {"newsnews:abcdefg", "newsnews:abcdefg"},
        {"\t* gettext-runtime/NEWS: likewise", "\t* gettext-runtime/NEWS: likewise"},
        {"libfoo/news:comp.os.linux news:comp.os",
         R"(libfoo/news:comp.os.linux <A HREF="news:comp.os">comp.os</A>)"},
    });
    // A candidate found by another key that starts with "news:" is a group too.
    ExpectLinks("@", {{"news:joe@example.com", R"(<A HREF="news:joe@example.com">joe@example.com</A>)"}});
    ExpectLinks("://", {{"news://example.com/g", R"(<A HREF="news://example.com/g">//example.com/g</A>)"}});
}

TEST(MakeLinks, WebAddresses) {
    ExpectLinks("://", {
        {"See http://example.com/x.", R"(See <A HREF="http://example.com/x">http://example.com/x</A>.)"},
        {"ftp://example.com/, http://example.org/",
         R"(<A HREF="ftp://example.com/">ftp://example.com/</A>, <A HREF="http://example.org/">http://example.org/</A>)"},
        {"&lt;http://example.com/.&gt; x", R"(&lt;<A HREF="http://example.com/">http://example.com/.</A>&gt; x)"},
        {"HTTP://EXAMPLE.COM", R"(<A HREF="HTTP://EXAMPLE.COM">HTTP://EXAMPLE.COM</A>)"},
        // The address starts at its scheme; what stands before stays text.
        {"[text](https://example.com/y)", R"([text](<A HREF="https://example.com/y">https://example.com/y</A>))"},
        {"see:http://example.com/", R"(see:<A HREF="http://example.com/">http://example.com/</A>)"},
        {"svn+ssh://example.org/r", R"(<A HREF="svn+ssh://example.org/r">svn+ssh://example.org/r</A>)"},
        {"[![x](http://a.example/x.png)](http://b.example/)",
         R"([![x](<A HREF="http://a.example/x.png">http://a.example/x.png</A>)](<A HREF="http://b.example/">http://b.example/</A>))"},
        {"&quot;http://example.com/&quot;.", R"(&quot;<A HREF="http://example.com/">http://example.com/</A>&quot;.)"},
        // No scheme, one that does not start with a letter, or nothing
        // after "://": no link.
        {"://example.com/ http://example.com/", R"(://example.com/ <A HREF="http://example.com/">http://example.com/</A>)"},
        {"1http://example.com/", "1http://example.com/"},
        {"(-x://example.com/)", "(-x://example.com/)"},
        {"&quot;https://&quot; and http://. or file:///usr/share",
         R"(&quot;https://&quot; and http://. or <A HREF="file:///usr/share">file:///usr/share</A>)"},
    });
}

TEST(MakeLinks, AnchorsInTheLineStayAsTheyAre) {
    const std::string reference = R"(<A HREF="x@example_com.html">[x@example.com]</A>)";
    ExpectLinks("@", {
        {"see " + reference + " or joe@example.com",
         "see " + reference + R"( or <A HREF="mailto:joe@example.com">joe@example.com</A>)"},
        // Each stretch between anchors is a line of its own: an "@" that
        // fails the guard before an anchor does not stop the text after it.
        {"a@1 " + reference + " joe@example.com",
         "a@1 " + reference + R"( <A HREF="mailto:joe@example.com">joe@example.com</A>)"},
        {"joe@example.com" + reference, R"(<A HREF="mailto:joe@example.com">joe@example.com</A>)" + reference},
        {"[3] <A HREF=\"3.html\">Mail joe@example.com</A><BR>", "[3] <A HREF=\"3.html\">Mail joe@example.com</A><BR>"},
    });
    ExpectLinks("://", {
        {R"(<A HREF="mailto:joe@example.com">joe@example.com</A> http://example.com/)",
         R"(<A HREF="mailto:joe@example.com">joe@example.com</A> <A HREF="http://example.com/">http://example.com/</A>)"},
    });
    ExpectLinks("news:", {
        {R"(<A HREF="http://example.com/news:abcdefg">http://example.com/news:abcdefg</A>)",
         R"(<A HREF="http://example.com/news:abcdefg">http://example.com/news:abcdefg</A>)"},
    });
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
// straightforward recursive form.
TEST(MakeLinks, AgreesWithTheRecursiveForm) {
    static const char* const Pieces[] = {
        "a", "bc", "Xyz", "@", "://", "news:", "NeWs:", "nEWS", " ", " ", "\t", ";", "(", ")", ".", ",",
        "&gt;", "&GT;", "&gt", "&lt;", "&quot;", "mailto:", "MAILTO:", "URL:", "url:mailto:", "^", "1",
        "-", "]", "\xE9", "http", "example.com", "&", "@bcd", "news:grp.x", "&quot", "](", "[", "+", "/",
        "<A HREF=\"", "</A>", "file:///x", "ssh://u@h.x",
    };
    std::mt19937 random(20240603);
    const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        for (size_t i = pick(25); i > 0; --i) line += Pieces[pick(std::size(Pieces))];
        for (const std::string key : {"@", "://", "news:"})
            ASSERT_EQ(MakeLinks(line, key), testing::ReferenceMakeLinks(line, key)) << "key " << key << ": " << line;
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
