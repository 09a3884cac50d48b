#pragma once

#include "bitmap/headers.h"
#include "cli/console.h"

#include <cstdint>

namespace velto {

// Dots per inch for a resolution in pixels per metre, rounded half up and truncated
// toward zero; 64-bit so that no 32-bit resolution wraps.
std::int64_t dots_per_inch(std::int32_t pixels_per_metre);

const char* compression_name(std::uint32_t biCompression);

// Checks the magic, prints the report and runs the checks that decide whether the
// colors can be counted. Makes a negative biHeight positive. Returns false after
// printing exactly one message when the file is not a bitmap or a check fails.
[[nodiscard]] bool report_bitmap(const char* name, BitmapHeaders& headers, const Console& console);

} // namespace velto
