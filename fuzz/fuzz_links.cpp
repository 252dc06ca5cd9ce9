// Escaping and link detection on any line: each key against the plain
// recursive form, and read from a scratch file a few bytes at a time as a
// run too long for memory is, on the escaped line (as the pass runs it)
// and on the raw bytes (anything at all), for a page in ISO 8859-1 and,
// when the line is UTF-8, for a page in UTF-8 and a modern page.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

#include "escape.h"
#include "links.h"
#include "links_reference.h"
#include "modern_markup.h"
#include "paged_text.h"
#include "utf8.h"

namespace {

// Link detection on text held out of memory, read back in pages of one to
// seven bytes (each size keeps its scratch file from one input to the next).
std::string LinkThroughPages(const std::string& text, const std::string& key, torvex::CharacterSet set,
                             const torvex::AnchorMarkup& anchors = torvex::markup::Anchors) {
    static torvex::PagedText held[] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}};
    torvex::PagedText& paged = held[text.size() % std::size(held)];
    paged.Clear();
    paged.Append(text);
    std::string out;
    torvex::PartWriter writer(1 + text.size() % 5, [&out](std::string_view part) { out.append(part); });
    torvex::LinkState state;
    torvex::AppendLinks(paged, key, writer, set, state, true, anchors);
    writer.Flush();
    return out;
}

void Check(const std::string& line, torvex::CharacterSet set) {
    std::string text = line;
    for (const std::string key : {"@", "://", "news:"}) {
        const std::string linked = torvex::MakeLinks(text, key, set);
        if (linked != torvex::testing::ReferenceMakeLinks(text, key, set == torvex::CharacterSet::Utf8)) std::abort();
        if (!torvex::ContainsKey(text, key) && linked != text) std::abort();
        if (LinkThroughPages(text, key, set) != linked) std::abort();
        text = linked;
    }
}

// A modern page's anchors, whose targets are written as addresses a part at
// a time: the same from a scratch file as from memory.
void CheckModern(const std::string& line) {
    std::string text;
    torvex::html::AppendEscaped(line, text);
    for (const std::string key : {"@", "://", "news:"}) {
        std::string linked;
        torvex::AppendLinks(text, key, linked, torvex::CharacterSet::Utf8, torvex::html::Anchors);
        if (LinkThroughPages(text, key, torvex::CharacterSet::Utf8, torvex::html::Anchors) != linked) std::abort();
        text = linked;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string escaped = torvex::EscapeText(line);
    if (torvex::EscapeText(escaped) != escaped) std::abort();  // escaping twice changes nothing
    if (torvex::NeedsEscaping(line) != (escaped != line)) std::abort();
    Check(escaped, torvex::CharacterSet::Latin1);
    Check(line, torvex::CharacterSet::Latin1);
    if (torvex::ValidUtf8Prefix(line) == line.size()) {
        Check(torvex::EscapeText(line, torvex::CharacterSet::Utf8), torvex::CharacterSet::Utf8);
        Check(line, torvex::CharacterSet::Utf8);
        CheckModern(line);
    }
    return 0;
}
