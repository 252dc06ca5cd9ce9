#include "utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "any_byte.h"
#include "huge_buffer.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace torvex {

namespace {

// How many bytes at the start of text are ASCII, in whole blocks of 16:
// most text is mostly ASCII, and every input is examined whole.
size_t AsciiBlocks(std::string_view text) {
    constexpr std::uint64_t High = 0x8080808080808080;
    const char* p = text.data();
    const auto load = [p](size_t at) {
        ByteBlock block;
        std::memcpy(&block, p + at, sizeof block);
        return block;
    };
    const auto ascii = [](ByteBlock block) {
        std::uint64_t halves[2];
        std::memcpy(halves, &block, sizeof halves);
        return ((halves[0] | halves[1]) & High) == 0;
    };
    constexpr size_t Block = sizeof(ByteBlock);
    size_t i = 0;
    while (i + 4 * Block <= text.size() && ascii(load(i) | load(i + Block) | load(i + 2 * Block) | load(i + 3 * Block)))
        i += 4 * Block;
    while (i + Block <= text.size() && ascii(load(i))) i += Block;
    return i;
}

// The length of the sequence that a lead byte (C2 to F4) starts.
size_t SequenceLength(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2; }

// The length of the well-formed sequence at s, of which avail bytes are
// there, or 0 when there is none; s[0] is above 127. The second byte's
// range rules out overlong forms, surrogates and code points above U+10FFFF.
inline size_t WellFormedLength(const unsigned char* s, size_t avail) {
    const auto continues = [s](size_t k) { return (s[k] & 0xC0) == 0x80; };
    const unsigned char lead = s[0];
    if (lead < 0xC2) return 0;  // a continuation byte, or an overlong form's lead
    if (lead < 0xE0) return avail >= 2 && continues(1) ? 2 : 0;
    if (lead < 0xF0) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return avail >= 3 && s[1] >= low && s[1] <= high && continues(2) ? 3 : 0;
    }
    if (lead < 0xF5) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return avail >= 4 && s[1] >= low && s[1] <= high && continues(2) && continues(3) ? 4 : 0;
    }
    return 0;
}

// The last place at or before `at` where a sequence starts whose bytes do
// not run on past `at` (a sequence begun in the last three bytes may).
size_t SequenceStart(const unsigned char* p, size_t at) {
    for (size_t back = 1; back <= 3 && back <= at; ++back) {
        const unsigned char c = p[at - back];
        if ((c & 0xC0) == 0x80) continue;
        return c >= 0xC0 && SequenceLength(c) > back ? at - back : at;
    }
    return at;
}

#if defined(__SSE2__)
// Whether the 16 bytes of cur, after the 16 of prev, break a rule of
// UTF-8: the same rules as WellFormedLength, for every byte at once. A byte
// is a continuation exactly when a lead one, two or three bytes before
// asks for one.
bool BlockBreaksUtf8(__m128i prev, __m128i cur) {
    const auto splat = [](int byte) { return _mm_set1_epi8(static_cast<char>(byte)); };
    const auto atLeast = [](__m128i x, int byte) {
        const __m128i b = _mm_set1_epi8(static_cast<char>(byte));
        return _mm_cmpeq_epi8(_mm_max_epu8(x, b), x);
    };
    const auto atMost = [](__m128i x, int byte) {
        const __m128i b = _mm_set1_epi8(static_cast<char>(byte));
        return _mm_cmpeq_epi8(_mm_min_epu8(x, b), x);
    };
    const __m128i before1 = _mm_or_si128(_mm_slli_si128(cur, 1), _mm_srli_si128(prev, 15));
    const __m128i before2 = _mm_or_si128(_mm_slli_si128(cur, 2), _mm_srli_si128(prev, 14));
    const __m128i before3 = _mm_or_si128(_mm_slli_si128(cur, 3), _mm_srli_si128(prev, 13));
    const __m128i continuation = _mm_cmpeq_epi8(_mm_and_si128(cur, splat(0xC0)), splat(0x80));
    const __m128i asked = atLeast(before1, 0xC0) | atLeast(before2, 0xE0) | atLeast(before3, 0xF0);
    const __m128i fault = (continuation ^ asked) | _mm_cmpeq_epi8(_mm_and_si128(cur, splat(0xFE)), splat(0xC0)) |
                          atLeast(cur, 0xF5) | (_mm_cmpeq_epi8(before1, splat(0xE0)) & atMost(cur, 0x9F)) |
                          (_mm_cmpeq_epi8(before1, splat(0xED)) & atLeast(cur, 0xA0)) |
                          (_mm_cmpeq_epi8(before1, splat(0xF0)) & atMost(cur, 0x8F)) |
                          (_mm_cmpeq_epi8(before1, splat(0xF4)) & atLeast(cur, 0x90));
    return _mm_movemask_epi8(fault) != 0;
}

