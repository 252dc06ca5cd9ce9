// The whole pass over any input: the first byte picks the line-break mode,
// split mode and the character set, the rest is the file. Every page written
// must be a whole page, a UTF-8 page must be UTF-8 throughout, and the
// result must tell the truth. The validator that decides the character set
// must agree with a plain decoder.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine.h"
#include "utf8.h"
#include "utf8_reference.h"

namespace {

class QuietHost : public torvex::Host {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void Yield() override {}
    torvex::StampTime Now() override { return {2027, 3, 5, 14, 7, 9}; }
    std::vector<std::string> messages;
};

const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/torvex-fuzz-convert-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    return folder;
}

std::vector<std::string> Pages() {
    std::vector<std::string> pages;
    DIR* dir = opendir(Folder().c_str());
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "in.txt") pages.push_back(Folder() + "/" + name);
    }
    closedir(dir);
    return pages;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t options = data[0];
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (torvex::ValidUtf8Prefix(input) != torvex::testing::ReferenceValidUtf8Prefix(input)) std::abort();
    std::string in = Folder() + "/in.txt";
    std::ofstream(in, std::ios::binary).write(input.data(), static_cast<std::streamsize>(input.size()));

    QuietHost host;
    torvex::Engine engine(host);
    engine.Processing = true;
    constexpr torvex::CharacterSet Sets[] = {torvex::CharacterSet::Auto, torvex::CharacterSet::Utf8,
                                             torvex::CharacterSet::Latin1, torvex::CharacterSet::Auto};
    engine.Encoding = Sets[(options >> 4) & 3];
    std::string out = (options & 4) ? "FAQ" : Folder() + "/out.html";
    std::string title = "T";
    int mode = 1 + options % 3;
    bool stamp = (options & 8) != 0;
    const bool ok = engine.ConvertFile(in, out, title, mode, stamp);
    // Auto: UTF-8 pages for well-formed UTF-8 that goes beyond ASCII.
    const bool beyondAscii = std::any_of(input.begin(), input.end(), [](char c) { return c & 0x80; });
    const bool utf8 = engine.Encoding == torvex::CharacterSet::Utf8 ||
                      (engine.Encoding == torvex::CharacterSet::Auto && beyondAscii &&
                       torvex::testing::ReferenceValidUtf8Prefix(input) == input.size());

    if (input.empty() && (ok || host.messages != std::vector<std::string>{"Input file appears to be empty"}))
        std::abort();
    if (ok != host.messages.empty()) std::abort();  // a failure always says why, success never complains
    const auto pages = Pages();
    for (const auto& page : pages) {
        const std::string bytes = Read(page);
        if (ok && (!bytes.starts_with("<!DOCTYPE") || !bytes.ends_with("</HTML>\r\n"))) std::abort();
        const bool utf8Page = bytes.find("content=\"text/html; charset=utf-8\">") != std::string::npos;
        if (ok && utf8Page != utf8) std::abort();
        if (utf8Page && torvex::testing::ReferenceValidUtf8Prefix(bytes) != bytes.size()) std::abort();
        unlink(page.c_str());
    }
    if (ok && !(options & 4) && pages.size() != 1) std::abort();
    if (Read(in) != input) std::abort();  // the input is never touched
    return 0;
}
