#pragma once

#include "cli/console.h"
#include "cli/exit_status.h"

namespace velto {

// True for "/c", "-C", "/count" and the like: "/" or "-", then "c" or "C", then anything.
bool is_count_option(const char* argument);

// One whole run for the arguments after the program name: banner, report and checks,
// and the color count when asked for.
ExitStatus run_velto(int argc, const char* const* argv, const Console& console);

} // namespace velto
