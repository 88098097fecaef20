#include "index/bytesearch.h"

#include <immintrin.h>

#include <cstring>

namespace
{

// The first of the places the mask marks from 'at' on where the whole needle lies.
const char *firstWhole(const char *at, unsigned mask, const char *needle, std::size_t length)
{
    for (; mask != 0; mask &= mask - 1) {
        const char *start = at + __builtin_ctz(mask);
        if (std::memcmp(start, needle, length) == 0)
            return start;
    }
    return nullptr;
}

// What is left of the buffer, fewer bytes than a block, a place at a time.
const char *findOneByOne(const char *at, const char *end, const char *needle, std::size_t length,
                         std::size_t one)
{
    for (; std::size_t(end - at) >= length; ++at)
        if (at[one] == needle[one] && std::memcmp(at, needle, length) == 0)
            return at;
    return nullptr;
}

__attribute__((target("avx2"))) const char *findWithAvx2(const char *at, const char *end,
                                                         const char *needle, std::size_t length,
                                                         std::size_t one, std::size_t other)
{
    const __m256i ones = _mm256_set1_epi8(needle[one]), others = _mm256_set1_epi8(needle[other]);
    for (; std::size_t(end - at) >= 32 + length - 1; at += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + one));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + other));
        const auto mask = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(x, ones), _mm256_cmpeq_epi8(y, others))));
        if (const char *found = firstWhole(at, mask, needle, length))
            return found;
    }
    return findOneByOne(at, end, needle, length, one);
}

const char *findWithSse2(const char *at, const char *end, const char *needle, std::size_t length,
                         std::size_t one, std::size_t other)
{
    const __m128i ones = _mm_set1_epi8(needle[one]), others = _mm_set1_epi8(needle[other]);
    for (; std::size_t(end - at) >= 16 + length - 1; at += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + one));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + other));
        const auto mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, ones), _mm_cmpeq_epi8(y, others))));
        if (const char *found = firstWhole(at, mask, needle, length))
            return found;
    }
    return findOneByOne(at, end, needle, length, one);
}

} // namespace

const char *findBytes(const char *from, const char *end, const char *needle, std::size_t length,
                      std::size_t oneOffset, std::size_t otherOffset)
{
    static const ByteBlocks blocks =
        __builtin_cpu_supports("avx2") ? ByteBlocks::Avx2 : ByteBlocks::Sse2;
    return findBytesIn(blocks, from, end, needle, length, oneOffset, otherOffset);
}

const char *findBytesIn(ByteBlocks blocks, const char *from, const char *end, const char *needle,
                        std::size_t length, std::size_t oneOffset, std::size_t otherOffset)
{
    if (length == 0 || from >= end)
        return nullptr;
    return blocks == ByteBlocks::Avx2
               ? findWithAvx2(from, end, needle, length, oneOffset, otherOffset)
               : findWithSse2(from, end, needle, length, oneOffset, otherOffset);
}
