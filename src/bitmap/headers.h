#pragma once

#include <cstdint>
#include <cstdio>

namespace velto {

// The 14-byte record at the start of every bitmap file.
struct BITMAPFILEHEADER {
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

// The 40-byte record that follows it. Larger variants (108 or 124 bytes) begin with
// the same fields at the same offsets, so only these 40 bytes are ever read.
struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// The two records of one run.
struct BitmapHeaders {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
};

inline constexpr int file_header_bytes = 14;
inline constexpr int info_header_bytes = 40;
inline constexpr int headers_bytes = file_header_bytes + info_header_bytes;

enum class HeaderRead { ok, file_header_short, info_header_short };

// Fills `headers` from `file`, positioned at its start; tests nothing but the lengths.
HeaderRead read_bitmap_headers(std::FILE* file, BitmapHeaders& headers);

} // namespace velto
