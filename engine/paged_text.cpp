#include "paged_text.h"

#include <algorithm>
#include <cstring>

namespace torvex {

PagedText::PagedText(size_t memoryLimit, size_t page) : memory_limit_(memoryLimit), page_size_(std::max<size_t>(page, 1)) {}

bool PagedText::Append(std::string_view bytes) {
    size_ += bytes.size();
    memory_.append(bytes);
    if (!spilled_ && memory_.size() <= memory_limit_) return true;
    spilled_ = true;
    return memory_.size() < page_size_ || Flush();
}

void PagedText::Clear() {
    size_ = 0;
    spilled_ = false;
    memory_.clear();
    file_.Clear();
    page_.clear();
    page_begin_ = 0;
}

bool PagedText::Flush() {
    const bool written = file_.Append(memory_);
    memory_.clear();
    return written;
}

// Makes the page that holds at the page in hand; false when it cannot be read.
bool PagedText::Load(size_t at) {
    if (at - page_begin_ < page_.size()) return true;
    if (!memory_.empty()) Flush();
    if (at >= size_) return false;
    page_begin_ = at - at % page_size_;
    page_.resize(std::min(page_size_, size_ - page_begin_));
    page_.resize(file_.ReadAt(page_begin_, page_.data(), page_.size()));
    return at - page_begin_ < page_.size();
}

size_t PagedText::Find(char c, size_t from, size_t to) {
    to = std::min(to, size_);
    if (!spilled_) {
        const void* hit = from < to ? std::memchr(memory_.data() + from, c, to - from) : nullptr;
        return hit == nullptr ? std::string_view::npos : static_cast<size_t>(static_cast<const char*>(hit) - memory_.data());
    }
    while (from < to) {
        if (!Load(from)) return std::string_view::npos;  // the file cannot be read
        const size_t in = from - page_begin_, n = std::min(page_.size(), to - page_begin_) - in;
        if (const void* hit = std::memchr(page_.data() + in, c, n))
            return page_begin_ + static_cast<size_t>(static_cast<const char*>(hit) - page_.data());
        from += n;
    }
    return std::string_view::npos;
}

void PagedText::ForEachPart(size_t from, size_t to, const std::function<void(std::string_view)>& take) {
    to = std::min(to, size_);
    if (!spilled_) {
        if (from < to) take(std::string_view(memory_).substr(from, to - from));
        return;
    }
    while (from < to) {
        if (!Load(from)) return;
        const size_t in = from - page_begin_, n = std::min(page_.size(), to - page_begin_) - in;
        take(std::string_view(page_).substr(in, n));
        from += n;
    }
}

}  // namespace torvex
