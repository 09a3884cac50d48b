#pragma once

#include <cstdint>

namespace velto {

// The two steps of a partition that run per block of up to 64 elements, behind one
// narrow interface so that a vector version can stand in for the portable one.

inline constexpr int block_elements = 64;

// What a partition needs to know of a block: bit i of `set` is key bit `bit` of
// element i (0 past `count`), and `lower` and `upper` count the elements with key bit
// `bit - 1` clear among those with key bit `bit` clear and set: summed over a slice,
// the next level's split points (0 when bit is 0).
struct BlockClass {
    std::uint64_t set;
    int lower;
    int upper;
};

// Reads only the 3 × count bytes of the elements.
using ClassifyBlock = BlockClass (*)(const std::uint8_t* elements, int count, int bit);

// Swaps elements of a block `left` with elements of a later block `right` in pairs:
// the element of the lowest bit of `highs` with that of the highest bit of `lows`, the
// next lowest with the next highest, and so on while both have bits left. Clears the
// bits of the elements swapped. Touches only the elements of the pairs.
using SwapPairs = void (*)(std::uint8_t* left, std::uint64_t& highs, std::uint8_t* right,
                           std::uint64_t& lows);

struct PartitionKernel {
    ClassifyBlock classify;
    SwapPairs swap_pairs;
};

// Any processor.
const PartitionKernel& portable_kernel();

// The vector kernel, or nullptr where this build or this processor has none.
const PartitionKernel* vector_kernel();

// The portable steps, which the vector kernel also uses for sparse blocks.
BlockClass classify_block_portable(const std::uint8_t* elements, int count, int bit);
void swap_pairs_portable(std::uint8_t* left, std::uint64_t& highs, std::uint8_t* right,
                         std::uint64_t& lows);

} // namespace velto
