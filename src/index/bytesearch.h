#pragma once

#include <cstddef>
#include <string>

// A run of bytes to look for, each compared under its mask (0xFF: the whole byte; 0xF0:
// its high half), with the two bytes compared first: the rarest ones, best.
struct BytePattern {
    std::string values, masks;
    std::size_t one = 0, other = 0;
    // A plain run of bytes, compared whole.
    static BytePattern whole(const std::string &bytes, std::size_t one, std::size_t other);
};

// Where the pattern first lies wholly between from and end, or null. Its two chosen bytes
// are compared at 16 or 32 places at once, and the whole pattern only where both agree:
// a common letter costs no more than a rare one.
const char *findBytes(const char *from, const char *end, const BytePattern &pattern);

// The same in blocks of 16 bytes, as every x86-64 processor can, or of 32 with AVX2, which
// findBytes uses where the processor has it.
enum class ByteBlocks { Sse2, Avx2 };
const char *findBytesIn(ByteBlocks blocks, const char *from, const char *end,
                        const BytePattern &pattern);
