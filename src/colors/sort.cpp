#include "colors/sort.h"

#include "colors/pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace velto {
namespace {

template <typename Byte>
Byte* element(Byte* base, std::int64_t index) {
    return base + index * element_bytes;
}

void swap_elements(std::uint8_t* a, std::uint8_t* b) {
    std::uint8_t held[element_bytes];
    std::memcpy(held, a, element_bytes);
    std::memcpy(a, b, element_bytes);
    std::memcpy(b, held, element_bytes);
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

} // namespace

void swap_pairs_portable(std::uint8_t* left, std::uint64_t& highs, std::uint8_t* right,
                         std::uint64_t& lows) {
    while (highs != 0 && lows != 0) {
        const int i = std::countr_zero(highs);
        const int j = 63 - std::countl_zero(lows);
        swap_elements(left + i * element_bytes, right + j * element_bytes);
        highs &= highs - 1;
        lows ^= std::uint64_t{1} << j;
    }
}

BlockClass classify_block_portable(const std::uint8_t* elements, int count, int bit) {
    // Only the bytes that hold the two bits are read.
    const int byte = bit >> 3;
    const int shift = bit & 7;
    const int next = bit > 0 ? bit - 1 : 0;
    const int next_byte = next >> 3;
    const int next_shift = next & 7;
    BlockClass result{0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = elements + i * element_bytes;
        const unsigned set = static_cast<unsigned>(e[byte] >> shift) & 1U;
        const unsigned next_clear = ~static_cast<unsigned>(e[next_byte] >> next_shift) & 1U;

        result.set |= std::uint64_t{set} << i;
        result.lower += static_cast<int>(next_clear & ~set & 1U);
        result.upper += static_cast<int>(next_clear & set);
    }
    if (bit == 0) {
        result.lower = result.upper = 0;
    }
    return result;
}

namespace {

std::uint64_t first_elements(int count) {
    return count == block_elements ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

// Classifies `count` elements from `start`, adds the next level's split points to
// `splits`, and returns the masks of its elements with key bit set.
std::uint64_t classify_and_tally(ClassifyBlock classify, std::uint8_t* base, std::int64_t start,
                                 int count, int bit, NextSplits& splits) {
    const std::uint8_t* at = element(base, start);
    const BlockClass block = classify(at, count, bit);
    splits.lower += block.lower;
    splits.upper += block.upper;
    return block.set;
}

// The passes over a whole slice read it 8 elements (24 bytes, three words) at a time.
// Byte p of such a group is byte p % 3 of its element's key.
constexpr int group_elements = 8;

// Eight bytes as a little-endian word; compilers make this one load where they can.
std::uint64_t load_word(const std::uint8_t* at) {
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) {
        word = (word << 8) | at[i];
    }
    return word;
}

// Bits that differ between the keys of a slice.
std::int32_t differing_bits(const std::uint8_t* base, std::int64_t n) {
    std::uint64_t all[3] = {~std::uint64_t{0}, ~std::uint64_t{0}, ~std::uint64_t{0}};
    std::uint64_t any[3] = {0, 0, 0};
    std::int64_t i = 0;
    for (; i + group_elements <= n; i += group_elements) {
        const std::uint8_t* group = element(base, i);
        for (std::ptrdiff_t w = 0; w < 3; ++w) {
            const std::uint64_t word = load_word(group + 8 * w);
            all[w] &= word;
            any[w] |= word;
        }
    }
    std::int32_t key_all = 0xFFFFFF;
    std::int32_t key_any = 0;
    if (i > 0) {
        for (int p = 0; p < 24; ++p) {
            const int shift = 8 * (p % 3);
            key_all &= static_cast<std::int32_t>(((all[p / 8] >> (8 * (p % 8))) & 0xFF) << shift) |
                       (0xFFFFFF ^ (0xFF << shift));
            key_any |= static_cast<std::int32_t>(((any[p / 8] >> (8 * (p % 8))) & 0xFF) << shift);
        }
    }
    for (; i < n; ++i) {
        const std::int32_t key = color_key(element(base, i));
        key_all &= key;
        key_any |= key;
    }
    return key_all ^ key_any;
}

// How many keys of a slice have key bit `bit` clear. The bit is summed in the byte
// lanes of a word, so no popcount instruction is needed.
std::int64_t count_clear(const std::uint8_t* base, std::int64_t n, int bit) {
    const int key_byte = bit >> 3;
    const int shift = bit & 7;
    std::uint64_t lanes[3] = {0, 0, 0}; // the byte lanes that hold the bit, in each word
    for (int p = 0; p < 24; ++p) {
        if (p % 3 == key_byte) {
            lanes[p / 8] |= std::uint64_t{1} << (8 * (p % 8));
        }
    }
    const auto lane_total = [](std::uint64_t sums) {
        sums = (sums & 0x00FF00FF00FF00FFULL) + ((sums >> 8) & 0x00FF00FF00FF00FFULL);
        return static_cast<std::int64_t>((sums * 0x0001000100010001ULL) >> 48);
    };
    std::int64_t set = 0;
    std::int64_t i = 0;
    while (i + group_elements <= n) {
        // Each group adds at most 3 to a lane: fold before a lane can pass 255.
        std::uint64_t sums = 0;
        for (int g = 0; g < 85 && i + group_elements <= n; ++g, i += group_elements) {
            const std::uint8_t* group = element(base, i);
            for (std::ptrdiff_t w = 0; w < 3; ++w) {
                sums += (load_word(group + 8 * w) >> shift) & lanes[w];
            }
        }
        set += lane_total(sums);
    }
    for (; i < n; ++i) {
        set += (color_key(element(base, i)) >> bit) & 1;
    }
    return n - set;
}

int sort_known(const PartitionKernel& kernel, std::uint8_t* base, std::int64_t n, int bit,
               std::int64_t lows, int depth);

// A slice whose keys share every bit above `bit`, at recursion level `depth`, with its
// split point not yet known.
int sort_unknown(const PartitionKernel& kernel, std::uint8_t* base, std::int64_t n, int bit,
                 int depth) {
    // A range of one value means every key in the slice is already the same.
    if (bit < 0 || n <= 1) {
        return depth;
    }
    if (n <= 4) {
        sort_small(base, n);
        return depth;
    }
    // Levels whose bit is the same in every key put all elements on one side and move
    // nothing: go straight to the first level that splits. With no such level the keys
    // are all equal, and the levels down to a single value move nothing either.
    const std::int32_t differ = differing_bits(base, n) & ((std::int32_t{2} << bit) - 1);
    if (differ == 0) {
        return depth + bit + 1;
    }
    const int split_bit = static_cast<int>(std::bit_width(static_cast<std::uint32_t>(differ))) - 1;
    return sort_known(kernel, base, n, split_bit, count_clear(base, n, split_bit),
                      depth + (bit - split_bit));
}

int sort_known(const PartitionKernel& kernel, std::uint8_t* base, std::int64_t n, int bit,
               std::int64_t lows, int depth) {
    if (n <= 1) {
        return depth;
    }
    if (n <= 4) {
        sort_small(base, n);
        return depth;
    }
    if (lows == 0 || lows == n) {
        return sort_unknown(kernel, base, n, bit - 1, depth + 1);
    }
    const NextSplits next = partition_at_bit(kernel, base, n, bit, lows);
    if (bit == 0) {
        return depth + 1;
    }
    const int lower = sort_known(kernel, base, lows, bit - 1, next.lower, depth + 1);
    const int upper =
        sort_known(kernel, element(base, lows), n - lows, bit - 1, next.upper, depth + 1);
    return std::max(lower, upper);
}

} // namespace

// The elements that belong on the other side are found block by block, from the left
// in [0, lows) and from the right in [lows, n), and swapped in pairs in the order of
// finding: the k-th from the left with the k-th from the right, as two closing cursors
// swap them. The two regions never overlap, so each can be scanned on its own.
NextSplits partition_at_bit(const PartitionKernel& kernel, std::uint8_t* base, std::int64_t n,
                            int bit, std::int64_t lows) {
    NextSplits splits{0, 0};
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
            const int count = static_cast<int>(std::min<std::int64_t>(block_elements, lows - left));
            highs = classify_and_tally(kernel.classify, base, left, count, bit, splits);
            left_block = element(base, left);
            left += count;
        }
        if (low_ones == 0) {
            if (right == lows) {
                break;
            }
            const int count =
                static_cast<int>(std::min<std::int64_t>(block_elements, right - lows));
            right -= count;
            low_ones = ~classify_and_tally(kernel.classify, base, right, count, bit, splits) &
                       first_elements(count);
            right_block = element(base, right);
        }
        kernel.swap_pairs(left_block, highs, right_block, low_ones);
    }
    // Every misplaced element has been swapped; the rest is only counted.
    while (left < lows) {
        const int count = static_cast<int>(std::min<std::int64_t>(block_elements, lows - left));
        classify_and_tally(kernel.classify, base, left, count, bit, splits);
        left += count;
    }
    while (right > lows) {
        const int count = static_cast<int>(std::min<std::int64_t>(block_elements, right - lows));
        right -= count;
        classify_and_tally(kernel.classify, base, right, count, bit, splits);
    }
    return splits;
}

const PartitionKernel& portable_kernel() {
    static constexpr PartitionKernel kernel{classify_block_portable, swap_pairs_portable};
    return kernel;
}

const PartitionKernel& fastest_kernel() {
    static const PartitionKernel& chosen = [&]() -> const PartitionKernel& {
        const PartitionKernel* vector = vector_kernel();
        return vector != nullptr ? *vector : portable_kernel();
    }();
    return chosen;
}

int sort_color_keys_with(const PartitionKernel& kernel, std::uint8_t* base, std::int64_t n,
                         std::int32_t lo, std::int32_t hi) {
    if (hi - lo <= 1) {
        return 0;
    }
    const int top_bit = static_cast<int>(std::bit_width(static_cast<std::uint32_t>(hi - lo))) - 2;
    return sort_unknown(kernel, base, n, top_bit, 0);
}

void sort_color_keys(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi) {
    sort_color_keys_with(fastest_kernel(), base, n, lo, hi);
}

} // namespace velto
