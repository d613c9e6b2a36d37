#include "core/platform/MemoryReturn.h"

#include <cstdlib> // names the C library (__GLIBC__)

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void ReturnFreedMemory()
{
#if defined(__GLIBC__)
    // Every arena, and whole free pages inside them, not only the top of the heap.
    ::malloc_trim(0);
#endif
}

} // namespace platform
