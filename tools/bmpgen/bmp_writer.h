#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bmpgen {

// The header fields of a bitmap to write. The optional fields replace the values the
// writer would otherwise compute, so that files can claim what they do not hold.
struct BmpSpec {
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t planes = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::int32_t x_ppm = 2835;
    std::int32_t y_ppm = 2835;
    std::uint32_t info_size = 40; // 108 or 124 write the larger information headers
    std::uint32_t gap_bytes = 0;  // bytes between the headers and the pixels (a color table)
    std::optional<std::uint16_t> magic;
    std::optional<std::uint32_t> file_size;
    std::optional<std::uint32_t> data_offset;
    std::optional<std::uint32_t> image_size;
};

// Bytes per stored row of a 24-bit image: 3 × width rounded up to a multiple of 4.
std::uint64_t stride_of(std::int32_t width);

// The file header, the information header and the gap, without pixels.
std::vector<std::uint8_t> bmp_headers(const BmpSpec& spec);

// A whole 24-bit file. `pixels` holds the elements (blue, green, red) of the rows in
// file order, 3 × width × |height| bytes; each row gets its zero padding.
std::vector<std::uint8_t> bmp_file(const BmpSpec& spec, const std::vector<std::uint8_t>& pixels);

enum class Picture { noise, photo, flat };

// Deterministic pixels of a kind: uniform noise, smooth photo-like shading with grain,
// or a few flat colors (`flat_colors` of them) in blocks.
std::vector<std::uint8_t> make_pixels(Picture kind, std::int32_t width, std::int32_t rows,
                                      std::uint64_t seed = 1, int flat_colors = 16);

std::optional<Picture> picture_named(const std::string& name);

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace bmpgen
