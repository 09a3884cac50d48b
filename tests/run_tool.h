#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velto_test {

struct Run {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built tool with `args` in `dir`, capturing both streams separately.
Run run_tool(const std::vector<std::string>& args, const std::filesystem::path& dir);

// Runs it with both streams into one pipe, as `velto ... 2>&1` does.
std::string run_tool_merged(const std::vector<std::string>& args, const std::filesystem::path& dir);

// A fresh, empty folder for one test's files, removed at the end of the test run.
std::filesystem::path scratch_dir();

void write_bytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace velto_test

namespace velto_test {

// True when the tool under test is a Windows build (run through VELTO_RUNNER).
bool windows_build();

} // namespace velto_test
