#include "colors/pixels.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using velto::BITMAPINFOHEADER;

struct Geometry {
    std::int32_t width;
    std::int32_t height;
    std::int64_t row_bytes;
    std::int64_t stride;
    std::optional<std::int64_t> buffer;
};

TEST(PixelGeometry, SizesTheBufferWithoutWrapping) {
    const std::int32_t most = 2147483647;
    const std::vector<Geometry> table = {
        {1, 1, 3, 4, 5},
        {4, 1, 12, 12, 13},
        {5, 3, 15, 16, 49},
        {640, 480, 1920, 1920, 921601},
        {20000, 30000, 60000, 60000, 1800000001},
        {30000, 30000, 90000, 90000, std::nullopt},
        {100000000, 1, 300000000, 300000000, 300000001},
        {89478486, 1, 268435458, 268435460, 268435461},       // 24 × width leaves 32 bits
        {715827882, 1, 2147483646, 2147483648, std::nullopt}, // the stride leaves 32 bits
        {1, 536870911, 3, 4, 2147483645},                     // the largest buffer allowed
        {1, 536870912, 3, 4, std::nullopt},
        {1, most, 3, 4, std::nullopt},
        {most, most, 6442450941, 6442450944, std::nullopt}, // stride × rows leaves 63 bits
        {-1, 2, -3, 0, std::nullopt},                       // no pixels to count
        {-5, 2, -15, -12, std::nullopt},
        {1, -most - 1, 3, 4, std::nullopt},
        {-1, -most - 1, -3, 0, std::nullopt},
    };
    for (const Geometry& g : table) {
        BITMAPINFOHEADER info;
        info.biWidth = g.width;
        info.biHeight = g.height;
        info.biBitCount = 24;
        const velto::PixelGeometry geometry = velto::pixel_geometry(info);
        EXPECT_EQ(geometry.row_bytes, g.row_bytes) << g.width << " x " << g.height;
        EXPECT_EQ(geometry.stride, g.stride) << g.width << " x " << g.height;
        EXPECT_EQ(geometry.elements, std::int64_t{g.width} * g.height);
        EXPECT_EQ(velto::pixel_buffer_size(geometry), g.buffer) << g.width << " x " << g.height;
    }
}

TEST(PixelGeometry, PixelDataNeverStartsInsideTheHeaders) {
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> table = {
        {0, 54}, {53, 54}, {54, 54}, {138, 138}, {0xFFFFFFFF, 0xFFFFFFFF}};
    for (const auto& [stored, used] : table) {
        velto::BITMAPFILEHEADER file;
        file.bfOffBits = stored;
        EXPECT_EQ(velto::pixel_data_offset(file), used) << stored;
    }
}

TEST(ColorKey, RedIsTheMostSignificantByte) {
    const std::uint8_t more_red[] = {0, 0, 2};
    const std::uint8_t less_red[] = {255, 255, 1};
    EXPECT_GT(velto::compare_color_keys(more_red, less_red), 0);
    EXPECT_LT(velto::compare_color_keys(less_red, more_red), 0);
    EXPECT_EQ(velto::color_key(less_red), 0x01FFFF);
}

} // namespace
