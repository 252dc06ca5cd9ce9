// The fixed frame of every page, written out literally, so that whole pages
// can be compared byte for byte.
#pragma once

#include <string>

namespace torvex::testing {

// title as the page shows it; a double quote in it is "&quot;" in the two
// content values only.
inline std::string PageHead(const std::string& title, const std::string& charset = "iso-8859-1") {
    std::string content;
    for (char c : title) content += c == '"' ? std::string("&quot;") : std::string(1, c);
    return "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
           "<HTML>\r\n"
           "\r\n"
           "<HEAD>\r\n"
           "<META NAME=\"GENERATOR\" CONTENT=\"Torvex http://www.vantry.example/\">\r\n"
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset + "\">\r\n"
           "<meta http-equiv=\"pragma\" content=\"cache\">\r\n"
           "<meta http-equiv=\"expires\" content=\"-1\">\r\n"
           "<meta name=\"robots\" content=\"index,follow\">\r\n"
           "<meta name=\"description\" content=\"" + content + "\">\r\n"
           "<meta name=\"keywords\" content=\"" + content + "\">\r\n"
           "<TITLE>" + title + "</TITLE>\r\n"
           "\r\n"
           "</HEAD>\r\n"
           "\r\n"
           "\r\n"
           "<BODY>\r\n"
           "\r\n"
           "<H1>" + title + "</H1>\r\n"
           "\r\n"
           "\r\n";
}

// stamp: "" or the text such as " on 05-Mar-2027 at 14:07:09<BR>".
inline std::string PageFoot(const std::string& stamp = "") {
    return "<HR><ADDRESS>\r\n"
           "<A HREF=\"http://www.vantry.example/software/torvex.html\">Torvex</A> V2.5"
           " by <A HREF=\"mailto:brenlow@vantry.example\">Brenlow</A> created this page" + stamp + "\r\n"
           "</ADDRESS>\r\n"
           "</BODY>\r\n"
           "\r\n"
           "</HTML>\r\n";
}

}  // namespace torvex::testing
