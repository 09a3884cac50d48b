#include "colors/count.h"
#include "colors/pixels.h"
#include "colors/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

using Keys = std::vector<std::int32_t>;

// Elements for `keys`, with the spare byte the pixel buffer always has.
std::vector<std::uint8_t> elements_of(const Keys& keys) {
    std::vector<std::uint8_t> bytes(keys.size() * 3 + 1, 0xEE);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        bytes[3 * i] = static_cast<std::uint8_t>(keys[i]);
        bytes[3 * i + 1] = static_cast<std::uint8_t>(keys[i] >> 8);
        bytes[3 * i + 2] = static_cast<std::uint8_t>(keys[i] >> 16);
    }
    return bytes;
}

Keys keys_of(const std::vector<std::uint8_t>& bytes) {
    Keys keys;
    for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3) {
        keys.push_back(velto::color_key(&bytes[i]));
    }
    return keys;
}

Keys random_keys(std::size_t n, std::int32_t range, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> key(0, range - 1);
    Keys keys(n);
    for (auto& k : keys) {
        k = key(random);
    }
    return keys;
}

// Sorts `keys` as the count does and checks order, content, depth and the count.
void expect_sorted(const Keys& keys) {
    auto bytes = elements_of(keys);
    const auto n = static_cast<std::int64_t>(keys.size());
    const int depth = velto::sort_color_keys_depth(bytes.data(), n, 0, velto::key_limit);
    Keys expected = keys;
    std::sort(expected.begin(), expected.end());
    bytes.pop_back(); // the spare byte
    ASSERT_EQ(keys_of(bytes), expected) << "n = " << n;
    EXPECT_LE(depth, 24);
    const std::set<std::int32_t> distinct(keys.begin(), keys.end());
    EXPECT_EQ(velto::count_sorted_colors(bytes.data(), n),
              std::max<std::int64_t>(1, static_cast<std::int64_t>(distinct.size())));
}

TEST(SortColorKeys, SortsRandomKeysOfEverySmallLength) {
    for (std::size_t n = 0; n <= 40; ++n) {
        expect_sorted(random_keys(n, velto::key_limit, static_cast<unsigned>(n)));
        expect_sorted(random_keys(n, 3, static_cast<unsigned>(n))); // mostly equal keys
    }
}

TEST(SortColorKeys, SortsLargeAndAdversarialInputs) {
    expect_sorted(random_keys(200000, velto::key_limit, 1));
    expect_sorted(random_keys(200000, 300, 2));

    Keys descending(5000);
    for (std::size_t i = 0; i < descending.size(); ++i) {
        descending[i] = 0xFFFFFF - static_cast<std::int32_t>(i * 3331 % 0x1000000);
    }
    std::sort(descending.rbegin(), descending.rend());
    expect_sorted(descending);

    Keys halves; // the two keys either side of the first split, interleaved
    Keys ends;
    Keys single_bits;
    for (int i = 0; i < 1000; ++i) {
        halves.push_back(i % 2 == 0 ? 0x800000 : 0x7FFFFF);
        ends.push_back(i % 3 == 0 ? 0 : 0xFFFFFF);
        single_bits.push_back(1 << (i % 24));
    }
    expect_sorted(halves);
    expect_sorted(ends);
    expect_sorted(single_bits);
}

TEST(SortColorKeys, LeavesShortAndUniformSlicesAsTheyAre) {
    for (const std::size_t n : {0, 1}) {
        auto bytes = elements_of(random_keys(n, velto::key_limit, 9));
        const auto before = bytes;
        EXPECT_EQ(velto::sort_color_keys_depth(bytes.data(), static_cast<std::int64_t>(n), 0,
                                               velto::key_limit),
                  0);
        EXPECT_EQ(bytes, before);
    }
    // All equal: every level puts everything on one side, until the range is one value.
    auto uniform = elements_of(Keys(1000, 0x123456));
    const auto before = uniform;
    EXPECT_EQ(velto::sort_color_keys_depth(uniform.data(), 1000, 0, velto::key_limit), 24);
    EXPECT_EQ(uniform, before);
}

TEST(SortColorKeys, FinishesFourOrFewerByComparisonAndSplitsFive) {
    auto four = elements_of({0xFFFFFF, 0x800000, 0x7FFFFF, 0});
    EXPECT_EQ(velto::sort_color_keys_depth(four.data(), 4, 0, velto::key_limit), 0);
    EXPECT_EQ(keys_of(four), (Keys{0, 0x7FFFFF, 0x800000, 0xFFFFFF}));

    auto five = elements_of({0xFFFFFF, 0, 0x800000, 1, 0x7FFFFF});
    EXPECT_EQ(velto::sort_color_keys_depth(five.data(), 5, 0, velto::key_limit), 1);
    EXPECT_EQ(keys_of(five), (Keys{0, 1, 0x7FFFFF, 0x800000, 0xFFFFFF}));
}

} // namespace
