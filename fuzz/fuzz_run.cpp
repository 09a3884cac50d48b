// Fuzz target: the bytes are the file, and the whole run with the count option is
// driven in process, output discarded.
#include "bitmap/headers.h"
#include "cli/driver.h"
#include "cli/file.h"
#include "colors/pixels.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <process.h>
#define velto_getpid _getpid
#else
#include <unistd.h>
#define velto_getpid getpid
#endif

namespace {

// Under the sanitizers a large buffer costs far more than its run: up to 200 ms of
// bookkeeping for 2 GiB, and a zeroed 2 MiB page for each huge page a short read
// touches. Claims beyond 1 MiB run without the count (the end-to-end tests cover
// them), so that the fuzzer's time goes into inputs that differ.
bool cheap_to_count(const char* path) {
    velto::BitmapHeaders headers;
    const velto::File file = velto::open_for_reading(path);
    if (!file || velto::read_bitmap_headers(file.get(), headers) != velto::HeaderRead::ok) {
        return true;
    }
    std::int32_t& rows = headers.info.biHeight;
    rows = rows < 0 && rows != INT32_MIN ? -rows : rows;
    const auto size = velto::pixel_buffer_size(velto::pixel_geometry(headers.info));
    return !size || *size <= (std::int64_t{1} << 20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("velto-fuzz-" + std::to_string(velto_getpid()) + ".bmp"))
                                        .string();
    static std::FILE* const discard = std::tmpfile();

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const char* const argv[] = {"velto", path.c_str(), "/c", nullptr};
    std::rewind(discard);
    velto::run_velto(cheap_to_count(path.c_str()) ? 3 : 2, argv, velto::Console{discard, discard});
    return 0;
}
