// What a modern page is made of: HTML5 in UTF-8 with a viewport for phones,
// a small stylesheet of its own, landmarks (header, main, footer) and
// navigation between the pages of a set. Every tag and fixed text of the
// modern page is here, as page_markup holds the classic page's.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host.h"
#include "page_markup.h"

namespace torvex {

// How a conversion's pages are written, set by the front end on the Engine.
struct PageOptions {
    enum class Style { Classic, Modern };
    Style style = Style::Classic;
    // The rest is for modern pages only. The language of the text, a BCP 47
    // tag ("en", "de-CH").
    std::string language = "en";
    // Stylesheets linked instead of the page's own.
    std::vector<std::string> stylesheets;
    // The footer names the converter.
    bool credit = true;
};

namespace html {

// Appends text (UTF-8) as a page's text: "&" "<" ">" and the double quote
// as references, and the characters a page may not hold (control
// characters, noncharacters) as what stands for them: a control's picture
// (U+2400 on) or U+FFFD. A tab stays.
void AppendEscaped(std::string_view text, std::string& out);
// Whether AppendEscaped would change text.
bool NeedsEscaping(std::string_view text);
// Whether text is written as it stands: nothing to escape, and no "@" or
// ":" that a link needs.
bool Plain(std::string_view text);

// An address as an href holds it: the characters a URL cannot hold as they
// stand (spaces, controls, non-ASCII, "[" "]" outside the host, "{" "}" "|"
// "\" "^" "`", a "%" that starts no escape, the double quote, "<" ">") as
// %XX of their UTF-8 bytes, then escaped for the attribute ("&" as "&amp;").
// url is the address as written in the text, not escaped.
void AppendHref(std::string_view url, std::string& out);

// The same a part at a time, for an address of any length: each character
// is written as soon as what follows it tells how (a "%", the "&" of a
// reference, hold back a few).
class HrefWriter {
public:
    // The next part of the address, as written in the text.
    void AddUrl(std::string_view url, std::string& out);
    // The next part of the address, as a page's text holds it (escaped).
    void AddText(std::string_view escaped, std::string& out);
    // The address has ended: what is held back is written.
    void End(std::string& out);

private:
    void Put(char c, std::string& out);
    void Release(std::string& out);
    void Write(char c, bool encode, std::string& out);

    enum class Part : unsigned char { BeforeHost, Host, AfterHost };
    Part part_ = Part::BeforeHost;  // of "scheme://host/...", where "[" and "]" may stand in the host
    char before_[2] = {0, 0};       // the two characters before, to find "://"
    char percent_[3] = {};          // a "%" and what followed it, until it is known to start an escape
    unsigned char percent_size_ = 0;
    std::string reference_;  // the start of an "&...;" reference, until it ends
};

// Anchors of a modern page.
inline constexpr AnchorMarkup Anchors{"<a href=\"", "\">", "</a>", "</a>", true};

// The fragment name of a heading: its words in lower case joined by "-"
// (letters beyond ASCII kept), at most 64 bytes; "section" when nothing is left.
std::string HeadingSlug(std::string_view text);

// What a page's head says.
struct Head {
    std::string_view language;
    std::string_view title;        // as text, not escaped
    std::string_view description;  // as text
    const std::vector<std::string>* stylesheets;
};
// The document type, the head (with the stylesheet) and the body's start:
// the header with the title as the one h1, and the opening of main.
std::string PageStart(const Head& head);

// A link of the navigation between the pages of a set.
struct NavLink {
    std::string_view label;  // "Contents", "Previous", "Next"
    std::string page;        // the page's file name; empty: no such page
    std::string title;       // the page's title, as text
};
// The end of main, the navigation between the pages of a set (when links
// has any page), the footer (credit and time stamp, each when asked for)
// and the document's end.
std::string PageEnd(const std::vector<NavLink>& links, bool credit, const StampTime* stamp);

inline constexpr std::string_view Interrupted = "<p>Processing interrupted</p>\n";

}  // namespace html

}  // namespace torvex