// How far text (which starts a sequence) is well-formed, 16 bytes at a
// time: up to the block that breaks a rule or to the last whole block, and
// then back to where the sequence under way there starts.
size_t WellFormedBlocksSse2(std::string_view text, bool& beyondAscii) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    __m128i prev = _mm_setzero_si128();
    size_t at = 0;
    while (at + 16 <= text.size()) {
        const __m128i cur = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        const int high = _mm_movemask_epi8(cur);
        if (high == 0 && _mm_movemask_epi8(prev) == 0) {
            at += AsciiBlocks(text.substr(at));  // nothing is under way in ASCII
            continue;
        }
        if (BlockBreaksUtf8(prev, cur)) break;
        beyondAscii = beyondAscii || high != 0;
        prev = cur;
        at += 16;
    }
    return SequenceStart(p, at);
}

#if defined(__x86_64__)
// The same, 32 bytes at a time with AVX2, where each pair of a byte and
// the one before it is looked up by its three nibbles that tell: the
// tables give the faults each nibble allows, and a pair is at fault when
// all three allow the same. A byte two or three places after a lead of
// three or four bytes must be a continuation, which the pair tables
// cannot see: that is checked apart.
namespace fault {
constexpr char TooShort = 1, TooLong = 2, Overlong3 = 4, TooLarge = 8, Surrogate = 16, Overlong2 = 32,
               TooLarge1000 = 64, Overlong4 = 64;
constexpr char TwoConts = static_cast<char>(128);
constexpr char Carry = TooShort | TooLong | TwoConts;  // faults the first byte's low nibble has no say in
}  // namespace fault

__attribute__((target("avx2"))) inline __m256i BlockFaults(__m256i prev, __m256i cur) {
    using namespace fault;
    const __m256i highOfFirst = _mm256_setr_epi8(
        TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TwoConts, TwoConts, TwoConts, TwoConts,
        TooShort | Overlong2, TooShort, TooShort | Overlong3 | Surrogate, TooShort | TooLarge | TooLarge1000 | Overlong4,
        TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TwoConts, TwoConts, TwoConts, TwoConts,
        TooShort | Overlong2, TooShort, TooShort | Overlong3 | Surrogate, TooShort | TooLarge | TooLarge1000 | Overlong4);
    constexpr char Large = Carry | TooLarge | TooLarge1000;
    const __m256i lowOfFirst = _mm256_setr_epi8(
        Carry | Overlong3 | Overlong2 | Overlong4, Carry | Overlong2, Carry, Carry, Carry | TooLarge, Large, Large, Large,
        Large, Large, Large, Large, Large, Large | Surrogate, Large, Large,  //
        Carry | Overlong3 | Overlong2 | Overlong4, Carry | Overlong2, Carry, Carry, Carry | TooLarge, Large, Large, Large,
        Large, Large, Large, Large, Large, Large | Surrogate, Large, Large);
    constexpr char C8 = TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge1000 | Overlong4;
    constexpr char C9 = TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge;
    constexpr char CA = TooLong | Overlong2 | TwoConts | Surrogate | TooLarge;
    const __m256i highOfSecond = _mm256_setr_epi8(
        TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, C8, C9, CA, CA, TooShort, TooShort,
        TooShort, TooShort,  //
        TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, C8, C9, CA, CA, TooShort, TooShort,
        TooShort, TooShort);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i before = _mm256_permute2x128_si256(prev, cur, 0x21);  // prev's high half, cur's low half
    const __m256i first = _mm256_alignr_epi8(cur, before, 15);
    const __m256i pairs =
        _mm256_and_si256(_mm256_and_si256(_mm256_shuffle_epi8(highOfFirst, _mm256_and_si256(_mm256_srli_epi16(first, 4), nibble)),
                                          _mm256_shuffle_epi8(lowOfFirst, _mm256_and_si256(first, nibble))),
                         _mm256_shuffle_epi8(highOfSecond, _mm256_and_si256(_mm256_srli_epi16(cur, 4), nibble)));
    // Only 111xxxxx two bytes before, or 1111xxxx three before, reach 0x80 by these.
    const __m256i third = _mm256_subs_epu8(_mm256_alignr_epi8(cur, before, 14), _mm256_set1_epi8(0xE0 - 0x80));
    const __m256i fourth = _mm256_subs_epu8(_mm256_alignr_epi8(cur, before, 13), _mm256_set1_epi8(0xF0 - 0x80));
    const __m256i must = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(must, pairs);
}

