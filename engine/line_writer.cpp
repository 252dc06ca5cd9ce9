#include "line_writer.h"

#include <algorithm>

#include "page_sink.h"

namespace torvex {

namespace {

constexpr size_t DefaultHeldInMemory = size_t(4) << 20;

}  // namespace

LineWriter::LineWriter() : held_in_memory_(DefaultHeldInMemory) {}

LineWriter::~LineWriter() = default;

void LineWriter::SetPage(PageSink* page) {
    if (page == page_) return;
    Flush(pending_);
    page_ = page;
    if (page_ == nullptr && pending_spill_->size() == 0 && adding_spill_->size() == 0) {
        pending_spill_->Close();
        adding_spill_->Close();
    }
}

void LineWriter::WriteLine(std::string_view line, Heading heading, bool holdsParagraph) {
    Append(line);
    EndLine(heading, holdsParagraph);
    // Whatever is written reaches the page at once: the page may be closed next.
    Flush(pending_);
}

void LineWriter::Grow(size_t n) {
    const size_t capacity = std::max({size_ + n, 2 * capacity_, WrittenAtOnce + 4096});
    std::unique_ptr<char[]> data(new char[capacity]);
    if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
}

// Adds bytes that never leave memory.
void LineWriter::Put(std::string_view bytes) {
    if (bytes.empty()) return;
    std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
    size_ += bytes.size();
}

// The line being added has grown too long to hold: all but its last bytes
// go to the page, when it is known to be no underline (so nothing before it
// is held back) and the page can take a tag in front of it later, else to a
// temporary file.
void LineWriter::Spill() {
    if (adding_head_ != Head::Page && pending_final_ && page_ != nullptr && page_->CanInsert()) {
        Flush(adding_);
        adding_at_ = page_->size();
        if (adding_head_ == Head::Spill) WriteSpilled(*adding_spill_);
        adding_head_ = Head::Page;
    } else if (adding_head_ == Head::Memory) {
        adding_head_ = Head::Spill;
    }
    const size_t moved = size_ - adding_ - Kept;
    if (adding_head_ == Head::Page) {
        page_->Write({data_.get() + adding_, moved});
    } else if (!adding_spill_->Append({data_.get() + adding_, moved}) && error_.empty()) {
        error_ = adding_spill_->Describe("a long line");
    }
    std::memmove(data_.get() + adding_, data_.get() + adding_ + moved, Kept);
    size_ -= moved;
}

std::string LineWriter::PendingLine() {
    std::string line;
    if (pending_head_ == Head::Spill) {
        line.resize(pending_spill_->size());
        line.resize(pending_spill_->ReadAt(0, line.data(), line.size()));
    } else if (pending_head_ == Head::Page) {
        line.resize(page_->size() - pending_at_);
        line.resize(page_->ReadAt(pending_at_, line.data(), line.size()));
    }
    return line.append(data_.get() + pending_, adding_ - pending_);
}

void LineWriter::NoUnderline() {
    if (pending_final_) return;
    WritePending();
    pending_ = adding_;
    pending_final_ = true;
}

void LineWriter::EndLineSlowly(Heading heading, bool holdsParagraph) {
    // An underline that made a heading is an empty line now, with no "<P>".
    if (heading != Heading::None && MakeHeading(heading)) holdsParagraph = false;
    if (!pending_final_) WritePending();
    std::swap(pending_spill_, adding_spill_);
    pending_head_ = adding_head_;
    pending_at_ = adding_at_;
    adding_head_ = Head::Memory;
    pending_ = adding_;
    adding_ = size_;
    pending_paragraph_ = holdsParagraph;
    pending_final_ = false;
    if (pending_ >= WrittenAtOnce) Flush(pending_);
}

// What of the held-back line is not in memory goes to the page now; the
// rest is written with the lines after it.
void LineWriter::WritePending() {
    if (pending_head_ == Head::Spill) {
        Flush(pending_);
        WriteSpilled(*pending_spill_);
    }
    pending_head_ = Head::Memory;
}

// The held-back line above an underline loses its line end and "<BR>";
// unless it holds "<P>" it becomes the heading, and the underline an empty
// line. True when it did.
bool LineWriter::MakeHeading(Heading level) {
    const auto removeEnd = [this](std::string_view end) {
        if (adding_ - pending_ >= end.size() && std::string_view(data_.get() + adding_ - end.size(), end.size()) == end) {
            std::memmove(data_.get() + adding_ - end.size(), data_.get() + adding_, size_ - adding_);
            adding_ -= end.size();
            size_ -= end.size();
        }
    };
    removeEnd(markup::LineEnd);
    removeEnd(markup::Break);
    if (pending_paragraph_) return false;
    std::string_view open = TagsOf(level).open;
    const std::string_view close = TagsOf(level).close;
    adding_spill_->Clear();
    adding_head_ = Head::Memory;
    if (pending_head_ == Head::Page) {
        page_->Insert(pending_at_, open);  // nothing before the line is still in memory
        open = {};
    } else if (pending_head_ == Head::Spill) {
        Flush(pending_);
        if (page_ != nullptr) page_->Write(open);
        WriteSpilled(*pending_spill_);
        open = {};
    }
    pending_head_ = Head::Memory;
    // The held-back line in memory, with its tags, then the empty line.
    std::string heading(open);
    heading.append(data_.get() + pending_, adding_ - pending_).append(close);
    size_ = pending_;
    Put(heading);
    adding_ = size_;
    Put(markup::LineEnd);
    return true;
}

// Writes the first `bytes` of the buffer (lines already written) to the
// page and drops them.
void LineWriter::Flush(size_t bytes) {
    if (bytes == 0) return;
    if (page_ != nullptr) page_->Write({data_.get(), bytes});
    Drop(bytes);
}

void LineWriter::Drop(size_t bytes) {
    std::memmove(data_.get(), data_.get() + bytes, size_ - bytes);
    size_ -= bytes;
    pending_ -= bytes;
    adding_ -= bytes;
}

void LineWriter::WriteSpilled(ScratchFile& file) {
    std::string chunk(WrittenAtOnce, '\0');
    for (unsigned long long at = 0; at < file.size();) {
        const size_t n = file.ReadAt(at, chunk.data(), static_cast<size_t>(std::min<unsigned long long>(chunk.size(), file.size() - at)));
        if (n == 0) {
            if (error_.empty()) error_ = file.Describe("a long line");
            break;
        }
        if (page_ != nullptr) page_->Write({chunk.data(), n});
        at += n;
    }
    file.Clear();
}

void LineWriter::Discard() {
    size_ = pending_ = adding_ = 0;
    pending_paragraph_ = pending_final_ = false;
    pending_head_ = adding_head_ = Head::Memory;
    pending_spill_->Clear();
    adding_spill_->Clear();
    error_.clear();
}

}  // namespace torvex
