#include "colors/pixels.h"

#include <algorithm>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace velto {
namespace {

// fseek takes a long, which has 32 bits on Windows, so an offset of up to
// 0xFFFFFFFF is reached in steps that each fit.
bool seek_from_start(std::FILE* file, std::uint32_t offset) {
    constexpr std::uint32_t largest_step = 0x7FFFFFFF;
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        return false;
    }
    while (offset > 0) {
        const std::uint32_t step = std::min(offset, largest_step);
        if (std::fseek(file, static_cast<long>(step), SEEK_CUR) != 0) {
            return false;
        }
        offset -= step;
    }
    return true;
}

// Buffers of at least this size are aligned to it: the huge page size of x86-64 and
// arm64 Linux.
constexpr std::size_t huge_page = std::size_t{2} << 20;

// Linux backs a large buffer with 2 MiB pages when asked: a 200 MB image then takes a
// hundred page faults while it is read instead of fifty thousand (half the reading
// time), and the sort misses the TLB less. Advice only: a refusal changes nothing.
void ask_for_huge_pages([[maybe_unused]] std::uint8_t* buffer, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(buffer, size / huge_page * huge_page, MADV_HUGEPAGE);
#endif
}

} // namespace

void PixelBufferDeleter::operator()(std::uint8_t* buffer) const {
    if (page_aligned) {
        ::operator delete[](buffer, std::align_val_t{huge_page});
    } else {
        delete[] buffer;
    }
}

PixelBuffer allocate_pixel_buffer(std::size_t size) {
    if (size < huge_page) {
        return PixelBuffer(new std::uint8_t[size], PixelBufferDeleter{false});
    }
    auto* buffer = static_cast<std::uint8_t*>(::operator new[](size, std::align_val_t{huge_page}));
    ask_for_huge_pages(buffer, size);
    return PixelBuffer(buffer, PixelBufferDeleter{true});
}

PixelGeometry pixel_geometry(const BITMAPINFOHEADER& info) {
    // An arithmetic shift floors, as the row length of a negative width requires.
    const std::int64_t row_bytes = (std::int64_t{info.biBitCount} * info.biWidth) >> 3;
    const std::int64_t stride = (row_bytes + 3) & ~std::int64_t{3};
    return {row_bytes, stride, info.biHeight, std::int64_t{info.biWidth} * info.biHeight};
}

std::optional<std::int64_t> pixel_buffer_size(const PixelGeometry& geometry) {
    if (geometry.row_bytes < 0 || geometry.rows < 0) {
        return std::nullopt;
    }
    // Divide before multiplying: even a 64-bit stride × rows can overflow.
    if (geometry.rows > 0 && geometry.stride > (max_buffer_bytes - 1) / geometry.rows) {
        return std::nullopt;
    }
    return geometry.stride * geometry.rows + 1;
}

std::uint32_t pixel_data_offset(const BITMAPFILEHEADER& file) {
    return std::max<std::uint32_t>(file.bfOffBits, headers_bytes);
}

PixelRead load_pixel_rows(std::FILE* file, std::uint32_t offset, const PixelGeometry& geometry,
                          std::uint8_t* buffer) {
    if (!seek_from_start(file, offset)) {
        return PixelRead::short_read;
    }
    // The padding is read too: a file that ends inside its last row's padding is short.
    const auto stride = static_cast<std::size_t>(geometry.stride);
    for (std::int64_t row = 0; row < geometry.rows; ++row) {
        if (std::fread(buffer + row * geometry.row_bytes, 1, stride, file) != stride) {
            return PixelRead::short_read;
        }
    }
    return PixelRead::ok;
}

} // namespace velto