__attribute__((target("avx2"))) size_t WellFormedBlocksAvx2(std::string_view text, bool& beyondAscii) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    __m256i prev = _mm256_setzero_si256();
    size_t at = 0;
    bool high = false;
    while (at + 32 <= text.size()) {
        const __m256i cur = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at));
        const bool curHigh = _mm256_movemask_epi8(cur) != 0;
        if (!curHigh && _mm256_movemask_epi8(prev) == 0) {
            at += AsciiBlocks(text.substr(at));  // nothing is under way in ASCII
            continue;
        }
        if (const __m256i faults = BlockFaults(prev, cur); !_mm256_testz_si256(faults, faults)) break;
        high = high || curHigh;
        prev = cur;
        at += 32;
    }
    beyondAscii = beyondAscii || high;
    return SequenceStart(p, at);
}
#endif

size_t WellFormedBlocks(std::string_view text, bool& beyondAscii) {
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return WellFormedBlocksAvx2(text, beyondAscii);
#endif
    return WellFormedBlocksSse2(text, beyondAscii);
}
#else
size_t WellFormedBlocks(std::string_view text, bool&) { return AsciiBlocks(text); }
#endif

// ValidUtf8Prefix, telling also whether those bytes go beyond ASCII: whole
// blocks at a time, one sequence at a time in the last few bytes and
// wherever a block breaks a rule.
size_t ScanUtf8(std::string_view text, bool& beyondAscii) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t i = 0;
    while (i < text.size()) {
        i += WellFormedBlocks(text.substr(i), beyondAscii);
        const size_t until = std::min(text.size(), i + 32);
        while (i < until) {
            if (p[i] < 0x80) {
                ++i;
                continue;
            }
            const size_t length = WellFormedLength(p + i, text.size() - i);
            if (length == 0) return i;
            beyondAscii = true;
            i += length;
        }
    }
    return text.size();
}

}  // namespace

size_t DecodeUtf8(std::string_view text, size_t at, char32_t& value) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data()) + at;
    const size_t length = s[0] < 0x80 ? 1 : WellFormedLength(s, text.size() - at);
    if (length == 0) return 0;
    char32_t code = length == 1 ? s[0] : s[0] & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) code = (code << 6) | (s[k] & 0x3F);
    value = code;
    return length;
}

size_t ValidUtf8Prefix(std::string_view text) {
    bool beyondAscii = false;
    return ScanUtf8(text, beyondAscii);
}

