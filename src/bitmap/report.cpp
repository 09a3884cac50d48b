#include "bitmap/report.h"

#include <limits>

namespace velto {
namespace {

constexpr std::uint16_t bitmap_magic = 0x4D42; // "BM"

const char* direction(std::int32_t biHeight) {
    if (biHeight < 0) {
        return "Top-Down Bitmap";
    }
    return biHeight > 0 ? "Bottom-Up Bitmap" : "No Image";
}

// The first failing check wins; its message is printed and the image is not counted.
bool check_countable(const BITMAPINFOHEADER& info, const Console& console) {
    if (info.biPlanes != 1) {
        std::fputs("Data Error :\n Parameter \"Color Planes\" must be 1.\n", err_stream(console));
        return false;
    }
    if (info.biWidth == 0 || info.biHeight == 0) {
        std::fputs("Warning :\n No Image in this bitmap.\n", err_stream(console));
        return false;
    }
    if (info.biCompression != 0 || info.biBitCount != 24) {
        std::fputs("Warning :\n Cannot count the color.\n", err_stream(console));
        return false;
    }
    return true;
}

} // namespace

std::int64_t dots_per_inch(std::int32_t pixels_per_metre) {
    return (std::int64_t{pixels_per_metre} * 254 + 5000) / 10000;
}

const char* compression_name(std::uint32_t biCompression) {
    switch (biCompression) {
    case 0:
        return "BI_RGB";
    case 1:
        return "BI_RLE8";
    case 2:
        return "BI_RLE4";
    case 3:
        return "BI_BITFIELDS";
    default:
        return "Unknown";
    }
}

bool report_bitmap(const char* name, BitmapHeaders& headers, const Console& console) {
    if (headers.file.bfType != bitmap_magic) {
        std::fprintf(err_stream(console),
                     "Data Error :\n This file isn't a bitmap image file. ( %s )\n", name);
        return false;
    }
    BITMAPINFOHEADER& info = headers.info;
    const char* const rows = direction(info.biHeight);
    // The lowest height has no positive counterpart and stays as it is.
    if (info.biHeight < 0 && info.biHeight != std::numeric_limits<std::int32_t>::min()) {
        info.biHeight = -info.biHeight;
    }
    // Every value goes through an explicit cast, so the columns are the same whether
    // long has 32 bits (Windows) or 64 (Linux). DPI values lie within ±54,546,085.
    std::fprintf(
        console.out,
        "\nFile Name    : %s\nFile Size    : %7lu Byte.\nImage Width  : %7ld Pixels.\n"
        "Image Height : %7ld Pixels.\nColor Planes : %7d Planes.\nColor Bits   : %7d bit.\n"
        "Compression  : %s\nImage Size   : %7lu Byte.\nDirection    : %s\n"
        "X-Resolution : %7ld DPI (%ld Pixels/Meter).\n"
        "Y-Resolution : %7ld DPI (%ld Pixels/Meter).\n\n",
        name, static_cast<unsigned long>(headers.file.bfSize), static_cast<long>(info.biWidth),
        static_cast<long>(info.biHeight), static_cast<int>(info.biPlanes),
        static_cast<int>(info.biBitCount), compression_name(info.biCompression),
        static_cast<unsigned long>(info.biSizeImage), rows,
        static_cast<long>(dots_per_inch(info.biXPelsPerMeter)),
        static_cast<long>(info.biXPelsPerMeter),
        static_cast<long>(dots_per_inch(info.biYPelsPerMeter)),
        static_cast<long>(info.biYPelsPerMeter));
    return check_countable(info, console);
}

} // namespace velto
