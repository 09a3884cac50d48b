// The one processor-specific piece of the count: the partition's block steps and the
// neighbour count with AVX-512 byte permutes, compress and expand. Chosen at run time;
// every other build and processor uses the portable kernel.
#include "colors/partition_blocks.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

// GCC 12's own permute intrinsics start from _mm512_undefined_epi32(), which it then
// reports as maybe uninitialized.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define VELTO_VECTOR __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt")))

namespace velto {
namespace {

// A block of 64 elements is 192 bytes: three registers, in which element i's bytes
// are bytes 3i, 3i + 1 and 3i + 2.

// Any byte of a block, by its index in 0..191, for each byte of a register: indices
// below 128 come from the first two registers, the rest from the last two, and
// `from_high` picks between the two permutes.
struct PermuteTable {
    alignas(64) std::uint8_t low[64];
    alignas(64) std::uint8_t high[64];
    std::uint64_t from_high;
};

constexpr PermuteTable permute_table(const int (&source)[64]) {
    PermuteTable t{};
    for (int p = 0; p < 64; ++p) {
        t.low[p] = static_cast<std::uint8_t>(source[p] & 127);
        t.high[p] = static_cast<std::uint8_t>((source[p] - 64) & 127);
        t.from_high |= std::uint64_t{source[p] >= 128 ? 1U : 0U} << p;
    }
    return t;
}

// Byte c of every element: element i's byte is at 3i + c.
constexpr PermuteTable gather_table(int byte) {
    int source[64]{};
    for (int i = 0; i < 64; ++i) {
        source[i] = 3 * i + byte;
    }
    return permute_table(source);
}

// Register r of the block with its 64 elements in reverse order: output byte p is
// input byte 3 (63 - p / 3) + p % 3.
constexpr PermuteTable reverse_table(int r) {
    int source[64]{};
    for (int p = 0; p < 64; ++p) {
        const int out = 64 * r + p;
        source[p] = 3 * (63 - out / 3) + out % 3;
    }
    return permute_table(source);
}

constexpr PermuteTable gather_tables[3] = {gather_table(0), gather_table(1), gather_table(2)};
constexpr PermuteTable reverse_tables[3] = {reverse_table(0), reverse_table(1), reverse_table(2)};

// For register r of a block, the element of each byte: (64r + p) / 3.
struct SpreadTable {
    alignas(64) std::uint8_t element[3][64];
};

constexpr SpreadTable spread_table() {
    SpreadTable t{};
    for (std::ptrdiff_t r = 0; r < 3; ++r) {
        for (int p = 0; p < 64; ++p) {
            t.element[r][p] = static_cast<std::uint8_t>((64 * r + p) / 3);
        }
    }
    return t;
}

constexpr SpreadTable spread = spread_table();

std::uint64_t first_bits(int count) {
    return count >= 64 ? ~std::uint64_t{0} : count <= 0 ? 0 : (std::uint64_t{1} << count) - 1;
}

VELTO_VECTOR inline __m512i permute_block(__m512i a, __m512i b, __m512i c, const PermuteTable& t) {
    const __m512i from_ab = _mm512_permutex2var_epi8(a, _mm512_load_si512(t.low), b);
    const __m512i from_bc = _mm512_permutex2var_epi8(b, _mm512_load_si512(t.high), c);
    return _mm512_mask_blend_epi8(t.from_high, from_ab, from_bc);
}

// The byte masks of the three registers of a block for a mask of its elements.
struct ByteMasks {
    std::uint64_t part[3];
};

VELTO_VECTOR inline ByteMasks byte_masks(std::uint64_t elements) {
    const __m512i chosen = _mm512_movm_epi8(elements);
    ByteMasks m{};
    for (std::ptrdiff_t r = 0; r < 3; ++r) {
        m.part[r] = _mm512_movepi8_mask(
            _mm512_permutexvar_epi8(_mm512_load_si512(spread.element[r]), chosen));
    }
    return m;
}

// Packs the chosen elements of a block, in reverse order, into the first 3k bytes of
// `out` (256 bytes): packed to end at byte 192, then the whole block reversed.
VELTO_VECTOR inline void pack_reversed(const std::uint8_t* block, const ByteMasks& m, int k,
                                       std::uint8_t* out) {
    alignas(64) std::uint8_t packed[256] = {}; // only bytes 192 - 3k on are packed
    int at = 192 - 3 * k;
    for (std::ptrdiff_t r = 0; r < 3; ++r) {
        const __m512i part = _mm512_maskz_loadu_epi8(m.part[r], block + 64 * r);
        _mm512_storeu_si512(packed + at, _mm512_maskz_compress_epi8(m.part[r], part));
        at += static_cast<int>(_mm_popcnt_u64(m.part[r]));
    }
    const __m512i a = _mm512_load_si512(packed);
    const __m512i b = _mm512_load_si512(packed + 64);
    const __m512i c = _mm512_load_si512(packed + 128);
    for (std::ptrdiff_t r = 0; r < 3; ++r) {
        _mm512_store_si512(out + 64 * r, permute_block(a, b, c, reverse_tables[r]));
    }
}

// Writes the packed elements of `in` into the chosen elements of a block, in order.
VELTO_VECTOR inline void unpack(std::uint8_t* block, const ByteMasks& m, const std::uint8_t* in) {
    int at = 0;
    for (std::ptrdiff_t r = 0; r < 3; ++r) {
        const __m512i part = _mm512_maskz_expand_epi8(m.part[r], _mm512_loadu_si512(in + at));
        _mm512_mask_storeu_epi8(block + 64 * r, m.part[r], part);
        at += static_cast<int>(_mm_popcnt_u64(m.part[r]));
    }
}

// Below this many pairs, swapping one pair at a time is cheaper.
constexpr int dense_pairs = 6;

// The block steps with AVX-512: the two bits of 64 elements in a few permutes, and
// dense pairs swapped all at once.
struct VectorSteps {
    __m512i bit_mask;
    __m512i next_mask;
    const PermuteTable& bit_bytes;
    const PermuteTable& next_bytes;
    bool has_next;
    bool next_in_same_byte;

