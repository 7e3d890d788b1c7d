#include "EngineMemory.h"

#include <unistd.h>

double physical_memory_bytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page_size <= 0)
        return 4.0 * 1024 * 1024 * 1024;  // unknown: assume a small machine
    return static_cast<double>(pages) * static_cast<double>(page_size);
}

bool fits_in_memory(double bytes)
{
    // Leave room for the rest of the program.
    return bytes <= 0.75 * physical_memory_bytes();
}