size_t Utf8Length(std::string_view text) {
    // Continuation bytes, 0x80 to 0xBF, are the ones below -64 as signed
    // chars. Sixteen lanes count them, each up to 255 (127 without SSE2)
    // before they are summed.
    const char* p = text.data();
    const size_t n = text.size();
    size_t i = 0, continuations = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), limit = _mm_set1_epi8(-64);
    const auto load = [p](size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)); };
    __m128i sums = zero;
    while (i + 16 <= n) {
        __m128i counts = zero;
        for (int round = 0; round < 255 && i + 16 <= n; ++round, i += 16)
            counts = _mm_sub_epi8(counts, _mm_cmplt_epi8(load(i), limit));  // a lane that holds is -1
        sums = _mm_add_epi64(sums, _mm_sad_epu8(counts, zero));
    }
    if (i < n && n >= 16) {
        // The last sixteen bytes, of which those not yet counted are the
        // lanes that a window on sixteen zeros and sixteen ones keeps.
        static constexpr char Keep[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                          1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
        const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Keep + (n - i)));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(_mm_cmplt_epi8(load(n - 16), limit), keep), zero));
        i = n;
    }
    continuations = static_cast<size_t>(_mm_cvtsi128_si64(sums)) +
                    static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#else
    using Lanes = signed char __attribute__((vector_size(16)));
    while (i + sizeof(Lanes) <= n) {
        Lanes counts{};
        for (int round = 0; round < 127 && i + sizeof(Lanes) <= n; ++round, i += sizeof(Lanes)) {
            Lanes block;
            std::memcpy(&block, p + i, sizeof block);
            counts -= block < -64;
        }
        for (size_t lane = 0; lane < sizeof(Lanes); ++lane) continuations += static_cast<size_t>(counts[lane]);
    }
#endif
    for (; i < n; ++i) continuations += static_cast<signed char>(p[i]) < -64;
    return n - continuations;
}

void AppendUtf8(char32_t c, std::string& out) {
    const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | c >> 6), put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | c >> 12), put(0x80 | (c >> 6 & 0x3F)), put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | c >> 18), put(0x80 | (c >> 12 & 0x3F)), put(0x80 | (c >> 6 & 0x3F)), put(0x80 | (c & 0x3F));
    }
}

void AppendLatin1AsUtf8(std::string_view text, std::string& out) {
    size_t ascii = AsciiBlocks(text);
    out.append(text.substr(0, ascii));
    for (; ascii < text.size(); ++ascii) {
        const auto c = static_cast<unsigned char>(text[ascii]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
}

void MakeValidUtf8(std::string& text, std::string& work) {
    size_t valid = ValidUtf8Prefix(text);
    if (valid == text.size()) return;
    work.clear();
    ReserveHuge(work, text.size() + (text.size() - valid));  // at worst every byte left takes two
    std::string_view rest = text;
    for (;;) {
        work.append(rest.substr(0, valid));
        if (valid == rest.size()) break;
        AppendUtf8(static_cast<unsigned char>(rest[valid]), work);
        rest.remove_prefix(valid + 1);
        valid = ValidUtf8Prefix(rest);
    }
    text.swap(work);
}

void Utf8Check::Add(std::string_view piece) {
    if (failed_) return;
    if (!cut_.empty()) {
        const size_t length = SequenceLength(static_cast<unsigned char>(cut_[0]));
        const size_t take = std::min(length - cut_.size(), piece.size());
        cut_.append(piece.substr(0, take));
        piece.remove_prefix(take);
        if (cut_.size() < length) return;
        char32_t value = 0;
        failed_ = DecodeUtf8(cut_, 0, value) != length;
        if (failed_) return;
        beyond_ascii_ = true;
        cut_.clear();
    }
    const std::string_view rest = piece.substr(ScanUtf8(piece, beyond_ascii_));
    if (rest.empty()) return;
    // A lead byte near the end may start a sequence that the next piece ends.
    const auto lead = static_cast<unsigned char>(rest[0]);
    if (lead >= 0xC2 && lead <= 0xF4 && rest.size() < SequenceLength(lead))
        cut_.assign(rest);
    else
        failed_ = true;
}

}  // namespace torvex
