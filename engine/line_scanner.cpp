#include "line_scanner.h"

#include <algorithm>

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

// What a block's bytes are; out holds the masks of the block before (or
// none) and gets this block's.
// Page says which bytes above 127 need attention: in ISO 8859-1 the pound
// sign; in UTF-8 that may not be valid, all of them; in valid UTF-8 only
// the pound sign (C2 A3), the others being counted as characters. Html: a
// modern page, where every byte above 127, "&", the control characters and
// DEL need attention too.
enum class Page { Latin1, Utf8, ValidUtf8, Html };

// A block's bits as its bytes are tested.
struct Bits {
    std::uint64_t lf = 0, wanted = 0, spaces = 0, continuations = 0, c2 = 0, a3 = 0;
};

// The masks of a block from its bits and what the block before left.
template <Page P, bool Shape>
inline void Finish(const Bits& bits, LineScanner::Carry& carry, LineScanner::BlockMasks& out) {
    out.lf = bits.lf;
    out.attention = bits.wanted;
    if constexpr (P == Page::ValidUtf8) out.attention |= bits.a3 & ((bits.c2 << 1) | (carry.c2 >> 63));
    out.four_spaces = Shape ? FourSpaces(bits.spaces, carry.spaces) : 0;
    out.continuations = Shape ? bits.continuations : 0;
    carry = {bits.spaces, bits.c2};
}

#if defined(__x86_64__)
// With AVX2, the ASCII bytes that need attention are found by their two
// halves: each half looks up the groups of wanted bytes it belongs to, and
// a byte is wanted when both halves share a group. The groups are the
// wanted bytes' first hex digits: 0 for TAB, 2 for the double quote, 3 for
// ":" "<" ">", 4 for "@", 5 for "[", A for the pound sign.
__attribute__((target("avx2"))) inline std::uint64_t Mask(__m256i hits) {
    return static_cast<unsigned>(_mm256_movemask_epi8(hits));
}

template <bool Labels, Page P, bool Shape>
__attribute__((target("avx2"))) void ClassifyAvx2(const unsigned char* data, size_t blocks, LineScanner::Carry& carry,
                                                  LineScanner::BlockMasks* out) {
    constexpr char Tab = 1, Quote = 2, Three = 4, At = 8, Bracket = 16, Pound = P == Page::Latin1 ? 32 : 0;
    constexpr char L = Labels ? Bracket : 0;
    // A modern page's: "&" (with the double quote's group), the controls
    // (high half 0 or 1, any low half) and DEL.
    constexpr bool H = P == Page::Html;
    constexpr char Amp = H ? Quote : 0, C = H ? 64 : 0, Del = H ? static_cast<char>(128) : 0;
    const __m256i low = _mm256_setr_epi8(At | C, C, Quote | C, Pound | C, C, C, Amp | C, C, C, Tab | C, Three | C, L | C,
                                         Three | C, C, Three | C, Del | C,  //
                                         At | C, C, Quote | C, Pound | C, C, C, Amp | C, C, C, Tab | C, Three | C, L | C,
                                         Three | C, C, Three | C, Del | C);
    const __m256i high = _mm256_setr_epi8(Tab | C, C, Quote, Three, At, L, 0, Del, 0, 0, Pound, 0, 0, 0, 0, 0,  //
                                          Tab | C, C, Quote, Three, At, L, 0, Del, 0, 0, Pound, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    for (size_t b = 0; b < blocks; ++b) {
        Bits bits;
        for (int k = 0; k < 2; ++k) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + 64 * b + 32 * k));
            const int shift = 32 * k;
            bits.lf |= Mask(_mm256_cmpeq_epi8(x, _mm256_set1_epi8('\n'))) << shift;
            if constexpr (Shape) bits.spaces |= Mask(_mm256_cmpeq_epi8(x, _mm256_set1_epi8(' '))) << shift;
            const __m256i groups = _mm256_and_si256(_mm256_shuffle_epi8(low, _mm256_and_si256(x, nibble)),
                                                    _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble)));
            std::uint64_t wanted = ~Mask(_mm256_cmpeq_epi8(groups, _mm256_setzero_si256())) & 0xFFFFFFFFull;
            if constexpr (P == Page::Utf8 || P == Page::Html) wanted |= Mask(x);  // the top bit is what counts
            if constexpr (P == Page::ValidUtf8) {
                // Continuation bytes, 0x80 to 0xBF, are the ones below 0xC0 as signed bytes.
                if constexpr (Shape)
                    bits.continuations |= Mask(_mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0xC0)), x)) << shift;
                bits.c2 |= Mask(_mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(0xC2)))) << shift;
                bits.a3 |= Mask(_mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(0xA3)))) << shift;
            }
            bits.wanted |= wanted << shift;
        }
        Finish<P, Shape>(bits, carry, out[b]);
    }
}

