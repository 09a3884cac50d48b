#pragma once

// The block loop of a partition, shared by the kernels. Each kernel instantiates it in
// its own file with its own block steps, so that those steps are inlined into the loop
// (and, for a vector kernel, compiled for the instructions it checked for).

#include "colors/color_kernel.h"
#include "colors/pixels.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__GNUC__) || defined(__clang__)
#define VELTO_ALWAYS_INLINE __attribute__((always_inline)) inline
#elif defined(_MSC_VER)
#define VELTO_ALWAYS_INLINE __forceinline
#else
#define VELTO_ALWAYS_INLINE inline
#endif

namespace velto::blocks {

inline constexpr int block_elements = 64;

// A block of up to 64 elements as a partition sees it: bit i of `set` is key bit `bit`
// of element i (0 past the block), and `lower` and `upper` count the elements with key
// bit `bit - 1` clear among those with key bit `bit` clear and set; summed over a
// slice, the next level's split points (0 when bit is 0).
struct BlockClass {
    std::uint64_t set;
    int lower;
    int upper;
};

VELTO_ALWAYS_INLINE void swap_elements(std::uint8_t* a, std::uint8_t* b) {
    std::uint8_t held[element_bytes];
    std::memcpy(held, a, element_bytes);
    std::memcpy(a, b, element_bytes);
    std::memcpy(b, held, element_bytes);
}

// Swaps elements of block `left` with elements of the later block `right` in pairs: the
// lowest bit of `highs` with the highest bit of `lows`, the next lowest with the next
// highest, and so on while both have bits left; clears the bits of the pairs. The two
// may be one block, when every bit of `highs` is below every bit of `lows`.
VELTO_ALWAYS_INLINE void swap_pairs_one_by_one(std::uint8_t* left, std::uint64_t& highs,
                                               std::uint8_t* right, std::uint64_t& lows) {
    while (highs != 0 && lows != 0) {
        const int i = std::countr_zero(highs);
        const int j = 63 - std::countl_zero(lows);
        swap_elements(left + i * element_bytes, right + j * element_bytes);
        highs &= highs - 1;
        lows ^= std::uint64_t{1} << j;
    }
}

VELTO_ALWAYS_INLINE std::uint64_t first_elements(int count) {
    return count >= block_elements ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

// The elements that belong on the other side are found block by block, from the left
// in [0, lows) and from the right in [lows, n), and swapped in pairs in the order of
// finding: the k-th from the left with the k-th from the right, as two closing cursors
// swap them. The two regions never overlap, so each can be scanned on its own.
//
// Steps has `BlockClass classify(const std::uint8_t* elements, int count)` for its one
// bit, which reads only the 3 × count bytes, and `swap_pairs` as above.
VELTO_ALWAYS_INLINE int block_at_most(std::int64_t left_over) {
    return left_over < block_elements ? static_cast<int>(left_over) : block_elements;
}

// Classifies `count` elements from `start`, adds to the next level's split points, and
// returns the mask of the elements with the key bit set.
template <typename Steps>
VELTO_ALWAYS_INLINE std::uint64_t classify(const Steps& steps, std::uint8_t* base,
                                           std::int64_t start, int count, NextSplits& splits) {
    const BlockClass block = steps.classify(base + start * element_bytes, count);
    splits.lower += block.lower;
    splits.upper += block.upper;
    return block.set;
}

template <typename Steps>
VELTO_ALWAYS_INLINE NextSplits partition(const Steps& steps, std::uint8_t* base, std::int64_t n,
                                         std::int64_t lows) {
    NextSplits splits{0, 0};
    if (n <= block_elements) {
        // One block holds both regions: classified once, its pairs swapped within it.
        const int count = static_cast<int>(n);
        const std::uint64_t set = classify(steps, base, 0, count, splits);
        const std::uint64_t lower_region = first_elements(static_cast<int>(lows));
        std::uint64_t highs = set & lower_region;
        std::uint64_t low_ones = ~set & first_elements(count) & ~lower_region;
        steps.swap_pairs(base, highs, base, low_ones);
        return splits;
    }
    std::int64_t left = 0;  // [0, left) of the lower region is classified
    std::int64_t right = n; // [right, n) of the upper region is classified
    std::uint64_t highs = 0;
    std::uint64_t low_ones = 0;
    std::uint8_t* left_block = base;
    std::uint8_t* right_block = base;
    for (;;) {
        if (highs == 0) {
            if (left == lows) {
                break;
            }
            const int count = block_at_most(lows - left);
            highs = classify(steps, base, left, count, splits);
            left_block = base + left * element_bytes;
            left += count;
        }
        if (low_ones == 0) {
            if (right == lows) {
                break;
            }
            const int count = block_at_most(right - lows);
            right -= count;
            low_ones = ~classify(steps, base, right, count, splits) & first_elements(count);
            right_block = base + right * element_bytes;
        }
        steps.swap_pairs(left_block, highs, right_block, low_ones);
    }
    // Every misplaced element has been swapped; the rest is only counted.
    while (left < lows) {
        const int count = block_at_most(lows - left);
        classify(steps, base, left, count, splits);
        left += count;
    }
    while (right > lows) {
        const int count = block_at_most(right - lows);
        right -= count;
        classify(steps, base, right, count, splits);
    }
    return splits;
}

} // namespace velto::blocks
