#include "page_markup.h"

#include <cstdio>

#include "labels.h"
#include "line_writer.h"
#include "product.h"
#include "section_tables.h"
#include "title.h"

namespace torvex {

std::string markup::CharacterReference(char32_t c) { return "&#" + std::to_string(static_cast<unsigned long>(c)) + ";"; }

namespace {

std::string QuotesAsReferences(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '"')
            out += markup::Quote;
        else
            out += c;
    }
    return out;
}

}  // namespace

void WritePageHeader(LineWriter& writer, std::u32string title, std::string& shortTitle, CharacterSet set) {
    if (title.empty()) title = U"Title to be specified";
    if (!title.empty() && title.front() == U'"') title.erase(0, 1);
    if (!title.empty() && title.back() == U'"') title.pop_back();

    // The rows go to the writer as one line but the last, which alone (as
    // the line held back) an underline after it could make a heading.
    std::string head = "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">";
    head.reserve(1024);
    const auto row = [&head](auto... parts) {
        (head.append(parts), ...);
        head.append("\r\n");
    };
    row("");
    row("<HTML>");
    row("");
    row("<HEAD>");
    row("<META NAME=\"GENERATOR\" CONTENT=\"", ProductName, " ", MakerSiteAddress, "\">");
    shortTitle = EncodeTitle(TextAfterLabel(title), set);
    const std::string content = QuotesAsReferences(shortTitle);
    row("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=", set == CharacterSet::Utf8 ? "utf-8" : "iso-8859-1",
        "\">");
    row("<meta http-equiv=\"pragma\" content=\"cache\">");
    row("<meta http-equiv=\"expires\" content=\"-1\">");
    row("<meta name=\"robots\" content=\"index,follow\">");
    row("<meta name=\"description\" content=\"", content, "\">");
    row("<meta name=\"keywords\" content=\"", content, "\">");
    row("<TITLE>", shortTitle, "</TITLE>");
    row("");
    row("</HEAD>");
    row("");
    row("");
    row("<BODY>");
    row("");
    row("<H1>", shortTitle, "</H1>");
    row("");
    writer.WriteLine(head);
    writer.WriteLine("\r\n");
}

std::string FormatTimeStamp(const StampTime& now) {
    static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int month = (now.month >= 1 && now.month <= 12) ? now.month : 1;
    char text[64];
    std::snprintf(text, sizeof text, " on %02d-%s-%04d at %02d:%02d:%02d<BR>", now.day, Months[month - 1], now.year,
                  now.hour, now.minute, now.second);
    return text;
}

void WritePageFooter(LineWriter& writer, bool addTimeStamp, Host& host) {
    // One reading of the clock: the date and the time always belong together.
    const std::string stamp = addTimeStamp ? FormatTimeStamp(host.Now()) : std::string();
    // As one line but the last, as the head.
    std::string foot = "<HR><ADDRESS>\r\n<A HREF=\"";
    foot.append(HomePageAddress).append("\">").append(ProductName).append("</A> ").append(ProductVersion);
    foot.append(" by <A HREF=\"mailto:").append(AuthorMailAddress).append("\">").append(AuthorName);
    foot.append("</A> created this page").append(stamp).append("\r\n</ADDRESS>\r\n</BODY>\r\n\r\n</HTML>");
    writer.WriteLine(foot);
    writer.WriteLine("\r\n");
}

void WriteBackToContents(LineWriter& writer) {
    writer.WriteLine("<H2><A HREF=\"contents.html\">Contents Page</A></H2>\r\n");
}

void WriteNavigationBar(LineWriter& writer, float sectionNumber, const std::string& shortTitle) {
    writer.WriteLine("<HR><B><P>\r\n");
    writer.WriteLine("<A HREF=\"./\">FAQ Home</A> > \r\n");
    writer.WriteLine("<A HREF=\"contents.html\">Vantry FAQ Contents</A>\r\n");
    if (sectionNumber > 0) {
        const auto n = static_cast<size_t>(sectionNumber) - 1;
        if (n < SectionFiles.size()) {
            writer.WriteLine(std::string(" &gt; <A HREF=\"") + std::string(SectionFiles[n]) + "\">");
            writer.WriteLine(std::string(SectionTitles[n]) + "</A>\r\n");
        }
    }
    writer.WriteLine(" &gt; " + shortTitle + " &gt; \r\n");
    writer.WriteLine("<A HREF=\"#top\">Top</A>\r\n");
    writer.WriteLine("</P></B>\r\n");
}

}  // namespace torvex
