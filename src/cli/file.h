#pragma once

#include <cstdio>
#include <memory>

namespace velto {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// An open file that is closed on every path out of its scope.
using File = std::unique_ptr<std::FILE, FileCloser>;

inline File open_for_reading(const char* name) {
    return File(std::fopen(name, "rb"));
}

} // namespace velto
