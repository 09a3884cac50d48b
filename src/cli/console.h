#pragma once

#include <cstdio>

namespace velto {

// Where a run writes: the report and the count to `out`, everything else to `err`.
struct Console {
    std::FILE* out;
    std::FILE* err;
};

// The error stream, after flushing the output stream: when both go to one pipe,
// lines then appear in the order the run makes them.
inline std::FILE* err_stream(const Console& console) {
    std::fflush(console.out);
    return console.err;
}

} // namespace velto
