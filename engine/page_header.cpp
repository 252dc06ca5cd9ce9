#include "page_header.h"

#include "labels.h"
#include "line_writer.h"
#include "product.h"
#include "title.h"

namespace torvex {

namespace {

std::string QuotesAsReferences(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '"')
            out += "&quot;";
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

    auto row = [&writer](const std::string& text) { writer.WriteLine(text + "\r\n"); };
    writer.WriteLine("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
    row("");
    row("<HTML>");
    row("");
    row("<HEAD>");
    row(std::string("<META NAME=\"GENERATOR\" CONTENT=\"") + ProductName + " " + MakerSiteAddress + "\">");
    shortTitle = EncodeTitle(TextAfterLabel(title), set);
    const std::string content = QuotesAsReferences(shortTitle);
    row(std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
        (set == CharacterSet::Utf8 ? "utf-8" : "iso-8859-1") + "\">");
    row("<meta http-equiv=\"pragma\" content=\"cache\">");
    row("<meta http-equiv=\"expires\" content=\"-1\">");
    row("<meta name=\"robots\" content=\"index,follow\">");
    row("<meta name=\"description\" content=\"" + content + "\">");
    row("<meta name=\"keywords\" content=\"" + content + "\">");
    row("<TITLE>" + shortTitle + "</TITLE>");
    row("");
    row("</HEAD>");
    row("");
    row("");
    row("<BODY>");
    row("");
    row("<H1>" + shortTitle + "</H1>");
    row("");
    row("");
}

}  // namespace torvex
