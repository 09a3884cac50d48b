// Writes a 24-bit test bitmap: velto-bmpgen KIND WIDTH HEIGHT OUT.bmp [SEED]
// KIND is noise, photo or flat; a negative HEIGHT writes a top-down file.
#include "bmp_writer.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fputs("usage: velto-bmpgen noise|photo|flat WIDTH HEIGHT OUT.bmp [SEED]\n", stderr);
        return 2;
    }
    const auto kind = bmpgen::picture_named(argv[1]);
    const long width = std::strtol(argv[2], nullptr, 10);
    const long height = std::strtol(argv[3], nullptr, 10);
    const unsigned long long seed = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 1;
    if (!kind || width < 1 || width > 65535 || height == 0 || height < -65535 || height > 65535) {
        std::fputs("velto-bmpgen: unknown kind or size out of 1..65535\n", stderr);
        return 2;
    }
    bmpgen::BmpSpec spec;
    spec.width = static_cast<std::int32_t>(width);
    spec.height = static_cast<std::int32_t>(height);
    const auto rows = static_cast<std::int32_t>(height < 0 ? -height : height);
    const auto file = bmpgen::bmp_file(spec, bmpgen::make_pixels(*kind, spec.width, rows, seed));
    if (!bmpgen::write_file(argv[4], file)) {
        std::fprintf(stderr, "velto-bmpgen: cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
