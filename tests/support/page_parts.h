// The fixed parts of every page, spelled out byte for byte, so that tests
// can state a whole page: ExpectedHeader(title) + body + ExpectedFooter().
#pragma once

#include <string>

namespace torvex::testing {

// Everything before the first body line, for a page whose short title is
// shortTitle (the title as it appears in the head and the H1).
inline std::string ExpectedHeader(const std::string& shortTitle) {
    return "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
           "<HTML>\r\n"
           "\r\n"
           "<HEAD>\r\n"
           "<META NAME=\"GENERATOR\" CONTENT=\"Torvex http://www.vantry.example/\">\r\n"
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\r\n"
           "<meta http-equiv=\"pragma\" content=\"cache\">\r\n"
           "<meta http-equiv=\"expires\" content=\"-1\">\r\n"
           "<meta name=\"robots\" content=\"index,follow\">\r\n"
           "<meta name=\"description\" content=\"" + shortTitle + "\">\r\n"
           "<meta name=\"keywords\" content=\"" + shortTitle + "\">\r\n"
           "<TITLE>" + shortTitle + "</TITLE>\r\n"
           "\r\n"
           "</HEAD>\r\n"
           "\r\n"
           "\r\n"
           "<BODY>\r\n"
           "\r\n"
           "<H1>" + shortTitle + "</H1>\r\n"
           "\r\n"
           "\r\n";
}

// Everything after the last body line. stamp is the time stamp text, such
// as " on 05-Mar-2027 at 14:07:09<BR>", or empty without one.
inline std::string ExpectedFooter(const std::string& stamp = "") {
    return "<HR><ADDRESS>\r\n"
           "<A HREF=\"http://www.vantry.example/software/torvex.html\">Torvex</A> V2.5 by "
           "<A HREF=\"mailto:brenlow@vantry.example\">Brenlow</A> created this page" + stamp + "\r\n"
           "</ADDRESS>\r\n"
           "</BODY>\r\n"
           "\r\n"
           "</HTML>\r\n";
}

}  // namespace torvex::testing
