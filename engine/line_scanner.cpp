#include "line_scanner.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace torvex {

namespace {

// Bytes that end four spaces in a row: a space with three spaces before it,
// some of them perhaps at the end of the block before.
std::uint64_t FourSpaces(std::uint64_t spaces, std::uint64_t before) {
    return spaces & ((spaces << 1) | (before >> 63)) & ((spaces << 2) | (before >> 62)) &
           ((spaces << 3) | (before >> 61));
}

#if defined(__x86_64__)
// With AVX2, the bytes that need attention are found by their two halves:
// each half looks up the groups of wanted bytes it belongs to, and a byte
// is wanted when both halves share a group. The groups are the wanted
// bytes' first hex digits: 0 for TAB, 2 for the double quote, 3 for ":"
// "<" ">", 4 for "@", 5 for "[", A for the pound sign.
__attribute__((target("avx2"))) inline std::uint64_t Bits(__m256i hits) {
    return static_cast<unsigned>(_mm256_movemask_epi8(hits));
}

template <bool Labels, bool Utf8>
__attribute__((target("avx2"))) LineScanner::Masks ClassifyBlockAvx2(const unsigned char* block,
                                                                     std::uint64_t spacesBefore) {
    constexpr char Tab = 1, Quote = 2, Three = 4, At = 8, Bracket = 16, Pound = 32;
    const __m256i low = _mm256_setr_epi8(
        At, 0, Quote, Utf8 ? 0 : Pound, 0, 0, 0, 0, 0, Tab, Three, Labels ? Bracket : 0, Three, 0, Three, 0,  //
        At, 0, Quote, Utf8 ? 0 : Pound, 0, 0, 0, 0, 0, Tab, Three, Labels ? Bracket : 0, Three, 0, Three, 0);
    const __m256i high = _mm256_setr_epi8(
        Tab, 0, Quote, Three, At, Bracket, 0, 0, 0, 0, Utf8 ? 0 : Pound, 0, 0, 0, 0, 0,  //
        Tab, 0, Quote, Three, At, Bracket, 0, 0, 0, 0, Utf8 ? 0 : Pound, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    LineScanner::Masks masks;
    for (int k = 0; k < 2; ++k) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32 * k));
        const int shift = 32 * k;
        masks.lf |= Bits(_mm256_cmpeq_epi8(x, _mm256_set1_epi8('\n'))) << shift;
        masks.spaces |= Bits(_mm256_cmpeq_epi8(x, _mm256_set1_epi8(' '))) << shift;
        const __m256i groups = _mm256_and_si256(_mm256_shuffle_epi8(low, _mm256_and_si256(x, nibble)),
                                                _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble)));
        std::uint64_t wanted = ~Bits(_mm256_cmpeq_epi8(groups, _mm256_setzero_si256())) & 0xFFFFFFFFull;
        if constexpr (Utf8) wanted |= Bits(x);  // the top bit is what counts
        masks.attention |= wanted << shift;
    }
    masks.four_spaces = FourSpaces(masks.spaces, spacesBefore);
    return masks;
}

template <bool Labels, bool Utf8>
LineScanner::Masks ClassifyBlock(const unsigned char* block, std::uint64_t spacesBefore) {
    const auto splat = [](char c) { return _mm_set1_epi8(c); };
    LineScanner::Masks masks;
    for (int k = 0; k < 4; ++k) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * k));
        const auto bits = [k](__m128i hits) {
            return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hits))) << (16 * k);
        };
        masks.lf |= bits(_mm_cmpeq_epi8(x, splat('\n')));
        masks.spaces |= bits(_mm_cmpeq_epi8(x, splat(' ')));
        // "<" and ">" differ in one bit only.
        __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(x, splat(2)), splat('>')),
                                    _mm_or_si128(_mm_cmpeq_epi8(x, splat('"')), _mm_cmpeq_epi8(x, splat('\t'))));
        hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(x, splat('@')), _mm_cmpeq_epi8(x, splat(':'))));
        if constexpr (Labels) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(x, splat('[')));
        if constexpr (Utf8)
            hits = _mm_or_si128(hits, x);  // the top bit is what counts
        else
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(x, splat(static_cast<char>(0xA3))));
        masks.attention |= bits(hits);
    }
    masks.four_spaces = FourSpaces(masks.spaces, spacesBefore);
    return masks;
}
#else
template <bool Labels, bool Utf8>
LineScanner::Masks ClassifyBlock(const unsigned char* block, std::uint64_t spacesBefore) {
    LineScanner::Masks masks;
    for (int i = 0; i < 64; ++i) {
        const unsigned char c = block[i];
        const std::uint64_t bit = std::uint64_t(1) << i;
        if (c == '\n') masks.lf |= bit;
        if (c == ' ') masks.spaces |= bit;
        const bool wanted = c == '<' || c == '>' || c == '"' || c == '\t' || c == '@' || c == ':' ||
                            (Labels && c == '[') || (Utf8 ? c >= 0x80 : c == 0xA3);
        if (wanted) masks.attention |= bit;
    }
    masks.four_spaces = FourSpaces(masks.spaces, spacesBefore);
    return masks;
}
#endif

}  // namespace

void LineScanner::Configure(bool labels, CharacterSet set) {
    block_ = npos;
    const bool utf8 = set == CharacterSet::Utf8;
    classify_ = labels ? (utf8 ? ClassifyBlock<true, true> : ClassifyBlock<true, false>)
                       : (utf8 ? ClassifyBlock<false, true> : ClassifyBlock<false, false>);
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        classify_ = labels ? (utf8 ? ClassifyBlockAvx2<true, true> : ClassifyBlockAvx2<true, false>)
                           : (utf8 ? ClassifyBlockAvx2<false, true> : ClassifyBlockAvx2<false, false>);
#endif
}

void LineScanner::Reset(const char* data, size_t size) {
    data_ = data;
    size_ = size;
    block_ = npos;
}

// Blocks are classified in order; a line never starts with a space that
// belongs to a run before it (an LF stands between), so a block that does
// not follow the last one may start as if after no spaces at all.
void LineScanner::Classify(size_t block) {
    const std::uint64_t before = block_ != npos && block == block_ + 64 ? masks_.spaces : 0;
    masks_ = classify_(reinterpret_cast<const unsigned char*>(data_) + block, before);
    block_ = block;
    if (size_ - block < 64) {
        const std::uint64_t inside = (std::uint64_t(1) << (size_ - block)) - 1;
        masks_.lf &= inside;
        masks_.attention &= inside;
        masks_.four_spaces &= inside;
        masks_.spaces &= inside;
    }
}

}  // namespace torvex
