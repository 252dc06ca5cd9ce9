#include "line_writer.h"

#include <algorithm>

#include "page_file.h"

namespace torvex {

namespace {

constexpr std::string_view CrLf = "\r\n";

void RemoveSuffix(std::string& text, std::string_view suffix) {
    if (text.size() >= suffix.size() && std::string_view(text).substr(text.size() - suffix.size()) == suffix)
        text.resize(text.size() - suffix.size());
}

}  // namespace

bool IsUnderline(std::string_view line, CharacterSet set) {
    const auto first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    const auto last = line.find_last_not_of(' ');
    const std::string_view t = line.substr(first, last - first + 1);
    if (static_cast<unsigned char>(t[0]) <= ' ') return false;
    // The first character, and how many in a row from the start repeat it.
    char32_t code = 0;
    const size_t width = set == CharacterSet::Utf8 ? std::max<size_t>(DecodeUtf8(t, 0, code), 1) : 1;
    const std::string_view character = t.substr(0, width);
    size_t run = 1, end = width;
    while (t.substr(end, width) == character) ++run, end += width;
    if (run < 4) return false;  // ten or more characters, all but the last six alike
    const size_t length = run + CharacterCount(t.substr(end), set);
    return length >= 10 && run >= length - 6;
}

void LineWriter::WriteLine(std::string_view line) {
    scratch_.assign(line);
    Submit(scratch_);
}

void LineWriter::Submit(std::string& line) {
    if (IsUnderline(line, set_)) {
        RemoveSuffix(pending_, CrLf);
        RemoveSuffix(pending_, "<BR>");
        if (pending_.find("<P>") == std::string::npos) {
            const char* level = line[0] == '=' ? "H2" : "H3";
            pending_ = std::string("<") + level + ">" + pending_ + "</" + level + ">" + std::string(CrLf);
            line.assign(CrLf);
        }
    }
    if (page_ != nullptr && !pending_.empty()) page_->Write(pending_);
    pending_.swap(line);
}

}  // namespace torvex