    VELTO_VECTOR explicit VectorSteps(int bit)
        : bit_mask(_mm512_set1_epi8(static_cast<char>(1 << (bit & 7)))),
          next_mask(_mm512_set1_epi8(static_cast<char>(1 << ((bit > 0 ? bit - 1 : 0) & 7)))),
          bit_bytes(gather_tables[bit >> 3]),
          next_bytes(gather_tables[(bit > 0 ? bit - 1 : 0) >> 3]), has_next(bit > 0),
          next_in_same_byte((bit & 7) != 0) {}

    VELTO_VECTOR inline blocks::BlockClass classify(const std::uint8_t* elements, int count) const {
        // Masked loads never touch the bytes past the block.
        const int bytes = 3 * count;
        const __m512i a = _mm512_maskz_loadu_epi8(first_bits(bytes), elements);
        const __m512i b = _mm512_maskz_loadu_epi8(first_bits(bytes - 64), elements + 64);
        const __m512i c = _mm512_maskz_loadu_epi8(first_bits(bytes - 128), elements + 128);
        const std::uint64_t valid = first_bits(count);
        const __m512i key_bytes = permute_block(a, b, c, bit_bytes);
        const std::uint64_t set = _mm512_test_epi8_mask(key_bytes, bit_mask) & valid;
        if (!has_next) {
            return {set, 0, 0};
        }
        const __m512i next_key_bytes =
            next_in_same_byte ? key_bytes : permute_block(a, b, c, next_bytes);
        const std::uint64_t next_clear = _mm512_testn_epi8_mask(next_key_bytes, next_mask) & valid;
        return {set, static_cast<int>(_mm_popcnt_u64(next_clear & ~set)),
                static_cast<int>(_mm_popcnt_u64(next_clear & set))};
    }