template <bool Labels, Page P, bool Shape>
void Classify(const unsigned char* data, size_t blocks, LineScanner::Carry& carry, LineScanner::BlockMasks* out) {
    const auto splat = [](int c) { return _mm_set1_epi8(static_cast<char>(c)); };
    for (size_t b = 0; b < blocks; ++b) {
        Bits bits;
        for (int k = 0; k < 4; ++k) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 64 * b + 16 * k));
            const auto mask = [k](__m128i hits) {
                return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hits))) << (16 * k);
            };
            bits.lf |= mask(_mm_cmpeq_epi8(x, splat('\n')));
            bits.spaces |= mask(_mm_cmpeq_epi8(x, splat(' ')));
            // "<" and ">" differ in one bit only.
            __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(x, splat(2)), splat('>')),
                                        _mm_or_si128(_mm_cmpeq_epi8(x, splat('"')), _mm_cmpeq_epi8(x, splat('\t'))));
            hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(x, splat('@')), _mm_cmpeq_epi8(x, splat(':'))));
            if constexpr (Labels) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(x, splat('[')));
            if constexpr (P == Page::Utf8 || P == Page::Html) hits = _mm_or_si128(hits, x);  // the top bit is what counts
            if constexpr (P == Page::Html)
                hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(x, splat('&')),
                                                       _mm_or_si128(_mm_cmplt_epi8(x, splat(0x20)), _mm_cmpeq_epi8(x, splat(0x7F)))));
            if constexpr (P == Page::Latin1) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(x, splat(0xA3)));
            if constexpr (P == Page::ValidUtf8) {
                bits.continuations |= mask(_mm_cmpgt_epi8(splat(0xC0), x));
                bits.c2 |= mask(_mm_cmpeq_epi8(x, splat(0xC2)));
                bits.a3 |= mask(_mm_cmpeq_epi8(x, splat(0xA3)));
            }
            bits.wanted |= mask(hits);
        }
        Finish<P, Shape>(bits, carry, out[b]);
    }
}
#else
template <bool Labels, Page P, bool Shape>
void Classify(const unsigned char* data, size_t blocks, LineScanner::Carry& carry, LineScanner::BlockMasks* out) {
    for (size_t b = 0; b < blocks; ++b) {
        Bits bits;
        for (int i = 0; i < 64; ++i) {
            const unsigned char c = data[64 * b + i];
            const std::uint64_t bit = std::uint64_t(1) << i;
            if (c == '\n') bits.lf |= bit;
            if (c == ' ') bits.spaces |= bit;
            const bool wanted = c == '<' || c == '>' || c == '"' || c == '\t' || c == '@' || c == ':' ||
                                (Labels && c == '[') || ((P == Page::Utf8 || P == Page::Html) && c >= 0x80) ||
                                (P == Page::Latin1 && c == 0xA3) || (P == Page::Html && (c == '&' || c < 0x20 || c == 0x7F));
            if (wanted) bits.wanted |= bit;
            if (P == Page::ValidUtf8) {
                if (c >= 0x80 && c < 0xC0) bits.continuations |= bit;
                if (c == 0xC2) bits.c2 |= bit;
                if (c == 0xA3) bits.a3 |= bit;
            }
        }
        Finish<P, Shape>(bits, carry, out[b]);
    }
}
#endif

template <bool Labels, bool Shape>
LineScanner::Classifier ClassifierFor(Page page) {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        switch (page) {
        case Page::Latin1:
            return ClassifyAvx2<Labels, Page::Latin1, Shape>;
        case Page::Utf8:
            return ClassifyAvx2<Labels, Page::Utf8, Shape>;
        case Page::ValidUtf8:
            return ClassifyAvx2<Labels, Page::ValidUtf8, Shape>;
        case Page::Html:
            return ClassifyAvx2<Labels, Page::Html, Shape>;
        }
    }
