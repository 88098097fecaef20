#pragma once

#include <cstddef>

// Where the needle first lies wholly between from and end, or null. Two of its bytes,
// at the offsets given (the rarest ones, best), are compared at 16 or 32 places at once,
// and the needle is compared whole only where both agree: a common letter costs no more
// than a rare one.
const char *findBytes(const char *from, const char *end, const char *needle, std::size_t length,
                      std::size_t oneOffset, std::size_t otherOffset);

// The same in blocks of 16 bytes, as every x86-64 processor can, or of 32 with AVX2, which
// findBytes uses where the processor has it.
enum class ByteBlocks { Sse2, Avx2 };
const char *findBytesIn(ByteBlocks blocks, const char *from, const char *end, const char *needle,
                        std::size_t length, std::size_t oneOffset, std::size_t otherOffset);
