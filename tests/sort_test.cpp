#include "colors/count.h"
#include "colors/pixels.h"
#include "colors/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Keys = std::vector<std::int32_t>;

// --- The sort written out literally: the reference the fast one must match. ---

std::uint8_t* at(std::uint8_t* base, std::int64_t i) {
    return base + 3 * i;
}

void literal_swap(std::uint8_t* a, std::uint8_t* b) {
    std::swap_ranges(a, a + 3, b);
}

std::int64_t literal_partition(std::uint8_t* base, std::int64_t n, std::int32_t mid) {
    std::int64_t j = 0;
    std::int64_t i = n - 1;
    for (;;) {
        while (j <= i && velto::color_key(at(base, j)) < mid) {
            ++j;
        }
        while (i > j && velto::color_key(at(base, i)) >= mid) {
            --i;
        }
        if (i <= j) {
            return j;
        }
        literal_swap(at(base, j), at(base, i));
    }
}

int literal_sort(std::uint8_t* base, std::int64_t n, std::int32_t lo, std::int32_t hi, int depth) {
    if (hi - lo <= 1 || n <= 1) {
        return depth;
    }
    if (n <= 4) {
        for (std::int64_t j = 0; j + 1 < n; ++j) {
            for (std::int64_t k = j + 1; k < n; ++k) {
                if (velto::compare_color_keys(at(base, j), at(base, k)) > 0) {
                    literal_swap(at(base, j), at(base, k));
                }
            }
        }
        return depth;
    }
    const std::int32_t mid = lo + (hi - lo) / 2;
    const std::int64_t j = literal_partition(base, n, mid);
    return std::max(literal_sort(base, j, lo, mid, depth + 1),
                    literal_sort(at(base, j), n - j, mid, hi, depth + 1));
}

// --- Inputs. ---

// Elements for `keys`, with the spare byte the pixel buffer always has.
Bytes elements_of(const Keys& keys) {
    Bytes bytes(keys.size() * 3 + 1, 0xEE);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        bytes[3 * i] = static_cast<std::uint8_t>(keys[i]);
        bytes[3 * i + 1] = static_cast<std::uint8_t>(keys[i] >> 8);
        bytes[3 * i + 2] = static_cast<std::uint8_t>(keys[i] >> 16);
    }
    return bytes;
}

Keys keys_of(const Bytes& bytes) {
    Keys keys;
    for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3) {
        keys.push_back(velto::color_key(&bytes[i]));
    }
    return keys;
}

Keys random_keys(std::size_t n, std::int32_t lo, std::int32_t range, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> key(lo, lo + range - 1);
    Keys keys(n);
    for (auto& k : keys) {
        k = key(random);
    }
    return keys;
}

// Keys of a slice at a given level: they share the bits above `bit`. The shapes are the
// ones that stress a partition: random, few distinct, all misplaced, runs, alternating.
std::vector<Keys> slices_at(int bit, unsigned seed) {
    const std::int32_t size = std::int32_t{2} << bit;
    const std::int32_t lo = (0x5A5A5A & ~(size - 1)) & 0xFFFFFF;
    const std::int32_t mid = lo + size / 2;
    std::vector<Keys> slices;
    for (const std::size_t n : {5, 63, 64, 65, 129, 200, 1000, 4099}) {
        slices.push_back(random_keys(n, lo, size, seed + static_cast<unsigned>(n)));
        slices.push_back(random_keys(n, lo, std::min(size, 3), seed)); // mostly lows
        Keys reversed(n);
        Keys runs(n);
        Keys alternating(n);
        for (std::size_t i = 0; i < n; ++i) {
            reversed[i] = i < n / 3 ? mid + static_cast<std::int32_t>(i % (size / 2)) : lo;
            runs[i] = (i / 7) % 2 == 0 ? lo + static_cast<std::int32_t>(i % (size / 2)) : mid;
            alternating[i] = i % 2 == 0 ? mid : mid - 1;
        }
        Keys one_high(n, lo);
        one_high[0] = mid;
        slices.insert(slices.end(), {reversed, runs, alternating, one_high});
    }
    return slices;
}

std::vector<std::pair<std::string, const velto::ColorKernel*>> kernels() {
    std::vector<std::pair<std::string, const velto::ColorKernel*>> all = {
        {"portable", &velto::portable_kernel()}};
    if (velto::vector_kernel() != nullptr) {
        all.emplace_back("vector", velto::vector_kernel());
    } else {
        std::printf("note: this processor has no AVX-512 VBMI and VBMI2; only the portable path is "
                    "tested\n");
    }
    return all;
}

// --- The partition, level by level. ---

TEST(Partition, LeavesEverySliceAsTheTwoCursorLoopDoes) {
    for (const auto& [path, kernel] : kernels()) {
        for (int bit = 0; bit < 24; ++bit) {
            const std::int32_t size = std::int32_t{2} << bit;
            for (const Keys& keys : slices_at(bit, static_cast<unsigned>(bit))) {
                const std::int32_t lo = keys[0] & ~(size - 1);
                const std::int32_t mid = lo + size / 2;
                const auto lows = std::count_if(keys.begin(), keys.end(),
                                                [&](std::int32_t k) { return k < mid; });
                const auto n = static_cast<std::int64_t>(keys.size());
                if (lows == 0 || lows == n) {
                    continue; // nothing moves; the sort does not partition such a slice
                }
                Bytes expected = elements_of(keys);
                ASSERT_EQ(literal_partition(expected.data(), n, mid), lows);
                Bytes actual = elements_of(keys);
                const velto::NextSplits next = kernel->partition(actual.data(), n, bit, lows);
                ASSERT_EQ(actual, expected) << path << ", bit " << bit << ", n " << n;

                if (bit > 0) {
                    const std::int32_t quarter = size / 4;
                    const Keys sorted_keys = keys_of(expected);
                    EXPECT_EQ(next.lower,
                              std::count_if(sorted_keys.begin(), sorted_keys.end(),
                                            [&](std::int32_t k) { return k < lo + quarter; }));
                    EXPECT_EQ(next.upper, std::count_if(sorted_keys.begin(), sorted_keys.end(),
                                                        [&](std::int32_t k) {
                                                            return k >= mid && k < mid + quarter;
                                                        }));
                }
            }
        }
    }
}

