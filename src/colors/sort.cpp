#include "colors/sort.h"

#include "colors/pixels.h"

#include <algorithm>
#include <utility>

namespace velto {
namespace {

void swap_elements(std::uint8_t* a, std::uint8_t* b) {
    std::swap_ranges(a, a + element_bytes, b);
}

std::uint8_t* element(std::uint8_t* base, std::int64_t index) {
    return base + index * element_bytes;
}

// Exchange sort for slices of 2 to 4 elements: a few direct comparisons beat a split.
void sort_small(std::uint8_t* base, std::int64_t n) {
    for (std::int64_t j = 0; j + 1 < n; ++j) {
        for (std::int64_t k = j + 1; k < n; ++k) {
            if (compare_color_keys(element(base, j), element(base, k)) > 0) {
                swap_elements(element(base, j), element(base, k));
            }
        }
    }
}

// Two cursors close in from both ends, swapping each element at or above `mid` found
// from the left with the next one below it found from the right. Returns the split:
// the elements before it have keys below `mid`, the rest have keys of `mid` or more.
std::int64_t partition(std::uint8_t* base, std::int64_t n, std::int32_t mid) {
    std::int64_t j = 0;
    std::int64_t i = n - 1;
    for (;;) {
        while (j <= i && color_key(element(base, j)) < mid) {
            ++j;
        }
        while (i > j && color_key(element(base, i)) >= mid) {
            --i;
        }
        if (i <= j) {
            return j;
        }
        swap_elements(element(base, j), element(base, i));
    }
}

int sort_level(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi, int depth) {
    // A range of one value means every key in the slice is already the same.
    if (hi - lo <= 1 || n <= 1) {
        return depth;
    }
    if (n <= 4) {
        sort_small(base, n);
        return depth;
    }
    const std::int32_t mid = lo + (hi - lo) / 2;
    const std::int64_t split = partition(base, n, mid);
    const int lower = sort_level(base, split, lo, mid, depth + 1);
    const int upper = sort_level(element(base, split), n - split, mid, hi, depth + 1);
    return std::max(lower, upper);
}

} // namespace

void sort_color_keys(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi) {
    sort_level(base, n, lo, hi, 0);
}

int sort_color_keys_depth(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi) {
    return sort_level(base, n, lo, hi, 0);
}

} // namespace velto
