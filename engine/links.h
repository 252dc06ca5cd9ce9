// Mail, web and news addresses in a line of escaped text become anchors.
#pragma once

#include <string>
#include <string_view>

#include "character_set.h"
#include "page_markup.h"

namespace torvex {

class PagedText;
class PartWriter;

// In this order; each key leaves the anchors of the keys before it alone.
inline constexpr std::string_view LinkKeys[] = {"@", "://", "news:"};

// Keys and schemes are ASCII: their letters match in either case.
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// The line with anchors added for the candidates around each occurrence of
// key ("@", "://" or "news:"), found without regard to letter case. The line
// is escaped text: ">" arrives as "&gt;", and every "<" in it begins markup
// that the engine added. The anchors already in it ("<A HREF=" up to the
// next "</A>") are kept as they are, and each stretch of text between them
// is handled as a line of its own.
//
// A line is read left to right: the candidate around the first occurrence
// of the key is handled, then the text after the candidate is treated the
// same way, as if it were a line of its own. For "@", a first "@" (of the
// line or of such a rest) that is not followed by a letter-like character
// ends the work: that text is kept as it is. A candidate ends before an
// escaped "<", ">" or double quote and before the "](" of a Markdown link;
// quotation marks around it ("`", "'", and in set the curly ones and
// guillemets) stay outside it.
// A mail candidate that holds "://" or starts with "@", a web candidate
// without a scheme or without a letter or digit after "://", and a news
// candidate that does not start with "news:" stay plain text. Linear in the
// line's length. The lengths of link texts count characters of set.
std::string MakeLinks(std::string_view line, std::string_view key, CharacterSet set = CharacterSet::Latin1);

// False when no key can occur in line: every key holds an "@" or a ":", and
// the line has neither. One quick pass that spares most lines three searches.
bool MayHoldLinks(std::string_view line);

// Whether line holds key at all (letter case ignored): without it, MakeLinks
// gives the line back unchanged.
bool ContainsKey(std::string_view line, std::string_view key);

// MakeLinks, appended to out (which must not overlap line), with anchors
// written (and found) as anchors says.
void AppendLinks(std::string_view line, std::string_view key, std::string& out,
                 CharacterSet set = CharacterSet::Latin1, const AnchorMarkup& anchors = markup::Anchors);

// What link detection for one key carries from one piece of a line to the next.
struct LinkState {
    bool stopped = false;    // a first "@" was no address: the text is left alone up to the next anchor
    bool in_anchor = false;  // an anchor began and has not ended yet
};

// MakeLinks over a line given in pieces, each appended to out as it comes;
// last marks the line's last piece. A candidate never holds a space, so a
// piece may end after any space that is not inside markup, and inside any
// run of bytes without spaces that holds no key at all; an anchor may begin
// in one piece and end in a later one.
void AppendLinks(std::string_view piece, std::string_view key, std::string& out, CharacterSet set, LinkState& state,
                 bool last, const AnchorMarkup& anchors = markup::Anchors);
// The same for a piece too long for memory (a run of hundreds of megabytes
// without a space), held in a PagedText and written out a part at a time.
void AppendLinks(PagedText& piece, std::string_view key, PartWriter& out, CharacterSet set, LinkState& state,
                 bool last, const AnchorMarkup& anchors = markup::Anchors);
bool ContainsKey(PagedText& text, std::string_view key);

}  // namespace torvex
