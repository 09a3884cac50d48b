#pragma once

#include <cstdint>

namespace velto {

// What a partition needs to know of up to 64 consecutive elements: bit i of `set` is
// key bit `bit` of element i (0 past `count`), and `lower` and `upper` count the
// elements with key bit `bit - 1` clear among those with key bit `bit` clear and set:
// their sums over a slice are the next level's split points (0 when bit is 0).
struct BlockClass {
    std::uint64_t set;
    int lower;
    int upper;
};

inline constexpr int block_elements = 64;

using ClassifyBlock = BlockClass (*)(const std::uint8_t* elements, int count, int bit);

// Any processor. Both versions read only the 3 × count bytes of the elements.
BlockClass classify_block_portable(const std::uint8_t* elements, int count, int bit);

// The vector version, or nullptr where this build or this processor has none.
ClassifyBlock vector_classify_block();

} // namespace velto
