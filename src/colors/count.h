#pragma once

#include "bitmap/headers.h"
#include "cli/console.h"
#include "cli/exit_status.h"

#include <cstdint>

namespace velto {

// The number of distinct keys among `n` elements sorted by key: one more than the
// number of neighbours that differ, and 1 for fewer than two elements.
std::int64_t count_sorted_colors(const std::uint8_t* base, std::int64_t n);

// Loads the pixels of the file `name` (whose headers passed the report), sorts them by
// color key and prints how many distinct colors they hold.
ExitStatus count_colors(const char* name, const BitmapHeaders& headers, const Console& console);

} // namespace velto
