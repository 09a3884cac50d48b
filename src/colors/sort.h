#pragma once

#include <cstdint>

namespace velto {

// Sorts the `n` elements at `base` into ascending color key order, in place, given that
// every key lies in [lo, hi). Each level splits the key range in half, so the sort
// goes at most 24 levels deep whatever the data.
void sort_color_keys(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi);

// The same sort; returns the deepest partition level it reached (0 when it did not
// partition at all).
int sort_color_keys_depth(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi);

} // namespace velto