// --- The whole sort. ---

// Sorts `keys` with every classifier and checks the bytes, the depth reached and the
// count against the literal sort.
void expect_sorted_as_literal(const Keys& keys) {
    const auto n = static_cast<std::int64_t>(keys.size());
    Bytes expected = elements_of(keys);
    const int expected_depth = literal_sort(expected.data(), n, 0, velto::key_limit, 0);
    const Keys sorted_keys = keys_of(expected);
    ASSERT_TRUE(std::is_sorted(sorted_keys.begin(), sorted_keys.end()));
    for (const auto& [path, kernel] : kernels()) {
        Bytes actual = elements_of(keys);
        const int depth =
            velto::sort_color_keys_with(*kernel, actual.data(), n, 0, velto::key_limit);
        ASSERT_EQ(actual, expected) << path << ", n = " << n;
        EXPECT_EQ(depth, expected_depth) << path << ", n = " << n;
        EXPECT_LE(depth, 24);
    }
    const std::set<std::int32_t> distinct(keys.begin(), keys.end());
    const auto colors = std::max<std::int64_t>(1, static_cast<std::int64_t>(distinct.size()));
    EXPECT_EQ(velto::count_sorted_colors(expected.data(), n), colors);
    for (const auto& [path, kernel] : kernels()) {
        EXPECT_EQ(1 + kernel->count_changes(expected.data(), n), colors) << path << ", n = " << n;
    }
}

TEST(SortColorKeys, SortsRandomKeysOfEverySmallLength) {
    for (std::size_t n = 0; n <= 140; ++n) { // past two blocks of 64
        expect_sorted_as_literal(random_keys(n, 0, velto::key_limit, static_cast<unsigned>(n)));
        expect_sorted_as_literal(random_keys(n, 0, 3, static_cast<unsigned>(n))); // mostly equal
    }
}

TEST(SortColorKeys, SortsLargeAndAdversarialInputs) {
    expect_sorted_as_literal(random_keys(300000, 0, velto::key_limit, 1));
    expect_sorted_as_literal(random_keys(300000, 0, 300, 2));
    expect_sorted_as_literal(random_keys(100000, 0x654321, 1 << 12, 3)); // one deep range

    Keys descending(5000);
    Keys halves; // the two keys either side of the first split, interleaved
    Keys ends;
    Keys single_bits;
    Keys few_colors;
    for (int i = 0; i < 5000; ++i) {
        descending[static_cast<std::size_t>(i)] = 0xFFFFFF - i * 3331;
        halves.push_back(i % 2 == 0 ? 0x800000 : 0x7FFFFF);
        ends.push_back(i % 3 == 0 ? 0 : 0xFFFFFF);
        single_bits.push_back(1 << (i % 24));
        few_colors.push_back((i / 100 % 16) * 0x111111);
    }
    for (const Keys& keys : {descending, halves, ends, single_bits, few_colors}) {
        expect_sorted_as_literal(keys);
    }
}

TEST(SortColorKeys, LeavesShortAndUniformSlicesAsTheyAre) {
    for (const auto& [path, kernel] : kernels()) {
        for (const std::size_t n : {0, 1}) {
            Bytes bytes = elements_of(random_keys(n, 0, velto::key_limit, 9));
            const Bytes before = bytes;
            EXPECT_EQ(velto::sort_color_keys_with(
                          *kernel, bytes.data(), static_cast<std::int64_t>(n), 0, velto::key_limit),
                      0);
            EXPECT_EQ(bytes, before);
        }
        // All equal: every level puts everything on one side, until the range is one value.
        Bytes uniform = elements_of(Keys(1000, 0x123456));
        const Bytes before = uniform;
        EXPECT_EQ(velto::sort_color_keys_with(*kernel, uniform.data(), 1000, 0, velto::key_limit),
                  24)
            << path;
        EXPECT_EQ(uniform, before);
    }
}

TEST(SortColorKeys, FinishesFourOrFewerByComparisonAndSplitsFive) {
    Bytes four = elements_of({0xFFFFFF, 0x800000, 0x7FFFFF, 0});
    EXPECT_EQ(
        velto::sort_color_keys_with(velto::portable_kernel(), four.data(), 4, 0, velto::key_limit),
        0);
    EXPECT_EQ(keys_of(four), (Keys{0, 0x7FFFFF, 0x800000, 0xFFFFFF}));

    Bytes five = elements_of({0xFFFFFF, 0, 0x800000, 1, 0x7FFFFF});
    EXPECT_EQ(
        velto::sort_color_keys_with(velto::portable_kernel(), five.data(), 5, 0, velto::key_limit),
        1);
    EXPECT_EQ(keys_of(five), (Keys{0, 1, 0x7FFFFF, 0x800000, 0xFFFFFF}));
}

} // namespace
