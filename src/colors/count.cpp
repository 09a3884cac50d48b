#include "colors/count.h"

#include "cli/file.h"
#include "colors/pixels.h"
#include "colors/sort.h"

#include <new>

namespace velto {

std::int64_t count_sorted_colors(const std::uint8_t* base, std::int64_t n) {
    return 1 + fastest_kernel().count_changes(base, n);
}

ExitStatus count_colors(const char* name, const BitmapHeaders& headers, const Console& console) {
    const PixelGeometry geometry = pixel_geometry(headers.info);
    // A size out of range is treated as memory the allocator cannot give.
    const auto size = pixel_buffer_size(geometry);
    PixelBuffer buffer;
    try {
        if (size) {
            buffer = allocate_pixel_buffer(static_cast<std::size_t>(*size));
        }
    } catch (const std::bad_alloc&) {
        // buffer stays empty
    } catch (...) {
        std::fputs("Memory Error :\n Unknown error has occured.\n", err_stream(console));
        return ExitStatus::alloc_failed;
    }
    if (!buffer) {
        std::fputs("Memory Error :\n Not enough memory.\n", err_stream(console));
        return ExitStatus::no_memory;
    }

    std::fputs("Prease wait now reading the file.\n", err_stream(console));
    {
        const File file = open_for_reading(name);
        if (!file) {
            std::fprintf(err_stream(console),
                         "File Read Error :\n  Fail to open the file. ( %s )\n", name);
            return ExitStatus::open_failed;
        }
        if (load_pixel_rows(file.get(), pixel_data_offset(headers.file), geometry, buffer.get()) !=
            PixelRead::ok) {
            std::fputs("File Read Error :\n  Fail to read the Image.\n", err_stream(console));
            return ExitStatus::image_short;
        }
    }

    std::fputs("Prease wait now counting the color.\n", err_stream(console));
    sort_color_keys(buffer.get(), geometry.elements, 0, key_limit);
    const std::int64_t used = count_sorted_colors(buffer.get(), geometry.elements);
    // At most one color per element, and the buffer limit keeps that within 32 bits.
    std::fprintf(console.out, "Used Color   : %7ld.\n", static_cast<long>(used));
    return ExitStatus::ok;
}

} // namespace velto
