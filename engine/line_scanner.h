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

class LineScanner {
public:
    // The bytes that need attention besides "<" ">" the double quote "@"
    // ":" and TAB: "[" where labels are read; in an ISO 8859-1 page the
    // pound sign; in a UTF-8 page every byte above 127, or, where the text
    // is known to be valid UTF-8, the pound sign only (its other characters
    // are counted). html (a modern page, whatever the set): every byte
    // above 127, "&", the control characters and DEL too.
    void Configure(bool labels, CharacterSet set, bool valid, bool html = false);

    // Data to scan from its start. The buffer must be readable up to the
    // next multiple of 64 bytes past size (what lies there is ignored).
    void Reset(const char* data, size_t size);

    // The line that starts at `from`: false when no LF follows in the data.
    bool Scan(size_t from, ScannedLine& line) {
        const size_t block = from & ~size_t(63);
        if (block != block_) Classify(block);
        std::uint64_t keep = ~std::uint64_t(0) << (from & 63);
        bool attention = false;
        size_t fourSpaces = npos, lastFourSpaces = npos, continuations = 0;
        for (;;) {
            const std::uint64_t lf = masks_.lf & keep;
            const std::uint64_t before = lf != 0 ? (lf & (0 - lf)) - 1 : ~std::uint64_t(0);  // bits before the LF
            attention = attention || (masks_.attention & keep & before) != 0;
            if (const std::uint64_t bytes = masks_.continuations & keep & before; bytes != 0)
                continuations += static_cast<size_t>(__builtin_popcountll(bytes));
            if (const std::uint64_t runs = masks_.four_spaces & keep & before; runs != 0) {
                if (fourSpaces == npos) fourSpaces = block_ + static_cast<size_t>(__builtin_ctzll(runs));
                lastFourSpaces = block_ + 63 - static_cast<size_t>(__builtin_clzll(runs));
            }
            if (lf != 0) {
                line.end = block_ + static_cast<size_t>(__builtin_ctzll(lf));
                line.attention = attention;
                line.four_spaces = fourSpaces;
                line.last_four_spaces = lastFourSpaces;
                line.continuations = continuations;
                return true;
            }
            if (block_ + 64 >= size_) return false;
            Classify(block_ + 64);
            keep = ~std::uint64_t(0);
        }
    }

    // The lines from `from` on while each ends in the data, holds no byte
    // that needs attention and is at most `longest` bytes long, at most
    // `most` of them, each handed to take(start, line) as Scan would give
    // it (its places count from the data's start). Where the first line
    // not taken starts. One loop over the blocks' masks, with no call per
    // line but take's.
    template <class Take>
    size_t PlainLines(size_t from, size_t longest, size_t most, Take&& take) {
        if (most == 0 || from >= size_) return from;
        if (const size_t block = from & ~size_t(63); block != block_) Classify(block);
        size_t start = from;
        std::uint64_t keep = ~std::uint64_t(0) << (from & 63);
        ScannedLine line;
        for (;;) {
            const std::uint64_t lf = masks_.lf & keep;
            const std::uint64_t before = lf != 0 ? (lf & (0 - lf)) - 1 : ~std::uint64_t(0);
            if ((masks_.attention & keep & before) != 0) return start;
            if (const std::uint64_t bytes = masks_.continuations & keep & before; bytes != 0)
                line.continuations += static_cast<size_t>(__builtin_popcountll(bytes));
            if (const std::uint64_t runs = masks_.four_spaces & keep & before; runs != 0) {
                if (line.four_spaces == npos) line.four_spaces = block_ + static_cast<size_t>(__builtin_ctzll(runs));
                line.last_four_spaces = block_ + 63 - static_cast<size_t>(__builtin_clzll(runs));
            }
            if (lf == 0) {
                if (block_ + 64 >= size_) return start;
                Classify(block_ + 64);
                keep = ~std::uint64_t(0);
                continue;
            }
            line.end = block_ + static_cast<size_t>(__builtin_ctzll(lf));
            if (line.end - start > longest) return start;
            take(start, line);
            start = line.end + 1;
            if (--most == 0) return start;
            keep = ~(before | (lf & (0 - lf)));  // the bits after the LF
            line = {};
        }
    }

    // Blocks of data are read this far past their end.
    static constexpr size_t Padding = 64;

    struct Masks {
        std::uint64_t lf = 0, attention = 0, four_spaces = 0, spaces = 0, continuations = 0, c2 = 0;
    };
    // Classifies a block into masks, which hold those of the block before.
    using Classifier = void (*)(const unsigned char* block, Masks& masks);

private:
    void Classify(size_t block);

    Classifier classify_ = nullptr;
    const char* data_ = nullptr;
    size_t size_ = 0;
    size_t block_ = npos;  // the block of 64 bytes classified last
    Masks masks_;
    static constexpr size_t npos = ScannedLine::npos;
};

}  // namespace torvex
