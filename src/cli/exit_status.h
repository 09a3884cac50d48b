#pragma once

namespace velto {

// The single result of a run; scripts read it, so the numbers never change.
enum class ExitStatus : int {
    ok = 0,
    no_file_name = 1,
    open_failed = 2,
    file_header_short = 3,
    info_header_short = 4,
    rejected = 5,
    no_memory = 6,
    alloc_failed = 7,
    image_short = 8,
};

} // namespace velto
