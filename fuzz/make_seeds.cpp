// Writes the fuzzing seed corpus into a folder: velto-fuzz-seeds FOLDER
#include "bmp_writer.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using bmpgen::BmpSpec;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: velto-fuzz-seeds FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    struct Seed {
        const char* name;
        std::function<void(BmpSpec&)> edit;
        bmpgen::Picture kind;
        std::size_t cut; // bytes to drop from the end
        bool headers_only;
    };
    const std::vector<Seed> seeds = {
        {"plain", [](BmpSpec& s) { s.width = 7, s.height = 5; }, bmpgen::Picture::noise, 0, false},
        {"info124", [](BmpSpec& s) { s.width = 6, s.height = 4, s.info_size = 124; },
         bmpgen::Picture::photo, 0, false},
        {"topdown", [](BmpSpec& s) { s.width = 5, s.height = -6; }, bmpgen::Picture::flat, 0,
         false},
        {"odd-width", [](BmpSpec& s) { s.width = 13, s.height = 3; }, bmpgen::Picture::noise, 0,
         false},
        {"color-table", [](BmpSpec& s) { s.width = 4, s.height = 4, s.gap_bytes = 64; },
         bmpgen::Picture::flat, 0, false},
        {"truncated", [](BmpSpec& s) { s.width = 9, s.height = 9; }, bmpgen::Picture::noise, 5,
         false},
        {"one-pixel", [](BmpSpec& s) { s.width = 1, s.height = 1; }, bmpgen::Picture::noise, 0,
         false},
        {"claim-huge", [](BmpSpec& s) { s.width = 20000, s.height = 30000; },
         bmpgen::Picture::noise, 0, true},
        {"claim-too-big", [](BmpSpec& s) { s.width = 30000, s.height = 30000; },
         bmpgen::Picture::noise, 0, true},
        {"offset-far", [](BmpSpec& s) { s.width = 3, s.height = 3, s.data_offset = 0xFFFFFFF0; },
         bmpgen::Picture::noise, 0, false},
        {"width-negative", [](BmpSpec& s) { s.width = -1, s.height = 2; }, bmpgen::Picture::noise,
         0, true},
        {"eight-bits", [](BmpSpec& s) { s.width = 4, s.height = 4, s.bits = 8; },
         bmpgen::Picture::noise, 0, false},
    };
    for (const Seed& seed : seeds) {
        BmpSpec spec;
        seed.edit(spec);
        const std::int32_t rows = spec.height < 0 ? -spec.height : spec.height;
        std::vector<std::uint8_t> bytes =
            seed.headers_only
                ? bmpgen::bmp_headers(spec)
                : bmpgen::bmp_file(spec, bmpgen::make_pixels(seed.kind, spec.width, rows, 7));
        bytes.resize(bytes.size() - seed.cut);
        if (!bmpgen::write_file(folder + "/" + seed.name + ".bmp", bytes)) {
            std::fprintf(stderr, "velto-fuzz-seeds: cannot write into %s\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
