#pragma once

// Gives the memory the allocator keeps from freed work (a million sort keys, the index
// read while the old one was still in use) back to the system, so that the program's
// resident memory is what it holds, not what it once held.
void releaseFreedMemory();
