#include "colors/sort.h"

#include "colors/partition_blocks.h"
#include "colors/pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace velto {
namespace {

using blocks::BlockClass;
using blocks::swap_elements;
using blocks::swap_pairs_one_by_one;

template <typename Byte>
Byte* element(Byte* base, std::int64_t index) {
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

int sort_known(const ColorKernel& kernel, std::uint8_t* base, std::int64_t n, int bit,
               std::int64_t lows, int depth);

// A slice whose keys share every bit above `bit`, at recursion level `depth`, with its
// split point not yet known.
int sort_unknown(const ColorKernel& kernel, std::uint8_t* base, std::int64_t n, int bit,
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

int sort_known(const ColorKernel& kernel, std::uint8_t* base, std::int64_t n, int bit,
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
    const NextSplits next = kernel.partition(base, n, bit, lows);
    if (bit == 0) {
        return depth + 1;
    }
    const int lower = sort_known(kernel, base, lows, bit - 1, next.lower, depth + 1);
    const int upper =
        sort_known(kernel, element(base, lows), n - lows, bit - 1, next.upper, depth + 1);
    return std::max(lower, upper);
}

// Portable classification, 8 elements (three words) at a time: the key bit of every
// byte lane is gathered into one byte by a multiplication, and a table turns the lanes
// that hold the wanted key byte into the bits of their elements.
struct LaneTables {
    // element_bits[w][key_byte][lanes]: the elements (0..7 of the group) whose key byte
    // `key_byte` lies in a lane of word w set in `lanes`.
    std::uint8_t element_bits[3][3][256];
    std::uint8_t ones[256];
};

constexpr LaneTables lane_tables() {
    LaneTables t{};
    for (int w = 0; w < 3; ++w) {
        for (int key_byte = 0; key_byte < 3; ++key_byte) {
            for (int lanes = 0; lanes < 256; ++lanes) {
                int bits = 0;
                for (int q = 0; q < 8; ++q) {
                    const int at = 8 * w + q;
                    if ((lanes >> q & 1) != 0 && at % 3 == key_byte) {
                        bits |= 1 << (at / 3);
                    }
                }
                t.element_bits[w][key_byte][lanes] = static_cast<std::uint8_t>(bits);
            }
        }
    }
    for (int v = 0; v < 256; ++v) {
        t.ones[v] = static_cast<std::uint8_t>(std::popcount(static_cast<unsigned>(v)));
    }
    return t;
}

constexpr LaneTables lanes = lane_tables();

// Bit `shift` of each byte of a word, as the 8 bits of a byte: each product term lands
// on its own bit, so nothing carries.
std::uint32_t lane_bits(std::uint64_t word, int shift) {
    return static_cast<std::uint32_t>(
        (((word >> shift) & 0x0101010101010101ULL) * 0x0102040810204080ULL) >> 56);
}

// The block steps in plain C++.
struct PortableSteps {
    int bit;

    // Key bit `key_bit` of the 8 elements whose three words are given.
    static std::uint32_t group_bits(const std::uint64_t (&words)[3], int key_bit) {
        const int key_byte = key_bit >> 3;
        const int shift = key_bit & 7;
        return lanes.element_bits[0][key_byte][lane_bits(words[0], shift)] |
               lanes.element_bits[1][key_byte][lane_bits(words[1], shift)] |
               lanes.element_bits[2][key_byte][lane_bits(words[2], shift)];
    }

    BlockClass classify(const std::uint8_t* elements, int count) const {
        BlockClass result{0, 0, 0};
        const int next = bit > 0 ? bit - 1 : 0;
        int i = 0;
        for (; i + group_elements <= count; i += group_elements) {
            const std::uint8_t* group = elements + i * element_bytes;
            const std::uint64_t words[3] = {load_word(group), load_word(group + 8),
                                            load_word(group + 16)};
            const std::uint32_t set = group_bits(words, bit);
            const std::uint32_t next_clear = ~group_bits(words, next) & 0xFF;
            result.set |= std::uint64_t{set} << i;
            result.lower += lanes.ones[next_clear & ~set & 0xFF];
            result.upper += lanes.ones[next_clear & set];
        }
        // The last elements of a short block, one by one.
        for (; i < count; ++i) {
            const std::int32_t key = color_key(elements + i * element_bytes);
            const auto set = static_cast<unsigned>(key >> bit) & 1U;
            const unsigned next_clear = ~static_cast<unsigned>(key >> next) & 1U;
            result.set |= std::uint64_t{set} << i;
            result.lower += static_cast<int>(next_clear & ~set & 1U);
            result.upper += static_cast<int>(next_clear & set);
        }
        if (bit == 0) {
            result.lower = result.upper = 0;
        }
        return result;
    }

    static void swap_pairs(std::uint8_t* left, std::uint64_t& highs, std::uint8_t* right,
                           std::uint64_t& lows) {
        swap_pairs_one_by_one(left, highs, right, lows);
    }
};

NextSplits partition_portable(std::uint8_t* base, std::int64_t n, int bit, std::int64_t lows) {
    return blocks::partition(PortableSteps{bit}, base, n, lows);
}

// Two neighbour pairs per step: the word at element j against the word one element on.
// Their bytes 0-2 differ when elements j and j + 1 do, bytes 3-5 when j + 1 and j + 2
// do. Counted without branches: on a noisy image each one is a coin flip.
std::int64_t count_changes_portable(const std::uint8_t* base, std::int64_t n) {
    constexpr std::uint64_t first = 0xFFFFFF;
    constexpr std::uint64_t second = first << 24;
    std::int64_t changes = 0;
    std::int64_t j = 0;
    for (; j + 3 < n; j += 2) { // the later word ends inside element j + 3
        const std::uint8_t* const e = element(base, j);
        const std::uint64_t change = load_word(e) ^ load_word(e + element_bytes);
        changes += ((change & first) != 0 ? 1 : 0) + ((change & second) != 0 ? 1 : 0);
    }
    for (; j + 1 < n; ++j) {
        changes += compare_color_keys(element(base, j), element(base, j + 1)) != 0 ? 1 : 0;
    }
    return changes;
}

} // namespace

const ColorKernel& portable_kernel() {
    static constexpr ColorKernel kernel{"portable", partition_portable, count_changes_portable};
    return kernel;
}

const ColorKernel& fastest_kernel() {
    static const ColorKernel& chosen = []() -> const ColorKernel& {
        const ColorKernel* vector = vector_kernel();
        return vector != nullptr ? *vector : portable_kernel();
    }();
    return chosen;
}

int sort_color_keys_with(const ColorKernel& kernel, std::uint8_t* base, std::int64_t n,
                         std::int32_t lo, std::int32_t hi) {
    if (hi - lo <= 1) {
        return 0;
    }
    const int top_bit = static_cast<int>(std::bit_width(static_cast<std::uint32_t>(hi - lo))) - 2;
    // Most images split at the first level: counting its split point is one pass, where
    // looking for the first level that splits would be two.
    return sort_known(kernel, base, n, top_bit, count_clear(base, n, top_bit), 0);
}

void sort_color_keys(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi) {
    sort_color_keys_with(fastest_kernel(), base, n, lo, hi);
}

} // namespace velto
