#include "platform/freedmemory.h"

#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    // Once a trim has emptied the heap, glibc's moving thresholds would give back what a
    // keystroke frees (its lists of ids, a few MB) at each free, and every keystroke would
    // fault those pages in again. Fixed, the heap keeps up to 64 MB for the next one; a
    // block of 32 MB or more is mapped apart and given back when freed.
    static const bool thresholdsFixed =
        mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1 && mallopt(M_TRIM_THRESHOLD, 64 << 20) == 1;
    (void)thresholdsFixed;
    // glibc keeps freed small blocks in its heap for later; only a trim returns them.
    malloc_trim(0);
#endif
}
