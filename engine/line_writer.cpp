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

// IsUnderline's test on trimmed UTF-8 text, whose characters take one to
// four bytes: the first character repeated from the start, then at most six
// characters of any kind, ten or more in all. Out of line, so that the
// usual one-byte test stays cheap: it runs on every line written.
[[gnu::noinline]] bool IsUtf8Row(std::string_view t) {
    const size_t width = CharacterWidth(t, 0, CharacterSet::Utf8);
    size_t end = width;
    while (t.size() - end >= width && t.compare(end, width, t.substr(0, width)) == 0) end += width;
    const std::string_view rest = t.substr(end);
    if (rest.size() > 6 * 4) return false;
    const size_t tail = Utf8Length(rest);
    return tail <= 6 && end / width + tail >= 10;
}

}  // namespace

bool IsUnderline(std::string_view line, CharacterSet set) {
    const auto first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    const auto last = line.find_last_not_of(' ');
    const std::string_view t = line.substr(first, last - first + 1);
    if (t.size() < 10 || static_cast<unsigned char>(t[0]) <= ' ') return false;  // no character takes less than a byte
    if (set == CharacterSet::Utf8) return IsUtf8Row(t);
    return t.substr(0, t.size() - 6).find_first_not_of(t[0]) == std::string_view::npos;
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
