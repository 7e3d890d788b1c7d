#pragma once

#include <cstddef>

// Physical memory of the machine in bytes; a run that needs more is refused
// up front instead of failing half-way (or being killed) while allocating.
double physical_memory_bytes();

// Whether `bytes` can reasonably be allocated on this machine.
bool fits_in_memory(double bytes);
