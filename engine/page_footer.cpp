#include "page_footer.h"

#include <cstdio>

#include "line_writer.h"
#include "product.h"

namespace torvex {

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
    writer.WriteLine("<HR>");
    writer.WriteLine("<ADDRESS>\r\n");
    writer.WriteLine(std::string("<A HREF=\"") + HomePageAddress + "\">" + ProductName + "</A> " + ProductVersion);
    writer.WriteLine(std::string(" by <A HREF=\"mailto:") + AuthorMailAddress + "\">" + AuthorName + "</A> created this page");
    writer.WriteLine(stamp + "\r\n");
    writer.WriteLine("</ADDRESS>\r\n");
    writer.WriteLine("</BODY>\r\n");
    writer.WriteLine("\r\n");
    writer.WriteLine("</HTML>");
    writer.WriteLine("\r\n");
}

}  // namespace torvex