#endif
    switch (page) {
    case Page::Latin1:
        return Classify<Labels, Page::Latin1, Shape>;
    case Page::Utf8:
        return Classify<Labels, Page::Utf8, Shape>;
    case Page::Html:
        return Classify<Labels, Page::Html, Shape>;
    case Page::ValidUtf8:
        break;
    }
    return Classify<Labels, Page::ValidUtf8, Shape>;
}

}  // namespace

AttentionKinds KindsOfAttention(std::string_view text) {
    AttentionKinds kinds;
    const auto see = [&kinds](unsigned char c) {
        kinds.escaped = kinds.escaped || c == '<' || c == '>' || c == '"' || c == 0xA3;
        kinds.at = kinds.at || c == '@';
        kinds.colon = kinds.colon || c == ':';
        kinds.tab = kinds.tab || c == '\t';
    };
#if defined(__x86_64__)
    if (text.size() >= 16) {
        const auto splat = [](int c) { return _mm_set1_epi8(static_cast<char>(c)); };
        __m128i escaped = _mm_setzero_si128(), at = escaped, colon = escaped, tab = escaped;
        const auto add = [&](size_t i) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            escaped = _mm_or_si128(escaped, _mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(x, splat(2)), splat('>')),
                                                         _mm_or_si128(_mm_cmpeq_epi8(x, splat('"')), _mm_cmpeq_epi8(x, splat(0xA3)))));
            at = _mm_or_si128(at, _mm_cmpeq_epi8(x, splat('@')));
            colon = _mm_or_si128(colon, _mm_cmpeq_epi8(x, splat(':')));
            tab = _mm_or_si128(tab, _mm_cmpeq_epi8(x, splat('\t')));
        };
        size_t i = 0;
        for (; i + 16 <= text.size(); i += 16) add(i);
        if (i < text.size()) add(text.size() - 16);  // overlaps bytes seen, which changes nothing
        kinds.escaped = _mm_movemask_epi8(escaped) != 0;
        kinds.at = _mm_movemask_epi8(at) != 0;
        kinds.colon = _mm_movemask_epi8(colon) != 0;
        kinds.tab = _mm_movemask_epi8(tab) != 0;
        return kinds;
    }
#endif
    for (char c : text) see(static_cast<unsigned char>(c));
    return kinds;
}

void LineScanner::Configure(bool labels, CharacterSet set, bool valid, bool html, bool shape) {
    window_blocks_ = 0;
    const Page page = html ? Page::Html : set != CharacterSet::Utf8 ? Page::Latin1 : valid ? Page::ValidUtf8 : Page::Utf8;
    classify_ = labels ? (shape ? ClassifierFor<true, true>(page) : ClassifierFor<true, false>(page))
                       : (shape ? ClassifierFor<false, true>(page) : ClassifierFor<false, false>(page));
}

void LineScanner::Reset(const char* data, size_t size) {
    data_ = data;
    size_ = size;
    window_blocks_ = 0;
}

// Classifies the blocks from `block` on, as many as the window holds. A
// line never starts with a space that belongs to a run before it, nor with
// the second byte of a character (an LF stands between), so blocks that do
// not follow the last ones may start as if after nothing at all.
const LineScanner::BlockMasks* LineScanner::Classify(size_t block) {
    if (window_blocks_ == 0 || block != window_ + 64 * window_blocks_) carry_ = {};
    const size_t blocks = std::min(Window, (size_ - block + 63) / 64);
    classify_(reinterpret_cast<const unsigned char*>(data_) + block, blocks, carry_, window_masks_);
    window_ = block;
    window_blocks_ = blocks;
    if (const size_t last = block + 64 * (blocks - 1); size_ - last < 64) {
        const std::uint64_t inside = (std::uint64_t(1) << (size_ - last)) - 1;
        BlockMasks& masks = window_masks_[blocks - 1];
        masks.lf &= inside;
        masks.attention &= inside;
        masks.four_spaces &= inside;
        masks.continuations &= inside;
    }
    return window_masks_;
}

}  // namespace torvex
