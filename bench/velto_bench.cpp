// Speed of the color count and its parts, beside a one-pass 2^24-bit bitset count of
// the same pixels as the baseline: read each result as a ratio to BM_BitsetCount.
//   build/bench/bench/velto_bench --benchmark_filter=... --benchmark_repetitions=5
#include "bmp_writer.h"
#include "cli/driver.h"
#include "colors/count.h"
#include "colors/pixels.h"
#include "colors/sort.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using bmpgen::Picture;

const char* const kind_names[] = {"noise", "photo", "flat"};

// Side lengths giving 1 M, 16 M and 67 M elements.
const std::vector<std::int64_t> sides = {1024, 4096, 8191};

// Pixels of a picture, with the spare byte of the real buffer; made once per size.
const std::vector<std::uint8_t>& pixels(std::int64_t kind, std::int64_t side) {
    static std::map<std::pair<std::int64_t, std::int64_t>, std::vector<std::uint8_t>> made;
    auto& px = made[{kind, side}];
    if (px.empty()) {
        const auto s = static_cast<std::int32_t>(side);
        px = bmpgen::make_pixels(static_cast<Picture>(kind), s, s, 7);
        px.push_back(0);
    }
    return px;
}

void label(benchmark::State& state) {
    state.SetLabel(std::string(kind_names[state.range(0)]) + " " + std::to_string(state.range(1)) +
                   "^2");
    state.SetItemsProcessed(state.iterations() * state.range(1) * state.range(1));
}

void BM_BitsetCount(benchmark::State& state) {
    const auto& px = pixels(state.range(0), state.range(1));
    std::vector<std::uint64_t> seen(0x1000000 / 64);
    for (auto _ : state) {
        std::fill(seen.begin(), seen.end(), 0);
        for (std::size_t i = 0; i + 3 < px.size(); i += 3) {
            const auto key = static_cast<std::uint32_t>(velto::color_key(&px[i]));
            seen[key >> 6] |= std::uint64_t{1} << (key & 63);
        }
        std::int64_t colors = 0;
        for (const std::uint64_t word : seen) {
            colors += std::popcount(word);
        }
        benchmark::DoNotOptimize(colors);
    }
    label(state);
}

// The sort (and the count pass after it) on a fresh copy each time; the copy is not timed.
void sort_with(benchmark::State& state, const velto::ColorKernel& kernel, bool whole_sort) {
    const auto& px = pixels(state.range(0), state.range(1));
    const std::int64_t n = state.range(1) * state.range(1);
    const velto::PixelBuffer work = velto::allocate_pixel_buffer(px.size());
    std::int64_t lows = 0; // the first level's split point, for the partition alone
    for (std::int64_t i = 0; i < n; ++i) {
        lows += px[static_cast<std::size_t>(3 * i + 2)] < 0x80 ? 1 : 0;
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.get(), px.data(), px.size());
        state.ResumeTiming();
        if (whole_sort) {
            velto::sort_color_keys_with(kernel, work.get(), n, 0, velto::key_limit);
            benchmark::DoNotOptimize(velto::count_sorted_colors(work.get(), n));
        } else {
            benchmark::DoNotOptimize(kernel.partition(work.get(), n, 23, lows));
        }
        benchmark::ClobberMemory();
    }
    label(state);
}

void BM_SortPortable(benchmark::State& state) {
    sort_with(state, velto::portable_kernel(), true);
}

void BM_SortFastest(benchmark::State& state) {
    sort_with(state, velto::fastest_kernel(), true);
}

void BM_PartitionPortable(benchmark::State& state) {
    sort_with(state, velto::portable_kernel(), false);
}

void BM_PartitionFastest(benchmark::State& state) {
    sort_with(state, velto::fastest_kernel(), false);
}

// The whole command on a file: read, sort, count, print (into a discarded stream).
void BM_CountFile(benchmark::State& state) {
    const auto s = static_cast<std::int32_t>(state.range(1));
    bmpgen::BmpSpec spec;
    spec.width = spec.height = s;
    const auto path = (std::filesystem::temp_directory_path() /
                       ("velto-bench-" + std::to_string(state.range(0)) + ".bmp"))
                          .string();
    auto px = pixels(state.range(0), s);
    px.pop_back();
    bmpgen::write_file(path, bmpgen::bmp_file(spec, px));
    std::FILE* discard = std::tmpfile();
    const char* const argv[] = {"velto", path.c_str(), "/c", nullptr};
    for (auto _ : state) {
        std::rewind(discard);
        benchmark::DoNotOptimize(velto::run_velto(3, argv, velto::Console{discard, discard}));
    }
    std::fclose(discard);
    std::filesystem::remove(path);
    label(state);
}

// Reading the rows of a file into fresh memory: plain pages against the pixel buffer,
// which asks for huge pages where the platform has them.
void load_rows(benchmark::State& state, bool pixel_buffer) {
    const auto s = static_cast<std::int32_t>(state.range(1));
    bmpgen::BmpSpec spec;
    spec.width = spec.height = s;
    const auto path = (std::filesystem::temp_directory_path() / "velto-bench-load.bmp").string();
    auto px = pixels(state.range(0), s);
    px.pop_back();
    bmpgen::write_file(path, bmpgen::bmp_file(spec, px));
    velto::BITMAPINFOHEADER info;
    info.biWidth = info.biHeight = s;
    info.biBitCount = 24;
    const velto::PixelGeometry geometry = velto::pixel_geometry(info);
    const auto size = static_cast<std::size_t>(*velto::pixel_buffer_size(geometry));
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> plain;
        velto::PixelBuffer buffer;
        std::uint8_t* into = nullptr;
        if (pixel_buffer) {
            buffer = velto::allocate_pixel_buffer(size);
            into = buffer.get();
        } else {
            plain.reset(new std::uint8_t[size]);
            into = plain.get();
        }
        std::FILE* file = std::fopen(path.c_str(), "rb");
        benchmark::DoNotOptimize(velto::load_pixel_rows(file, 54, geometry, into));
        std::fclose(file);
    }
    std::filesystem::remove(path);
    label(state);
}

void BM_LoadRowsPlainPages(benchmark::State& state) {
    load_rows(state, false);
}

void BM_LoadRowsPixelBuffer(benchmark::State& state) {
    load_rows(state, true);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (std::int64_t kind = 0; kind < 3; ++kind) {
        for (const std::int64_t side : sides) {
            b->Args({kind, side});
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_BitsetCount)->Apply(sizes);
BENCHMARK(BM_PartitionPortable)->Apply(sizes);
BENCHMARK(BM_PartitionFastest)->Apply(sizes);
BENCHMARK(BM_SortPortable)->Apply(sizes);
BENCHMARK(BM_SortFastest)->Apply(sizes);
BENCHMARK(BM_CountFile)->Apply(sizes);
BENCHMARK(BM_LoadRowsPlainPages)->Apply(sizes);
BENCHMARK(BM_LoadRowsPixelBuffer)->Apply(sizes);

} // namespace

BENCHMARK_MAIN();
