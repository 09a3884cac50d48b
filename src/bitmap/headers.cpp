#include "bitmap/headers.h"

#include <array>

namespace velto {
namespace {

// Fields are decoded from little-endian bytes, so neither the host's byte order nor
// its structure padding can change what is read.
std::uint16_t u16_at(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t u32_at(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

std::int32_t i32_at(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(u32_at(bytes));
}

} // namespace

HeaderRead read_bitmap_headers(std::FILE* file, BitmapHeaders& headers) {
    std::array<std::uint8_t, file_header_bytes> fh{};
    if (std::fread(fh.data(), 1, fh.size(), file) != fh.size()) {
        return HeaderRead::file_header_short;
    }
    headers.file.bfType = u16_at(fh.data());
    headers.file.bfSize = u32_at(&fh[2]);
    headers.file.bfReserved1 = u16_at(&fh[6]);
    headers.file.bfReserved2 = u16_at(&fh[8]);
    headers.file.bfOffBits = u32_at(&fh[10]);

    std::array<std::uint8_t, info_header_bytes> ih{};
    if (std::fread(ih.data(), 1, ih.size(), file) != ih.size()) {
        return HeaderRead::info_header_short;
    }
    BITMAPINFOHEADER& info = headers.info;
    info.biSize = u32_at(ih.data());
    info.biWidth = i32_at(&ih[4]);
    info.biHeight = i32_at(&ih[8]);
    info.biPlanes = u16_at(&ih[12]);
    info.biBitCount = u16_at(&ih[14]);
    info.biCompression = u32_at(&ih[16]);
    info.biSizeImage = u32_at(&ih[20]);
    info.biXPelsPerMeter = i32_at(&ih[24]);
    info.biYPelsPerMeter = i32_at(&ih[28]);
    info.biClrUsed = u32_at(&ih[32]);
    info.biClrImportant = u32_at(&ih[36]);
    return HeaderRead::ok;
}

} // namespace velto
