#include "bmp_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bmpgen {
namespace {

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::uint64_t abs_rows(std::int32_t height) {
    return height < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(std::int64_t{height})
                      : static_cast<std::uint64_t>(height);
}

// splitmix64: small, fast and good enough for test pixels.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
};

std::uint8_t clamp_byte(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

} // namespace

std::uint64_t stride_of(std::int32_t width) {
    const std::uint64_t row = 3 * static_cast<std::uint64_t>(width < 0 ? 0 : width);
    return (row + 3) & ~std::uint64_t{3};
}

std::vector<std::uint8_t> bmp_headers(const BmpSpec& spec) {
    const std::uint32_t info_size = spec.info_size < 40 ? 40 : spec.info_size;
    const std::uint32_t offset = 14 + info_size + spec.gap_bytes;
    const std::uint64_t image = stride_of(spec.width) * abs_rows(spec.height);
    std::vector<std::uint8_t> out(offset, 0);
    put16(out, 0, spec.magic.value_or(0x4D42));
    put32(out, 2, spec.file_size.value_or(static_cast<std::uint32_t>(offset + image)));
    put32(out, 10, spec.data_offset.value_or(offset));
    put32(out, 14, info_size);
    put32(out, 18, static_cast<std::uint32_t>(spec.width));
    put32(out, 22, static_cast<std::uint32_t>(spec.height));
    put16(out, 26, spec.planes);
    put16(out, 28, spec.bits);
    put32(out, 30, spec.compression);
    put32(out, 34, spec.image_size.value_or(static_cast<std::uint32_t>(image)));
    put32(out, 38, static_cast<std::uint32_t>(spec.x_ppm));
    put32(out, 42, static_cast<std::uint32_t>(spec.y_ppm));
    // A color table or a larger header's extra fields: filled so they never look like
    // zero pixels by accident.
    for (std::size_t i = 54; i < out.size(); ++i) {
        out[i] = static_cast<std::uint8_t>(0xA5 ^ i);
    }
    return out;
}

std::vector<std::uint8_t> bmp_file(const BmpSpec& spec, const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> out = bmp_headers(spec);
    const std::uint64_t row = 3 * static_cast<std::uint64_t>(spec.width < 0 ? 0 : spec.width);
    const std::uint64_t stride = stride_of(spec.width);
    const std::uint64_t rows = abs_rows(spec.height);
    const std::size_t start = out.size();
    out.resize(start + stride * rows, 0);
    for (std::uint64_t r = 0; r < rows && (r + 1) * row <= pixels.size(); ++r) {
        std::memcpy(&out[start + r * stride], &pixels[r * row], row);
    }
    return out;
}

std::vector<std::uint8_t> make_pixels(Picture kind, std::int32_t width, std::int32_t rows,
                                      std::uint64_t seed, int flat_colors) {
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(rows);
    std::vector<std::uint8_t> px(3 * w * h);
    Random random{seed};
    if (kind == Picture::noise) {
        for (std::size_t i = 0; i < px.size(); i += 3) {
            const std::uint64_t v = random.next();
            px[i] = static_cast<std::uint8_t>(v);
            px[i + 1] = static_cast<std::uint8_t>(v >> 8);
            px[i + 2] = static_cast<std::uint8_t>(v >> 16);
        }
        return px;
    }
    if (kind == Picture::flat) {
        std::vector<std::uint32_t> palette(
            static_cast<std::size_t>(flat_colors < 1 ? 1 : flat_colors));
        for (auto& c : palette) {
            c = static_cast<std::uint32_t>(random.next() & 0xFFFFFF);
        }
        const std::size_t block = 61;
        for (std::size_t y = 0; y < h; ++y) {
            for (std::size_t x = 0; x < w; ++x) {
                const std::uint32_t c = palette[(x / block * 7 + y / block * 3) % palette.size()];
                std::uint8_t* p = &px[3 * (y * w + x)];
                p[0] = static_cast<std::uint8_t>(c);
                p[1] = static_cast<std::uint8_t>(c >> 8);
                p[2] = static_cast<std::uint8_t>(c >> 16);
            }
        }
        return px;
    }
    // Photo-like: smooth shading, separable so that huge images are quick to make,
    // plus a little grain per pixel.
    std::vector<float> col(3 * w);
    std::vector<float> row(3 * h);
    for (std::size_t x = 0; x < w; ++x) {
        const double t = static_cast<double>(x) / static_cast<double>(w);
        col[3 * x] = static_cast<float>(60 * std::sin(6.1 * t) + 40 * t);
        col[3 * x + 1] = static_cast<float>(50 * std::cos(4.3 * t + 1));
        col[3 * x + 2] = static_cast<float>(70 * std::sin(3.7 * t + 2));
    }
    for (std::size_t y = 0; y < h; ++y) {
        const double t = static_cast<double>(y) / static_cast<double>(h);
        row[3 * y] = static_cast<float>(120 + 50 * std::cos(5.2 * t));
        row[3 * y + 1] = static_cast<float>(128 + 60 * std::sin(3.1 * t));
        row[3 * y + 2] = static_cast<float>(110 + 40 * std::cos(7.9 * t + 0.5));
    }
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint64_t grain = random.next();
            std::uint8_t* p = &px[3 * (y * w + x)];
            for (std::size_t c = 0; c < 3; ++c) {
                const int g = static_cast<int>((grain >> (8 * c)) & 7) - 3;
                p[c] = clamp_byte(static_cast<int>(col[3 * x + c] + row[3 * y + c]) + g);
            }
        }
    }
    return px;
}

std::optional<Picture> picture_named(const std::string& name) {
    if (name == "noise") {
        return Picture::noise;
    }
    if (name == "photo") {
        return Picture::photo;
    }
    if (name == "flat") {
        return Picture::flat;
    }
    return std::nullopt;
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

} // namespace bmpgen
