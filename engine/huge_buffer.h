// Room for a huge line. A line of hundreds of megabytes fills its buffers
// with fresh memory, one page fault per 4 KB; asking the kernel for huge
// pages there makes that 512 times fewer. Small buffers are left alone.
#pragma once

#include <string>

namespace torvex {

// Reserves capacity in text (as std::string::reserve) and, when that is
// large, advises the kernel to back it with huge pages.
void ReserveHuge(std::string& text, size_t capacity);

}  // namespace torvex
