// A sequence of WriteLine calls (the input cut at LF, each piece one
// submission with its LF turned into CR LF) against a plain model of the
// writer kept in memory.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "line_writer.h"
#include "page_file.h"
#include "underline.h"

namespace {

// A row of one character: at least ten after trimming spaces, the first
// above a space, the last six never examined.
bool ModelIsUnderline(const std::string& line) {
    size_t a = 0, b = line.size();
    while (a < b && line[a] == ' ') ++a;
    while (b > a && line[b - 1] == ' ') --b;
    const std::string t = line.substr(a, b - a);
    if (t.size() < 10 || static_cast<unsigned char>(t[0]) <= 32) return false;
    for (size_t i = 0; i < t.size() - 6; ++i)
        if (t[i] != t[0]) return false;
    return true;
}

// The writer as described: hold back one line; an underline wraps the held
// line in a heading unless it holds "<P>".
struct ModelWriter {
    std::string pending, out;
    void WriteLine(std::string line) {
        if (ModelIsUnderline(line)) {
            if (pending.ends_with("\r\n")) pending.resize(pending.size() - 2);
            if (pending.ends_with("<BR>")) pending.resize(pending.size() - 4);
            if (pending.find("<P>") == std::string::npos) {
                const std::string level = line[0] == '=' ? "H2" : "H3";
                pending = "<" + level + ">" + pending + "</" + level + ">\r\n";
                line = "\r\n";
            }
        }
        out += pending;
        pending = line;
    }
};

std::string TempPath() {
    static const std::string path = [] {
        char name[] = "/tmp/torvex-fuzz-writer-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    torvex::PageFile page;
    if (page.Open(TempPath(), nullptr, torvex::PageFile::Kind::Named, true) != torvex::PageFile::OpenResult::Opened) std::abort();
    torvex::LineWriter writer;
    writer.SetPage(&page);
    ModelWriter model;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end != std::string::npos) line += "\r\n";
        writer.WriteLine(line, torvex::HeadingUnder(line), line.find("<P>") != std::string::npos);
        model.WriteLine(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    writer.WriteLine("");
    model.WriteLine("");
    torvex::PageSet set;
    std::string error;
    if (!page.Close(set) || !set.Publish(error)) std::abort();
    std::ifstream in(TempPath(), std::ios::binary);
    std::ostringstream written;
    written << in.rdbuf();
    if (written.str() != model.out || !writer.PendingLine().empty()) std::abort();
    for (size_t i = 0; i < text.size() && i < 64; ++i)  // the two underline tests agree
        if (torvex::IsUnderline(text.substr(i)) != ModelIsUnderline(text.substr(i))) std::abort();
    return 0;
}
