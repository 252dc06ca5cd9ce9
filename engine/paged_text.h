// A text that may grow too long for memory: a run of hundreds of megabytes
// without a space that the link step must see whole. It stays in memory up
// to a limit; beyond it, it goes to a scratch file and is read back a page
// at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "scratch_file.h"

namespace torvex {

class PagedText {
public:
    // In memory up to memoryLimit bytes, then read back page bytes at a time.
    PagedText(size_t memoryLimit, size_t page);

    // False when the scratch file fails (see error()).
    bool Append(std::string_view bytes);
    void Clear();

    size_t size() const { return size_; }
    // The whole text, as long as it is in memory.
    bool InMemory() const { return !spilled_; }
    std::string_view Memory() const { return memory_; }

    // Reading, once every byte has been appended. A byte that cannot be
    // read back is taken as a NUL; error() then tells why.
    char At(size_t at) {
        if (!spilled_) return memory_[at];
        if (at - page_begin_ < page_.size() || Load(at)) return page_[at - page_begin_];
        return '\0';
    }
    // The first c in [from, to), or npos.
    size_t Find(char c, size_t from, size_t to);
    // Gives the bytes of [from, to) to take, a page or less at a time.
    void ForEachPart(size_t from, size_t to, const std::function<void(std::string_view)>& take);

    bool failed() const { return file_.failed(); }
    std::string error() const { return file_.Describe("a long line"); }

private:
    bool Flush();
    bool Load(size_t at);

    size_t memory_limit_, page_size_;
    size_t size_ = 0;
    bool spilled_ = false;
    std::string memory_;  // the text, or once spilled, what is still to be written
    ScratchFile file_;
    std::string page_;  // once spilled, the bytes from page_begin_ on
    size_t page_begin_ = 0;
};

// Where a step over a PagedText writes: its result gathered into parts of
// about a page and handed on one by one.
class PartWriter {
public:
    PartWriter(size_t part, std::function<void(std::string_view)> take) : part_(part), take_(std::move(take)) {}

    PartWriter& append(std::string_view bytes) {
        buffer_.append(bytes);
        if (buffer_.size() >= part_) Flush();
        return *this;
    }
    // Hands on what is gathered; the writer's user calls it once more at the end.
    void Flush() {
        if (!buffer_.empty()) take_(buffer_);
        buffer_.clear();
    }

private:
    size_t part_;
    std::function<void(std::string_view)> take_;
    std::string buffer_;
};

}  // namespace torvex
