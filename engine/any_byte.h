// "Does this line hold any of these bytes?", asked of every line by the
// escaping and link steps: answered sixteen bytes at a time.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace torvex {

using ByteBlock = unsigned char __attribute__((vector_size(16)));

// Whether any byte of text is one that blockHits marks in a ByteBlock (its
// lanes set where a byte is wanted) or, for a text shorter than a block,
// that isWanted accepts.
template <class BlockHits, class IsWanted>
bool AnyByte(std::string_view text, BlockHits blockHits, IsWanted isWanted) {
    const auto anyAt = [&](size_t at) {
        ByteBlock block;
        std::memcpy(&block, text.data() + at, sizeof block);
        const auto hits = blockHits(block);
        std::uint64_t halves[2];
        std::memcpy(halves, &hits, sizeof halves);
        return (halves[0] | halves[1]) != 0;
    };
    if (text.size() < sizeof(ByteBlock)) {
        for (char c : text)
            if (isWanted(c)) return true;
        return false;
    }
    size_t at = 0;
    for (; at + sizeof(ByteBlock) <= text.size(); at += sizeof(ByteBlock))
        if (anyAt(at)) return true;
    // The last block overlaps bytes already seen, which changes nothing here.
    return at < text.size() && anyAt(text.size() - sizeof(ByteBlock));
}

}  // namespace torvex
