#include "line_writer.h"

#include "page_file.h"

namespace torvex {

namespace {

constexpr std::string_view CrLf = "\r\n";

void RemoveSuffix(std::string& text, std::string_view suffix) {
    if (text.size() >= suffix.size() && std::string_view(text).substr(text.size() - suffix.size()) == suffix)
        text.resize(text.size() - suffix.size());
}

}  // namespace

bool IsUnderline(std::string_view line) {
    const auto first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    const auto last = line.find_last_not_of(' ');
    const std::string_view t = line.substr(first, last - first + 1);
    if (t.size() < 10) return false;
    const unsigned char c = static_cast<unsigned char>(t[0]);
    if (c <= ' ') return false;
    return t.substr(0, t.size() - 6).find_first_not_of(t[0]) == std::string_view::npos;
}

void LineWriter::WriteLine(std::string_view line) {
    scratch_.assign(line);
    Submit(scratch_);
}

void LineWriter::Submit(std::string& line) {
    if (IsUnderline(line)) {
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
