// The one processor-specific piece of the sort: 64 elements classified at once with
// AVX-512 byte permutes. Chosen at run time; every other build has no vector path.
#include "colors/classify.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace velto {
namespace {

// Permute indices that gather byte c of each of 64 elements held in three 64-byte
// registers: element i's byte is at 3i + c. Indices below 128 come from the first two
// registers, the rest from the last two, and `from_high` picks between the two permutes.
struct GatherTable {
    alignas(64) std::uint8_t low[64];
    alignas(64) std::uint8_t high[64];
    std::uint64_t from_high;
};

constexpr GatherTable gather_table(int byte) {
    GatherTable t{};
    for (int i = 0; i < 64; ++i) {
        const int at = 3 * i + byte;
        t.low[i] = static_cast<std::uint8_t>(at & 127);
        t.high[i] = static_cast<std::uint8_t>((at - 64) & 127);
        t.from_high |= std::uint64_t{at >= 128} << i;
    }
    return t;
}

constexpr GatherTable gather_tables[3] = {gather_table(0), gather_table(1), gather_table(2)};

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) __m512i
element_bytes_at(__m512i a, __m512i b, __m512i c, int byte) {
    const GatherTable& t = gather_tables[byte];
    const __m512i from_ab = _mm512_permutex2var_epi8(a, _mm512_load_si512(t.low), b);
    const __m512i from_bc = _mm512_permutex2var_epi8(b, _mm512_load_si512(t.high), c);
    return _mm512_mask_blend_epi8(t.from_high, from_ab, from_bc);
}

// The first `bytes` bytes of a 64-byte load; masked loads never touch the rest.
std::uint64_t first_bytes(int bytes) {
    return bytes >= 64 ? ~std::uint64_t{0} : bytes <= 0 ? 0 : (std::uint64_t{1} << bytes) - 1;
}

__attribute__((target("avx512f,avx512bw,avx512vbmi,popcnt"))) BlockClass
classify_block_avx512(const std::uint8_t* elements, int count, int bit) {
    __m512i a;
    __m512i b;
    __m512i c;
    if (count == 64) {
        a = _mm512_loadu_si512(elements);
        b = _mm512_loadu_si512(elements + 64);
        c = _mm512_loadu_si512(elements + 128);
    } else {
        const int bytes = 3 * count;
        a = _mm512_maskz_loadu_epi8(first_bytes(bytes), elements);
        b = _mm512_maskz_loadu_epi8(first_bytes(bytes - 64), elements + 64);
        c = _mm512_maskz_loadu_epi8(first_bytes(bytes - 128), elements + 128);
    }
    const std::uint64_t valid = count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
    const __m512i bytes = element_bytes_at(a, b, c, bit >> 3);
    const std::uint64_t set =
        _mm512_test_epi8_mask(bytes, _mm512_set1_epi8(static_cast<char>(1 << (bit & 7)))) & valid;
    if (bit == 0) {
        return {set, 0, 0};
    }
    const int next = bit - 1;
    const __m512i next_bytes =
        (next >> 3) == (bit >> 3) ? bytes : element_bytes_at(a, b, c, next >> 3);
    const std::uint64_t next_clear =
        _mm512_testn_epi8_mask(next_bytes, _mm512_set1_epi8(static_cast<char>(1 << (next & 7)))) &
        valid;
    return {set, __builtin_popcountll(next_clear & ~set), __builtin_popcountll(next_clear & set)};
}

} // namespace

ClassifyBlock vector_classify_block() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi")) {
        return classify_block_avx512;
    }
    return nullptr;
}

} // namespace velto

#else

namespace velto {

ClassifyBlock vector_classify_block() {
    return nullptr;
}

} // namespace velto

#endif
