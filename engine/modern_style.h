// The modern page: HTML5 in UTF-8 that keeps the text's shape and reads
// well on any screen. The block reader tells what the text is made of; this
// writes it: paragraphs that reflow, pre blocks for aligned columns, lists,
// terms and definitions, quotes, headings with ids, links, and in split
// mode a contents list and the way between the pages as navigation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "block_reader.h"
#include "line_conversion.h"
#include "line_breaks.h"
#include "long_line.h"
#include "modern_markup.h"
#include "page_style.h"

namespace torvex {

class ModernStyle final : public PageStyle, private BlockSink {
public:
    ModernStyle(PassContext& pass, LineBreakMode mode, const PageOptions& options)
        : pass_(pass), options_(options), reader_(*this, mode, pass.limits.copy_plain_lines) {}

    void Prepare() override;
    void BeginDocument(const std::string& title) override;
    void Line(const InputFile::Line& line) override;
    void LongLine() override;
    void EndDocument(bool interrupted) override;

private:
    // What a line is told to the reader with: its number (from bit 2 on),
    // whether its section labels are linked, whether it is plain: printable
    // ASCII with nothing to escape or link, written as it stands.
    static constexpr std::uint64_t References = 1, PlainText = 2;
    static constexpr int TagBits = 2;
    struct Page {
        std::string name, title;  // the file name (in a set), and the title
    };
    struct Open {
        Block::Type type;
        bool has_child = false;
        bool bare = false;  // a paragraph written without <p>: the first child of an item or definition
    };
    enum class Title { Known, FirstHeading, NameLine };

    // BlockSink
    void Enter(const Block& block) override;
    void Leave(const Block& block) override;
    void Text(const BlockText& text) override;

    std::string_view Utf8(std::string_view text, std::string& out);
    void Write(std::string_view html) {
        if (!held_) {
            pass_.writer.Pass(html);
            return;
        }
        held_html_.append(html);
        // A start too long to hold has no heading to name the page.
        if (held_html_.size() > HeldBytes) Titled({});
    }
    // The first page waits this long for a heading to take its title from.
    static constexpr size_t HeldBlocks = 200;
    static constexpr size_t HeldBytes = size_t(64) << 10;
    void StartPage(const std::string& title);
    void Titled(std::string title);
    void EndPage(const Page* next, bool interrupted);
    void BeginText(bool links, std::uint64_t tag);
    void WriteText(std::string_view text, std::uint64_t tag);
    void StreamLongLine(size_t skip, std::uint64_t tag);
    void Heading(std::uint8_t kind);
    int LevelOf(std::uint8_t kind);
    std::string UniqueId(std::string_view text);
    void Take(std::string_view text, class LongLine* rest, bool plain = false);
    bool SplitLine(std::string_view text, std::uint64_t& tag);
    void ContentsEntry(std::string_view text);
    void CloseContents();
    void SwitchPage(const std::string& pageName, std::string_view heading);

    PassContext& pass_;
    const PageOptions& options_;
    BlockReader reader_;
    std::string line_, work_;
    LineConversion conversion_{pass_.limits.line_in_memory, pass_.limits.piece};
    long long text_line_ = 0;  // the number of the line whose text is being written
    const ReferenceSink note_reference_ = [this](std::string_view label) {
        pass_.pages.NoteReference(text_line_, label);
    };
    // The long line being told: its rest from the input, or its text.
    class LongLine* long_line_ = nullptr;
    std::string_view long_text_;

    // The first page's title, when none is given, is the text's first
    // heading: until it is known the page's start is held here.
    Title title_ = Title::Known;
    bool held_ = false;
    std::string held_html_;
    size_t held_blocks_ = 0;
    bool text_before_ = false;  // text came before any heading
    Page page_, previous_page_;

    std::vector<Open> open_;
    bool after_bare_ = false;  // the last thing written was an item's bare text
    bool in_heading_ = false;
    std::string heading_, heading_html_;
    std::uint64_t heading_tag_ = 0;
    bool in_pre_ = false;
    std::array<std::uint8_t, 256> levels_{};  // of each kind of heading (0: none yet)
    int deepest_ = 1, last_level_ = 1;
    std::unordered_map<std::string, int> ids_;  // the ids given, with the number a repeat of each took last
    long long headings_ = 0;

    // Split mode: the contents list being written, by the depths of its open lists.
    std::vector<int> contents_;
};

}  // namespace torvex
