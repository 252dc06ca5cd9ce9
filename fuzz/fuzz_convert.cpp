// The whole pass over any input: the first byte picks the line-break mode,
// split mode, the character set and the page style, the rest is the file.
// Every page written must be a whole page, a UTF-8 page (every modern one)
// must be UTF-8 throughout, and the result must tell the truth. The validator that decides the character set
// must agree with a plain decoder. The same input converted with limits of
// a few bytes (every line in pieces, every held-back line in a temporary
// file) and with plain lines not copied as they stand must give the same
// pages, byte for byte, and so must the input converted as text in memory.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine.h"
#include "recording_host.h"
#include "utf8.h"
#include "utf8_reference.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/torvex-fuzz-convert-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    return folder;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The pages in the folder, by name, each removed once read.
std::map<std::string, std::string> TakePages() {
    std::map<std::string, std::string> pages;
    DIR* dir = opendir(Folder().c_str());
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == "in.txt") continue;
        pages[name] = Read(Folder() + "/" + name);
        unlink((Folder() + "/" + name).c_str());
    }
    closedir(dir);
    return pages;
}

struct Result {
    bool ok = false;
    std::vector<std::string> messages, warnings;
    std::map<std::string, std::string> pages;
    bool operator==(const Result&) const = default;
};

void Configure(torvex::Engine& engine, uint8_t options, const torvex::ConversionLimits& limits) {
    engine.Processing = true;
    engine.Limits = limits;
    constexpr torvex::CharacterSet Sets[] = {torvex::CharacterSet::Auto, torvex::CharacterSet::Utf8,
                                             torvex::CharacterSet::Latin1, torvex::CharacterSet::Auto};
    engine.Encoding = Sets[(options >> 4) & 3];
    if (options & 64) engine.Page.style = torvex::PageOptions::Style::Modern;
}

Result Convert(uint8_t options, const torvex::ConversionLimits& limits) {
    torvex::testing::RecordingHost host;
    torvex::Engine engine(host);
    Configure(engine, options, limits);
    std::string in = Folder() + "/in.txt";
    std::string out = (options & 4) ? std::string(torvex::SplitOutputName) : Folder() + "/out.html";
    std::string title = "T";
    int mode = 1 + options % 3;
    bool stamp = (options & 8) != 0;
    Result result;
    result.ok = engine.ConvertFile(in, out, title, mode, stamp);
    result.messages = host.messages;
    result.warnings = host.warnings;
    result.pages = TakePages();
    return result;
}

// The input as text in memory, in a buffer of its very size (a read past
// its end is caught), converted into the page out.html would hold.
Result ConvertInMemory(uint8_t options, const torvex::ConversionLimits& limits, const std::string& input) {
    torvex::testing::RecordingHost host;
    torvex::Engine engine(host);
    Configure(engine, options, limits);
    const std::unique_ptr<char[]> text(new char[input.size()]);
    std::copy(input.begin(), input.end(), text.get());
    std::string page;
    const torvex::PageOutput keep = [&page](std::string_view bytes) {
        page.append(bytes);
        return true;
    };
    Result result;
    result.ok = engine.ConvertText({text.get(), input.size()}, Folder() + "/in.txt", keep, "T",
                                   torvex::LineBreakModeOf(1 + options % 3), (options & 8) != 0);
    result.messages = host.messages;
    result.warnings = host.warnings;
    result.pages["out.html"] = page;
    return result;
}

// Limits of one to eight bytes, different for different inputs.
torvex::ConversionLimits TinyLimits(const std::string& input) {
    const size_t h = std::hash<std::string>{}(input);
    torvex::ConversionLimits limits;
    limits.read_size = 1 + h % 8;
    limits.line_in_memory = (h >> 3) % 9;
    limits.piece = 1 + (h >> 7) % 8;
    limits.held_line = (h >> 10) % 9;
    return limits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t options = data[0];
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (torvex::ValidUtf8Prefix(input) != torvex::testing::ReferenceValidUtf8Prefix(input)) std::abort();
    std::string in = Folder() + "/in.txt";
    std::ofstream(in, std::ios::binary).write(input.data(), static_cast<std::streamsize>(input.size()));

    const Result r = Convert(options, {});
    const bool split = (options & 4) != 0;
    const auto set = (options >> 4) & 3;
    // Auto: UTF-8 pages for well-formed UTF-8 that goes beyond ASCII.
    const bool beyondAscii = std::any_of(input.begin(), input.end(), [](char c) { return c & 0x80; });
    const bool utf8 = set == 1 || ((set == 0 || set == 3) && beyondAscii &&
                                   torvex::testing::ReferenceValidUtf8Prefix(input) == input.size());

    if (input.empty() && (r.ok || r.messages != std::vector<std::string>{"Input file appears to be empty"}))
        std::abort();
    const bool complained = !r.messages.empty();
    if (r.ok == complained) std::abort();  // a failure always says why, success never complains
    const bool modern = (options & 64) != 0;
    for (const auto& [name, bytes] : r.pages) {
        if (modern) {
            if (r.ok && (!bytes.starts_with("<!DOCTYPE html>\n") || !bytes.ends_with("</html>\n"))) std::abort();
            if (torvex::testing::ReferenceValidUtf8Prefix(bytes) != bytes.size()) std::abort();
            continue;
        }
        if (r.ok && (!bytes.starts_with("<!DOCTYPE") || !bytes.ends_with("</HTML>\r\n"))) std::abort();
        const bool utf8Page = bytes.find("content=\"text/html; charset=utf-8\">") != std::string::npos;
        if (r.ok && utf8Page != utf8) std::abort();
        if (utf8Page && torvex::testing::ReferenceValidUtf8Prefix(bytes) != bytes.size()) std::abort();
    }
    if (r.ok && !split && r.pages.size() != 1) std::abort();

    torvex::ConversionLimits noCopy;
    noCopy.copy_plain_lines = false;
    if (Convert(options, noCopy) != r) std::abort();
    torvex::ConversionLimits tiny = TinyLimits(input);
    if (Convert(options, tiny) != r) std::abort();
    tiny.copy_plain_lines = false;
    if (Convert(options, tiny) != r) std::abort();
    if (Read(in) != input) std::abort();  // the input is never touched
    // Text in memory makes the page of the same file, byte for byte.
    if (!split && !input.empty() && (ConvertInMemory(options, {}, input) != r ||
                                     ConvertInMemory(options, TinyLimits(input), input) != r))
        std::abort();
    return 0;
}
