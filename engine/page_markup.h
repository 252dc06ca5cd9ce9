// What a page is made of: every tag, reference and fixed text that the
// engine writes is here, so that a change of markup is an edit of this file
// (and of page_markup.cpp, which writes the fixed parts of a page). The
// rest of the engine decides what a line is; this says how it is written.
#pragma once

#include <string>
#include <string_view>

#include "character_set.h"
#include "host.h"

namespace torvex {

class LineWriter;

// How a page writes an anchor: start, the target, text, the link text,
// end (and a line that starts with a section label, the rest of which is
// its link, ends with label_line_end). The link steps find the anchors
// already in a line by start and end. A target is taken from the page's
// text (escaped) as it stands, or, where href is set, written as an
// address (see html::HrefWriter).
struct AnchorMarkup {
    std::string_view start, text, end, label_line_end;
    bool href = false;
};

namespace markup {

inline constexpr std::string_view LineEnd = "\r\n";
inline constexpr std::string_view Break = "<BR>";

// What follows a line's text, by Suffix: "", "<BR>", "<P>" and "</P><P>";
// each followed by CR LF and padding, so that a line end can be copied in
// one piece of fixed size.
inline constexpr char SuffixBytes[4][16] = {"\r\n", "<BR>\r\n", "<P>\r\n", "</P><P>\r\n"};
inline constexpr unsigned char SuffixSize[4] = {0, 4, 3, 7};

// The references for the bytes of the text that need one.
inline constexpr std::string_view GreaterThan = "&gt;";
inline constexpr std::string_view LessThan = "&lt;";
inline constexpr std::string_view Quote = "&quot;";
inline constexpr std::string_view Pound = "&#163;";  // the pound sign

// An anchor: AnchorStart, the target, AnchorText, the text, AnchorEnd.
inline constexpr std::string_view AnchorStart = "<A HREF=\"";
inline constexpr std::string_view AnchorText = "\">";
inline constexpr std::string_view AnchorEnd = "</A>";
// A line that starts with a label is a link to the label's page as a whole,
// ended by its own break.
inline constexpr std::string_view LabelLineEnd = "</A><BR>";

inline constexpr AnchorMarkup Anchors{AnchorStart, AnchorText, AnchorEnd, LabelLineEnd};

// The line a stopped conversion ends its page with.
inline constexpr std::string_view Interrupted = "<P>Processing interrupted</P>";

// A character that an ISO 8859-1 page cannot hold: "&#N;".
std::string CharacterReference(char32_t c);

}  // namespace markup

// What the line above an underline becomes: a heading of a section (a row
// of "=") or of a subsection.
enum class Heading : unsigned char { None, Section, Subsection };

struct HeadingTags {
    std::string_view open, close;  // close ends the line
};
constexpr HeadingTags TagsOf(Heading heading) {
    return heading == Heading::Section ? HeadingTags{"<H2>", "</H2>\r\n"} : HeadingTags{"<H3>", "</H3>\r\n"};
}

// Writes the document type, head and body opening of a page. The title's
// surrounding quotes are removed and its section label dropped; the result
// (encoded for the page) is left in shortTitle and fills the description,
// keywords, TITLE and H1. The title is written as given, not escaped, but
// for its double quotes in the two content values, which they would end.
// The head declares set (UTF-8 or ISO 8859-1).
void WritePageHeader(LineWriter& writer, std::u32string title, std::string& shortTitle, CharacterSet set);

// " on dd-mmm-yyyy at hh:mm:ss<BR>", month names in English.
std::string FormatTimeStamp(const StampTime& now);

// Writes the rule, the credit line (with the date and time when
// addTimeStamp, read once from host) and the closing tags of a page.
void WritePageFooter(LineWriter& writer, bool addTimeStamp, Host& host);

// The line that takes a section page of a set back to its contents page.
void WriteBackToContents(LineWriter& writer);

// The navigation bar of a set's last page: the FAQ's home, its contents,
// the site's section of sectionNumber (when it has one) and the page's title.
void WriteNavigationBar(LineWriter& writer, float sectionNumber, const std::string& shortTitle);

}  // namespace torvex
