// The single writer of every page byte. It holds each submitted line back by
// one call, so that the line below it, when the pass finds it an underline,
// can still turn it into a heading.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "page_markup.h"
#include "scratch_file.h"

namespace torvex {

class PageSink;

// The page's bytes are gathered here before they go to the page: the lines
// already written, then the held-back line, then the line being added. The
// first part of a line of many megabytes leaves memory: it is written to
// the page as soon as the line is known to stay as it is (a heading's tag
// is put in front of it there, should one be needed), or else kept in an
// unnamed temporary file.
class LineWriter {
public:
    LineWriter();
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // The page that written lines go to; null writes nowhere. What was
    // written for the page before stays with it.
    void SetPage(PageSink* page);
    // The character set of the pages written from now on.
    // A longer line leaves memory but for its last bytes.
    void SetHeldInMemory(size_t bytes) { held_in_memory_ = bytes; }

    // Writes the line held back, and holds back `line`. A line that is an
    // underline (see EndLine) makes the line held back `heading`, and is
    // held back as an empty line in its place.
    void WriteLine(std::string_view line, Heading heading = Heading::None, bool holdsParagraph = false);

    // The same for a line that is added in place, straight from where it
    // is made: Room and Added, or Append, as often as needed, then EndLine.
    // Room gives space for n more bytes of the line (valid until the next
    // call on the writer), Added counts those written there.
    char* Room(size_t n) {
        if (capacity_ - size_ < n) Grow(n);
        return data_.get() + size_;
    }
    void Added(size_t n) {
        size_ += n;
        if (size_ - adding_ > held_in_memory_ + Kept) Spill();
    }
    void Append(std::string_view bytes) {
        if (bytes.empty()) return;
        std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
        Added(bytes.size());
    }
    // The line being added is known to be no underline (before its end):
    // the held-back line is written as it stands.
    void NoUnderline();
    // Bytes of a page that makes no line a heading once written (its
    // style has the look-ahead to know): they go to the page a quarter of
    // a megabyte at a time, with nothing held back.
    void Pass(std::string_view bytes) {
        if (bytes.empty()) return;
        std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
        size_ += bytes.size();
        pending_ = adding_ = size_;
        if (size_ >= WrittenAtOnce) Flush(size_);
    }
    // The same for two runs of bytes, one after the other.
    void Pass(std::string_view first, std::string_view second) {
        char* to = Room(first.size() + second.size());
        std::memcpy(to, first.data(), first.size());
        std::memcpy(to + first.size(), second.data(), second.size());
        size_ += first.size() + second.size();
        pending_ = adding_ = size_;
        if (size_ >= WrittenAtOnce) Flush(size_);
    }
    // The line added is complete. heading: it is an underline, and the
    // held-back line becomes that heading unless it holds "<P>";
    // holdsParagraph: this line holds one.
    void EndLine(Heading heading, bool holdsParagraph) {
        if (heading != Heading::None || pending_head_ != Head::Memory || adding_head_ != Head::Memory)
            return EndLineSlowly(heading, holdsParagraph);
        pending_ = adding_;
        adding_ = size_;
        pending_paragraph_ = holdsParagraph;
        pending_final_ = false;
        if (pending_ >= WrittenAtOnce) Flush(pending_);
    }

    std::string PendingLine();
    // Drops the held-back line of a page that failed, and whatever of that
    // page was not written yet, so that none of it reaches the next page.
    void Discard();

    // A temporary file for a long line could not be made or written.
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

private:
    // The bytes of a long line kept in memory: enough for the line end and
    // "<BR>" that a heading drops.
    static constexpr size_t Kept = 8;
    // Lines written are handed to the page a quarter of a megabyte at a
    // time, which the page writes straight out.
    static constexpr size_t WrittenAtOnce = size_t(1) << 18;
    // Where the first part of a line is when not all of it is in memory.
    enum class Head { Memory, Page, Spill };

    void EndLineSlowly(Heading heading, bool holdsParagraph);
    void Grow(size_t n);
    void Put(std::string_view bytes);
    void Spill();
    bool MakeHeading(Heading heading);
    void WritePending();
    void Flush(size_t bytes);
    void WriteSpilled(ScratchFile& file);
    void Drop(size_t bytes);

    PageSink* page_ = nullptr;
    size_t held_in_memory_;

    std::unique_ptr<char[]> data_;
    size_t size_ = 0, capacity_ = 0;
    size_t pending_ = 0;  // where the held-back line starts; before it, lines written
    bool pending_paragraph_ = false;
    bool pending_final_ = false;  // the held-back line is written as it stands
    size_t adding_ = 0;   // where the line being added starts
    Head pending_head_ = Head::Memory, adding_head_ = Head::Memory;
    unsigned long long pending_at_ = 0, adding_at_ = 0;  // where in the page a head written there starts
    ScratchFile spills_[2];
    ScratchFile* pending_spill_ = &spills_[0];
    ScratchFile* adding_spill_ = &spills_[1];
    std::string error_;
};

}  // namespace torvex