    // The k pairs at once: the k lowest highs of the left block take the k highest lows
    // of the right block in reverse order, and the other way round, which is what
    // swapping them one pair at a time does.
    VELTO_VECTOR inline static void swap_pairs(std::uint8_t* left, std::uint64_t& highs,
                                               std::uint8_t* right, std::uint64_t& lows) {
        const int high_count = static_cast<int>(_mm_popcnt_u64(highs));
        const int low_count = static_cast<int>(_mm_popcnt_u64(lows));
        const int k = high_count < low_count ? high_count : low_count;
        if (k < dense_pairs) {
            blocks::swap_pairs_one_by_one(left, highs, right, lows);
            return;
        }
        const std::uint64_t left_pairs = _pdep_u64(first_bits(k), highs);
        const std::uint64_t right_pairs = lows & ~_pdep_u64(first_bits(low_count - k), lows);
        const ByteMasks left_bytes = byte_masks(left_pairs);
        const ByteMasks right_bytes = byte_masks(right_pairs);
        alignas(64) std::uint8_t from_left[256];
        alignas(64) std::uint8_t from_right[256];
        pack_reversed(left, left_bytes, k, from_left);
        pack_reversed(right, right_bytes, k, from_right);
        unpack(left, left_bytes, from_right);
        unpack(right, right_bytes, from_left);
        highs &= ~left_pairs;
        lows &= ~right_pairs;
    }
};

VELTO_VECTOR NextSplits partition_vector(std::uint8_t* base, std::int64_t n, int bit,
                                         std::int64_t lows) {
    return blocks::partition(VectorSteps(bit), base, n, lows);
}

// 64 neighbour pairs per step: the block against the block one element on, byte by
// byte; an element differs from the next when any of its three bytes does.
VELTO_VECTOR std::int64_t count_changes_vector(const std::uint8_t* base, std::int64_t n) {
    std::int64_t changes = 0;
    std::int64_t j = 0;
    for (; j + 64 < n; j += 64) { // the block one on ends at element j + 64
        const std::uint8_t* const e = base + 3 * j;
        const __m512i differ[3] = {_mm512_movm_epi8(_mm512_cmpneq_epi8_mask(
                                       _mm512_loadu_si512(e), _mm512_loadu_si512(e + 3))),
                                   _mm512_movm_epi8(_mm512_cmpneq_epi8_mask(
                                       _mm512_loadu_si512(e + 64), _mm512_loadu_si512(e + 67))),
                                   _mm512_movm_epi8(_mm512_cmpneq_epi8_mask(
                                       _mm512_loadu_si512(e + 128), _mm512_loadu_si512(e + 131)))};
        const __m512i any = _mm512_or_si512(
            permute_block(differ[0], differ[1], differ[2], gather_tables[0]),
            _mm512_or_si512(permute_block(differ[0], differ[1], differ[2], gather_tables[1]),
                            permute_block(differ[0], differ[1], differ[2], gather_tables[2])));
        changes += static_cast<std::int64_t>(_mm_popcnt_u64(_mm512_movepi8_mask(any)));
    }
    for (; j + 1 < n; ++j) {
        changes += compare_color_keys(base + 3 * j, base + 3 * (j + 1)) != 0 ? 1 : 0;
    }
    return changes;
}

constexpr ColorKernel kernel{"vector", partition_vector, count_changes_vector};

} // namespace

const ColorKernel* vector_kernel() {
    __builtin_cpu_init();
    const bool usable = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512vbmi") &&
                        __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2") &&
                        __builtin_cpu_supports("popcnt");
    return usable ? &kernel : nullptr;
}

} // namespace velto

#else

namespace velto {

const ColorKernel* vector_kernel() {
    return nullptr;
}

} // namespace velto

#endif
