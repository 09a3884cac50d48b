#pragma once

#include "colors/color_kernel.h"

#include <cstdint>

namespace velto {

// Sorts the `n` elements at `base` into ascending color key order, in place, given that
// every key lies in [lo, hi). [lo, hi) is an aligned range, as every range of the sort
// is: hi - lo a power of two of at most 0x1000000, lo a multiple of it.
//
// The sort splits the range in half at each level, so it goes at most 24 levels deep
// whatever the data. Every partition leaves its slice exactly as two cursors closing in
// from both ends would, swapping the k-th element at or above the middle from the left
// with the k-th one below it from the right; slices of 2 to 4 elements are finished by
// direct comparison.
void sort_color_keys(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi);

// The same sort with a given kernel (for tests and benchmarks); returns the deepest
// partition level it reached (0 when it did not partition at all).
int sort_color_keys_with(const ColorKernel& kernel, std::uint8_t* base, std::int64_t n,
                         std::int32_t lo, std::int32_t hi);

// The kernel sort_color_keys uses: the vector one where the processor has it.
const ColorKernel& fastest_kernel();

} // namespace velto
