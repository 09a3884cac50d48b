#pragma once

#include <cstdint>

namespace velto {

// How many elements of each part of a partition have key bit `bit - 1` clear: the
// split points of the next level.
struct NextSplits {
    std::int64_t lower;
    std::int64_t upper;
};

// One partition of a slice whose keys share every bit above `bit`, around the middle
// of their range: the elements with key bit `bit` clear go first. `lows` is how many
// there are, and both parts are nonempty. Leaves the slice exactly as two cursors
// closing in from both ends leave it.
using PartitionFn = NextSplits (*)(std::uint8_t* base, std::int64_t n, int bit, std::int64_t lows);

// How many neighbours differ in key among the `n` elements at `base`.
using CountChangesFn = std::int64_t (*)(const std::uint8_t* base, std::int64_t n);

// The inner loops of the sort and the count: the portable ones, or ones for a
// processor's vector instructions behind the same narrow interface.
struct ColorKernel {
    const char* name;
    PartitionFn partition;
    CountChangesFn count_changes;
};

// Any processor.
const ColorKernel& portable_kernel();

// The vector kernel, or nullptr where this build or this processor has none.
const ColorKernel* vector_kernel();

} // namespace velto
