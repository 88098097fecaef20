#include "platform/freedmemory.h"

#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    // glibc keeps freed small blocks in its heap for later; only a trim returns them.
    malloc_trim(0);
#endif
}
