#include "huge_buffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace torvex {

namespace {

constexpr size_t HugePage = size_t(2) << 20;
constexpr size_t Worthwhile = size_t(8) << 20;

}  // namespace

void ReserveHuge(std::string& text, size_t capacity) {
    if (capacity <= text.capacity()) return;
    text.reserve(capacity);
    if (text.capacity() < Worthwhile) return;
    // Only whole huge pages inside the buffer; the advice is a hint, and a
    // kernel that does not take it changes nothing but the speed.
    const auto begin = reinterpret_cast<std::uintptr_t>(text.data());
    const auto first = (begin + HugePage - 1) & ~(HugePage - 1);
    const auto last = (begin + text.capacity()) & ~(HugePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace torvex
