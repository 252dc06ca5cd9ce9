// Finds the lines in a buffer of input and tells for each whether it holds
// a byte that needs attention: one that is escaped, that may start a link
// or a label, or that takes more than a byte. A line without any is copied
// to the page as it stands. The bytes are classified 64 at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "character_set.h"

namespace torvex {

struct ScannedLine {
    size_t end = 0;              // where its LF is
    bool attention = false;      // it holds a byte that needs attention
    size_t four_spaces = npos;   // the first byte that ends four spaces in a row, or npos
    size_t last_four_spaces = npos;  // and the last
    size_t continuations = 0;    // UTF-8 known to be valid: the bytes that do not start a character
    static constexpr size_t npos = std::string_view::npos;
};

// Which bytes that need attention a line holds, for the steps that have
// something to do with them.
struct AttentionKinds {
    bool escaped = false;  // "<" ">" the double quote, or 0xA3 (the pound sign, or part of one)
    bool at = false;       // "@"
    bool colon = false;    // ":"
    bool tab = false;
};
AttentionKinds KindsOfAttention(std::string_view text);

// The bits set in x, counted in a few steps where the processor may have
// no instruction for it (the library's own count is a call).
inline size_t CountBits(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<size_t>((x * 0x0101010101010101ull) >> 56);
}

class LineScanner {
public:
    // The bytes that need attention besides "<" ">" the double quote "@"
    // ":" and TAB: "[" where labels are read; in an ISO 8859-1 page the
    // pound sign; in a UTF-8 page every byte above 127, or, where the text
    // is known to be valid UTF-8, the pound sign only (its other characters
    // are counted). html (a modern page, whatever the set): every byte
    // above 127, "&", the control characters and DEL too. shape: lines
    // are told with their runs of four spaces and (in valid UTF-8) their
    // continuation bytes; else those are left unseen (npos and 0).
    void Configure(bool labels, CharacterSet set, bool valid, bool html = false, bool shape = true);

    // Data to scan from its start. The buffer must be readable up to the
    // next multiple of 64 bytes past size (what lies there is ignored).
    void Reset(const char* data, size_t size);

    // The line that starts at `from`: false when no LF follows in the data.
    bool Scan(size_t from, ScannedLine& line) {
        size_t block = from & ~size_t(63);
        const BlockMasks* masks = MasksOf(block);
        std::uint64_t keep = ~std::uint64_t(0) << (from & 63);
        bool attention = false;
        size_t fourSpaces = npos, lastFourSpaces = npos, continuations = 0;
        for (;;) {
            const std::uint64_t lf = masks->lf & keep;
            const std::uint64_t before = lf != 0 ? (lf & (0 - lf)) - 1 : ~std::uint64_t(0);  // bits before the LF
            attention = attention || (masks->attention & keep & before) != 0;
            if (const std::uint64_t bytes = masks->continuations & keep & before; bytes != 0)
                continuations += CountBits(bytes);
            if (const std::uint64_t runs = masks->four_spaces & keep & before; runs != 0) {
                if (fourSpaces == npos) fourSpaces = block + static_cast<size_t>(__builtin_ctzll(runs));
                lastFourSpaces = block + 63 - static_cast<size_t>(__builtin_clzll(runs));
            }
            if (lf != 0) {
                line.end = block + static_cast<size_t>(__builtin_ctzll(lf));
                line.attention = attention;
                line.four_spaces = fourSpaces;
                line.last_four_spaces = lastFourSpaces;
                line.continuations = continuations;
                return true;
            }
            block += 64;
            if (block >= size_) return false;
            masks = MasksOf(block);
            keep = ~std::uint64_t(0);
        }
    }

    // The lines from `from` on while each ends in the data and is at most
    // `longest` bytes long, at most `most` of them, each handed to
    // take(start, line) as Scan would give it (its places count from the
    // data's start); take returns false to leave the line and stop. Where
    // the first line not taken starts. One loop over the blocks' masks,
    // with no call per line but take's.
    template <class Take>
    size_t Lines(size_t from, size_t longest, size_t most, Take&& take) {
        if (most == 0 || from >= size_) return from;
        size_t block = from & ~size_t(63);
        size_t start = from;
        ScannedLine line;  // what is known of the line begun
        std::uint64_t keep = ~std::uint64_t(0) << (from & 63);
        for (;;) {
            const BlockMasks& masks = *MasksOf(block);
            std::uint64_t lf = masks.lf & keep, attention = masks.attention & keep, runs = masks.four_spaces & keep,
                          bytes = masks.continuations & keep;
            for (; lf != 0; lf &= lf - 1) {
                const std::uint64_t before = (lf & (0 - lf)) - 1;
                if ((runs | bytes | attention) != 0) {
                    Add(block, runs & before, bytes & before, line);
                    line.attention = line.attention || (attention & before) != 0;
                    runs &= ~before;
                    bytes &= ~before;
                    attention &= ~before;
                }
                line.end = block + static_cast<size_t>(__builtin_ctzll(lf));
                if (line.end - start > longest || !take(start, line)) return start;
                start = line.end + 1;
                if (--most == 0) return start;
                line = {};
            }
            Add(block, runs, bytes, line);
            line.attention = line.attention || attention != 0;
            block += 64;
            if (block >= size_) return start;
            keep = ~std::uint64_t(0);
        }
    }

    // Blocks of data are read this far past their end.
    static constexpr size_t Padding = 64;

    // What the bytes of a block of 64 are, a bit each.
    struct BlockMasks {
        std::uint64_t lf = 0, attention = 0, four_spaces = 0, continuations = 0;
    };
    // What a block leaves to the next: its spaces (a run of four may go
    // on) and its bytes C2 (the pound sign's first byte in UTF-8).
    struct Carry {
        std::uint64_t spaces = 0, c2 = 0;
    };
    // Classifies `blocks` blocks from data into out, carry going from each to the next.
    using Classifier = void (*)(const unsigned char* data, size_t blocks, Carry& carry, BlockMasks* out);

private:
    // Blocks are classified this many at a time, in one call.
    static constexpr size_t Window = 32;

    const BlockMasks* MasksOf(size_t block) {
        const size_t i = (block - window_) / 64;  // far beyond the window for a block before it
        return i < window_blocks_ ? &window_masks_[i] : Classify(block);
    }
    const BlockMasks* Classify(size_t block);
    // Runs of four spaces and continuation bytes of a block, to the line they belong to.
    static void Add(size_t block, std::uint64_t runs, std::uint64_t bytes, ScannedLine& line) {
        if (runs != 0) {
            if (line.four_spaces == npos) line.four_spaces = block + static_cast<size_t>(__builtin_ctzll(runs));
            line.last_four_spaces = block + 63 - static_cast<size_t>(__builtin_clzll(runs));
        }
        if (bytes != 0) line.continuations += CountBits(bytes);
    }

    Classifier classify_ = nullptr;
    const char* data_ = nullptr;
    size_t size_ = 0;
    size_t window_ = 0, window_blocks_ = 0;  // where the blocks classified last start, and how many
    Carry carry_;                            // from the last of them
    BlockMasks window_masks_[Window];
    static constexpr size_t npos = ScannedLine::npos;
};

}  // namespace torvex
