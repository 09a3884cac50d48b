#pragma once

#include "bitmap/headers.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

namespace velto {

// An element is one pixel's 3 bytes as stored (blue, green, red); its color key is
// those bytes read as a little-endian number, so red is the most significant.
inline constexpr std::ptrdiff_t element_bytes = 3;
inline constexpr std::int32_t key_limit = 0x1000000;

inline std::int32_t color_key(const std::uint8_t* element) {
    return element[0] | element[1] << 8 | element[2] << 16;
}

// key(a) - key(b): zero for the same color, negative when a orders first.
inline std::int32_t compare_color_keys(const std::uint8_t* a, const std::uint8_t* b) {
    return color_key(a) - color_key(b);
}

// The rows of an image as stored in the file. 64-bit, so no header value can wrap.
struct PixelGeometry {
    std::int64_t row_bytes; // pixel bytes of one row: floor(bits × width / 8)
    std::int64_t stride;    // row bytes rounded up to a multiple of 4, as in the file
    std::int64_t rows;
    std::int64_t elements; // width × rows
};

PixelGeometry pixel_geometry(const BITMAPINFOHEADER& info);

inline constexpr std::int64_t max_buffer_bytes = 0x7FFFFFFF;

// stride × rows + 1 bytes: the rows back to back and one spare byte, so that a 4-byte
// fetch of the last key stays inside. Nothing when that is out of [1, max_buffer_bytes]
// or the rows are of negative length, which leaves no pixels to count.
std::optional<std::int64_t> pixel_buffer_size(const PixelGeometry& geometry);

struct PixelBufferDeleter {
    bool page_aligned = false;
    void operator()(std::uint8_t* buffer) const;
};

// The pixel buffer. Its bytes are not initialised: a header that claims far more pixels
// than the file holds costs only the pages that the rows actually read reach.
using PixelBuffer = std::unique_ptr<std::uint8_t[], PixelBufferDeleter>;

// Throws std::bad_alloc when memory is exhausted.
PixelBuffer allocate_pixel_buffer(std::size_t size);

// Where the pixel rows start. An offset below the headers' end would point into them.
std::uint32_t pixel_data_offset(const BITMAPFILEHEADER& file);

enum class PixelRead { ok, short_read };

// Reads `geometry.rows` rows of a full stride each from `offset` on, placing each row
// `row_bytes` after the previous one: the padding is overwritten by the next row, so
// the buffer ends up holding the elements without gaps. Does not close the file.
PixelRead load_pixel_rows(std::FILE* file, std::uint32_t offset, const PixelGeometry& geometry,
                          std::uint8_t* buffer);

} // namespace velto
