#include "modern_style.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "any_byte.h"
#include "labels.h"
#include "links.h"
#include "path_names.h"
#include "title.h"
#include "utf8.h"

namespace torvex {

namespace {

using Type = Block::Type;

// Ids made from headings are kept this far to be told apart; later
// headings are numbered ("_1234").
constexpr size_t KeptIds = 10000;
// Lists of the contents nest no deeper.
constexpr int DeepestContents = 6;

bool HoldsByteAbove127(std::string_view text) {
    return AnyByte(
        text, [](ByteBlock v) { return v >= 0x80; }, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// How deep a section label nests: "[4.1]" is 2.
int LabelDepth(std::string_view line) {
    const size_t open = line.find('['), close = line.find(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return 1;
    return 1 + static_cast<int>(std::count(line.begin() + static_cast<long>(open), line.begin() + static_cast<long>(close), '.'));
}

}  // namespace

void ModernStyle::Prepare() {
    reader_.Reset();
    open_.clear();
    in_heading_ = in_pre_ = false;
    levels_.fill(0);
    deepest_ = last_level_ = 1;
    ids_.clear();
    headings_ = 0;
    contents_.clear();
    held_ = false;
    held_html_.clear();
}

// The pages are written in UTF-8 whatever the input's character set.
std::string_view ModernStyle::Utf8(std::string_view text, std::string& out) {
    if (pass_.set == CharacterSet::Latin1) {
        if (!HoldsByteAbove127(text)) return text;
        out.clear();
        AppendLatin1AsUtf8(text, out);
        return out;
    }
    if (!pass_.make_valid) return text;
    out.assign(text);
    MakeValidUtf8(out, work_);
    return out;
}

void ModernStyle::BeginDocument(const std::string& title) {
    page_ = {pass_.pages.split() ? std::string(SplitContentsPage) : std::string(), title};
    previous_page_ = {};
    if (title.find_first_not_of(" \t") != std::string::npos) {
        title_ = Title::Known;
        StartPage(title);
        return;
    }
    // Without a title the page waits for the text's first heading.
    title_ = Title::FirstHeading;
    text_before_ = false;
    held_ = true;
    held_html_.clear();
    held_blocks_ = 0;
}

// The title as the page holds it: UTF-8 (a byte of a name or a typed
// title that is not reads as the ISO 8859-1 character of its value).
void ModernStyle::StartPage(const std::string& title) {
    page_.title = EncodeTitle(TitleFromUtf8(title), CharacterSet::Utf8);
    last_level_ = 1;  // below the page's h1
    ids_.clear();
    headings_ = 0;
    const html::Head head{options_.language, page_.title, page_.title, &options_.stylesheets};
    held_ = false;
    Write(html::PageStart(head));
}

// The title of a page that waited for one: its start is written, then
// what was held.
void ModernStyle::Titled(std::string title) {
    if (title_ == Title::Known) return;
    title_ = Title::Known;
    if (title.find_first_not_of(" \t") == std::string::npos) {
        const std::string name = pass_.input_name == "-" ? std::string("standard input") : FileNameOf(pass_.input_name);
        title = name.empty() ? pass_.input_name : name;
    }
    std::string held;
    held.swap(held_html_);
    StartPage(title);
    Write(held);
}

// A line in which the input saw nothing that needs attention is printable
// ASCII that goes to the page as it stands.
void ModernStyle::Line(const InputFile::Line& line) {
    const std::string_view text = LineText(line.content);
    const bool plain = !line.attention && pass_.limits.copy_plain_lines;
    if (plain && !pass_.pages.split() && text.size() <= BlockReader::LongLine)
        reader_.Add(text, static_cast<std::uint64_t>(pass_.line_number) << TagBits | PlainText, true);
    else if (plain)
        Take(text, nullptr, true);
    else
        Take(Utf8(text, line_), nullptr);
}

// A line too long for the input to hold: one short enough for the reader
// is read whole; a longer one is read from the input once its start has
// told what it is.
void ModernStyle::LongLine() {
    class LongLine line(pass_.input, pass_.set, pass_.limits.piece);
    if (!MeasureLongLine(pass_, line, false)) return;
    const LongLineFacts& facts = line.facts();
    if (facts.text_end - facts.text_begin <= BlockReader::LongLine) {
        const std::string whole = line.Whole();
        pass_.input.EndLongLine();
        Take(Utf8(LineText(whole), line_), nullptr);
        return;
    }
    // A character at the head's end may be cut: a few bytes more are read
    // than the head keeps.
    Take(Utf8(line.Head(BlockReader::LongLine + 4), line_), &line);
    pass_.input.EndLongLine();
}

// A line of UTF-8 text, whole (rest null), or the start of one whose rest
// is read from the input. However a line came, the reader sees no more of
// it than its first LongLine bytes and, beyond those, it is written as it
// is read: pages do not depend on how much the input holds at once.
void ModernStyle::Take(std::string_view text, class LongLine* rest, bool plain) {
    const bool isLong = rest != nullptr || text.size() > BlockReader::LongLine;
    std::string_view head = text;
    if (isLong) {
        size_t size = std::min(text.size(), BlockReader::LongLine);
        while (size > 0 && size < text.size() && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
        head = text.substr(0, size);
    }
    std::uint64_t tag = static_cast<std::uint64_t>(pass_.line_number) << TagBits | (plain ? PlainText : 0);
    if (pass_.pages.split() && !SplitLine(head, tag)) return;
    if (!isLong) {
        reader_.Add(text, tag, plain);
        return;
    }
    if (rest != nullptr) rest->CutFor(rest->facts().may_hold_links, (tag & References) != 0 && rest->facts().brackets);
    long_line_ = rest;
    long_text_ = text;
    reader_.AddLong(head, tag);
    long_line_ = nullptr;
    long_text_ = {};
}

void ModernStyle::EndDocument(bool interrupted) {
    reader_.Finish();
    CloseContents();
    EndPage(nullptr, interrupted);
}

// The end of a page: what a stopped pass says, the way to the other pages
// of a set, the footer.
void ModernStyle::EndPage(const Page* next, bool interrupted) {
    if (interrupted) Write(html::Interrupted);
    if (title_ != Title::Known) Titled({});
    std::vector<html::NavLink> links;
    if (pass_.pages.split()) {
        if (page_.name != SplitContentsPage) links.push_back({"Contents", std::string(SplitContentsPage), {}});
        if (!previous_page_.name.empty()) links.push_back({"Previous", previous_page_.name, previous_page_.title});
        if (next != nullptr) links.push_back({"Next", next->name, next->title});
    }
    StampTime stamp;
    if (pass_.time_stamp) stamp = pass_.host.Now();
    Write(html::PageEnd(links, options_.credit, pass_.time_stamp ? &stamp : nullptr));
    pass_.writer.WriteLine("");
}

void ModernStyle::Enter(const Block& block) {
    // The first paragraph of an item or a definition is its text, without <p>.
    bool first = false;
    if (!open_.empty()) {
        first = (open_.back().type == Type::Item || open_.back().type == Type::Definition) && !open_.back().has_child;
        open_.back().has_child = true;
    }
    Open open{block.type};
    if (block.type != Type::Pre && block.type != Type::Rule && block.type != Type::Heading) text_before_ = true;
    // Text written bare in an item ends its line before what follows it there.
    if (after_bare_) Write("\n");
    after_bare_ = false;
    // Blocks set in: their tags with the class of each step, whole.
    static constexpr std::string_view Terms[] = {"<dl>\n", "<dl class=\"i1\">\n", "<dl class=\"i2\">\n", "<dl class=\"i3\">\n"};
    static constexpr std::string_view Paragraphs[] = {"<p>", "<p class=\"i1\">", "<p class=\"i2\">", "<p class=\"i3\">"};
    // A pre scrolls sideways in its own box, which the keyboard can reach.
    static constexpr std::string_view Pres[] = {"<pre tabindex=\"0\">\n", "<pre tabindex=\"0\" class=\"i1\">\n",
                                                "<pre tabindex=\"0\" class=\"i2\">\n", "<pre tabindex=\"0\" class=\"i3\">\n"};
    const size_t indent = std::min<size_t>(block.indent, 3);
    switch (block.type) {
    case Type::Quote:
        Write("<blockquote>\n");
        break;
    case Type::List:
        if (block.ordered) {
            // <ol type="a" start="-12345678901234567890">: made in place.
            char tag[64] = "<ol";
            size_t size = 3;
            const auto put = [&](std::string_view part) {
                std::memcpy(tag + size, part.data(), part.size());
                size += part.size();
            };
            if (block.numbering != '1') {
                put(" type=\"");
                tag[size++] = block.numbering;
                put("\"");
            }
            if (block.start != 1) {
                put(" start=\"");
                size = static_cast<size_t>(std::to_chars(tag + size, tag + sizeof tag, block.start).ptr - tag);
                put("\"");
            }
            put(">\n");
            Write({tag, size});
        } else {
            Write("<ul>\n");
        }
        break;
    case Type::Item:
        Write("<li>");
        break;
    case Type::Terms:
        Write(Terms[indent]);
        break;
    case Type::Term:
        Write("<dt>");
        break;
    case Type::Definition:
        Write("<dd>");
        break;
    case Type::Paragraph:
        open.bare = first;
        if (!first) Write(Paragraphs[indent]);
        break;
    case Type::Pre:
        Write(Pres[indent]);
        in_pre_ = true;
        break;
    case Type::Heading:
        in_heading_ = true;
        heading_.clear();
        break;
    case Type::Rule:
        Write("<hr>\n");
        break;
    }
    open_.push_back(open);
    ++held_blocks_;
}

void ModernStyle::Leave(const Block& block) {
    const Open open = open_.back();
    open_.pop_back();
    after_bare_ = open.bare;
    switch (block.type) {
    case Type::Quote:
        Write("</blockquote>\n");
        break;
    case Type::List:
        Write(block.ordered ? std::string_view("</ol>\n") : std::string_view("</ul>\n"));
        break;
    case Type::Item:
        Write("</li>\n");
        break;
    case Type::Terms:
        Write("</dl>\n");
        break;
    case Type::Term:
        Write("</dt>\n");
        break;
    case Type::Definition:
        Write("</dd>\n");
        break;
    case Type::Paragraph:
        if (!open.bare) Write("</p>\n");
        break;
    case Type::Pre:
        Write("</pre>\n");
        in_pre_ = false;
        break;
    case Type::Heading:
        in_heading_ = false;
        Heading(block.kind);
        break;
    case Type::Rule:
        break;
    }
    if (held_ && (held_blocks_ > HeldBlocks || held_html_.size() > HeldBytes)) Titled({});
}

void ModernStyle::Text(const BlockText& text) {
    // Most text: a plain line of a paragraph, with the break before it.
    if ((text.tag & PlainText) != 0 && !in_pre_ && !in_heading_ && !held_ && title_ != Title::NameLine && !text.long_line) {
        static constexpr std::string_view Breaks[] = {"", "", "\n", "<br>\n"};
        pass_.writer.Pass(Breaks[(text.breaks > 0 ? 2 : 0) + (text.hard ? 1 : 0)], text.text);
        return;
    }
    if (in_pre_)
        for (std::uint32_t k = 0; k < text.breaks; ++k) Write("\n");
    else if (text.breaks > 0)
        Write(text.hard ? std::string_view("<br>\n") : std::string_view("\n"));
    if (in_heading_) {
        heading_.append(text.text);
        heading_tag_ = text.tag;
        return;
    }
    if (title_ == Title::NameLine) {
        // A manual page's title: its name line ("ls - list directory contents").
        Titled(std::string(text.text));
    }
    if (text.long_line)
        StreamLongLine(text.from, text.tag);
    else
        WriteText(text.text, text.tag);
}

// A heading's text is known: it is the title the page waits for, or a
// heading of the level its kind has, with an id to link to.
void ModernStyle::Heading(std::uint8_t kind) {
    // Only a heading above all text is the page's title.
    if (title_ == Title::FirstHeading && text_before_) Titled({});
    if (title_ == Title::FirstHeading) {
        if (kind == HeadingKind::Capitals && heading_ == "NAME") {
            title_ = Title::NameLine;
        } else {
            // Headings made like the title are the body's first level, as
            // are those of the next kind that comes.
            if (levels_[kind] == 0) levels_[kind] = 2;
            Titled(heading_);
            return;
        }
    }
    const char level = static_cast<char>('0' + LevelOf(kind));
    std::string& html = heading_html_;
    html.assign("<h").push_back(level);
    html += " id=\"";
    html::AppendEscaped(UniqueId(heading_), html);
    html += "\">";
    Write(html);
    WriteText(heading_, heading_tag_);
    html.assign("</h").push_back(level);
    html += ">\n";
    Write(html);
}

// Headings made alike share a level, in the order their kinds first
// appear; none is more than one level below the heading before it.
int ModernStyle::LevelOf(std::uint8_t kind) {
    if (levels_[kind] == 0) {
        deepest_ = std::min(deepest_ + 1, 6);
        levels_[kind] = static_cast<std::uint8_t>(deepest_);
    }
    last_level_ = std::min<int>(levels_[kind], last_level_ + 1);
    return last_level_;
}

// A heading's id: its slug, numbered from the second heading of a slug on.
std::string ModernStyle::UniqueId(std::string_view text) {
    ++headings_;
    if (ids_.size() >= KeptIds) return std::string(1, '_').append(std::to_string(headings_));
    std::string id = html::HeadingSlug(text);
    for (;;) {
        const auto [seen, first] = ids_.try_emplace(id, 1);
        if (first) return id;
        // "x-2" may be taken by a heading that read so: the next number then.
        id = seen->first + "-" + std::to_string(++seen->second);
    }
}

// The steps a line's text goes through: escaped, its labels linked (in
// split mode) and its addresses, all written as a modern page writes them.
void ModernStyle::BeginText(bool links, std::uint64_t tag) {
    ConversionSteps steps;
    steps.shape = false;
    steps.html = true;
    steps.anchors = &html::Anchors;
    steps.cross_references = (tag & References) != 0;
    steps.links = links;
    text_line_ = static_cast<long long>(tag >> TagBits);
    conversion_.Begin(steps, CharacterSet::Utf8, &note_reference_);
}

void ModernStyle::WriteText(std::string_view text, std::uint64_t tag) {
    if ((tag & PlainText) != 0 || ((tag & References) == 0 && html::Plain(text))) {
        Write(text);
        return;
    }
    BeginText(MayHoldLinks(text), tag);
    Write(conversion_.Convert(text, true));
}

// The text of a long line, less the skip bytes of its start that went
// before its text: from memory, or from the input piece by piece.
void ModernStyle::StreamLongLine(size_t skip, std::uint64_t tag) {
    if (long_line_ == nullptr) {
        WriteText(long_text_.substr(std::min(skip, long_text_.size())), tag);
        return;
    }
    BeginText(long_line_->facts().may_hold_links, tag);
    std::string_view piece;
    bool whole = true, last = false;
    std::string utf8;
    while (conversion_.error().empty() && long_line_->NextPiece(piece, whole, last)) {
        std::string_view text = Utf8(piece, utf8);
        const size_t skipped = std::min(skip, text.size());
        text.remove_prefix(skipped);
        skip -= skipped;
        conversion_.Convert(text, whole, last, [this](std::string_view converted) { Write(converted); });
    }
    if (!conversion_.error().empty()) pass_.pages.Fail(conversion_.error());
}

// Split mode: what the plan makes of the line. False when the line is
// done with (a contents entry, a section heading); tag tells whether its
// labels are linked.
bool ModernStyle::SplitLine(std::string_view text, std::uint64_t& tag) {
    if (text.find('[') == std::string_view::npos) {
        pass_.plan.NoLabel();
        // Blank lines between contents entries go with the list.
        if (!contents_.empty() && text.find_first_not_of(" \t") == std::string_view::npos) return false;
        CloseContents();
        return true;
    }
    std::string& trimmed = work_;
    trimmed.assign(text);
    const auto label = LabelNumber(trimmed);
    const bool startsWithLabel = !trimmed.empty() && trimmed[0] == '[';
    switch (pass_.plan.Of(label, startsWithLabel, true)) {
    case Section::None:
        CloseContents();
        return true;
    case Section::ContentsEntry:
        pass_.plan.Passed();
        if (startsWithLabel) {
            ContentsEntry(trimmed);
            return false;
        }
        break;
    case Section::Heading:
        if (const std::string pageName = PageFileName(trimmed);
            !pass_.pages.KeptAsReference(pageName, std::string_view(trimmed).substr(0, trimmed.find(']') + 1),
                                         pass_.line_number, pass_.line_number > pass_.replayed)) {
            const std::string heading = trimmed;
            SwitchPage(pageName, heading);
            pass_.plan.Passed();
            return false;
        }
        break;
    case Section::Reference:
        break;
    }
    CloseContents();
    tag |= References;
    return true;
}

// An entry of the contents list: a link to its section's page, in a list
// nested as its label is ("[4.1]" under "[4]").
void ModernStyle::ContentsEntry(std::string_view text) {
    const int depth = std::min(LabelDepth(text), DeepestContents);
    if (contents_.empty()) {
        reader_.Finish();
        Write("<nav aria-label=\"Contents\">\n<ul>\n<li>");
        contents_.push_back(depth);
    } else if (depth > contents_.back()) {
        Write("\n<ul>\n<li>");
        contents_.push_back(depth);
    } else {
        while (contents_.size() > 1 && depth < contents_.back()) {
            Write("</li>\n</ul>");
            contents_.pop_back();
        }
        Write("</li>\n<li>");
    }
    const size_t close = text.find(']');
    const std::string page = PageFileName(text);
    std::string html;
    html::AppendEscaped(text.substr(0, close + 1), html);
    std::string_view name = text.substr(close + 1);
    name.remove_prefix(std::min(name.find_first_not_of(" \t"), name.size()));
    html += " <a href=\"";
    html::AppendHref(page, html);
    html += "\">";
    html::AppendEscaped(name, html);
    html += "</a>";
    Write(html);
}

void ModernStyle::CloseContents() {
    if (contents_.empty()) return;
    for (; !contents_.empty(); contents_.pop_back()) Write("</li>\n</ul>\n");
    Write("</nav>\n");
}

// A section heading ends the page in hand and starts its own, with the
// heading (less its label) as the title.
void ModernStyle::SwitchPage(const std::string& pageName, std::string_view heading) {
    // The page's name is its label in UTF-8, which the set of a file still
    // being guessed could get wrong: the rest of the file tells for certain
    // first, and the pass starts over where it must.
    const bool beyondAscii = std::any_of(pageName.begin(), pageName.end(), [](char c) { return (c & 0x80) != 0; });
    if (pass_.input.checking() && beyondAscii && pass_.input.Settle() != pass_.set) {
        pass_.restart = true;
        return;
    }
    reader_.Finish();
    CloseContents();
    // The label and the character after it go (a character, not a byte).
    const std::string title = EncodeTitle(TextAfterLabel(TitleFromUtf8(heading)), CharacterSet::Utf8);
    const Page next{pageName, title};
    EndPage(&next, false);
    if (!pass_.pages.OpenSection(pageName, pass_.line_number)) return;
    previous_page_ = page_.name == SplitContentsPage ? Page{} : page_;
    page_ = next;
    title_ = Title::Known;
    open_.clear();
    StartPage(title);
}

}  // namespace torvex
