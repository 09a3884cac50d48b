#include "run_tool.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velto_test {
namespace {

std::vector<std::string> split_words(const char* text) {
    std::vector<std::string> words;
    std::istringstream in(text == nullptr ? "" : text);
    for (std::string w; in >> w;) {
        words.push_back(w);
    }
    return words;
}

std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A Windows build writes CRLF line breaks in text mode.
    if (std::getenv("VELTO_RUNNER") != nullptr) {
        std::string plain;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                plain += text[i];
            }
        }
        text = plain;
    }
    return text;
}

// Starts the tool with stdout and stderr sent to the given files (the same file when
// merged) and returns its exit status.
int spawn(const std::vector<std::string>& args, const std::filesystem::path& dir,
          const std::filesystem::path& out, const std::filesystem::path& err) {
    std::vector<std::string> command = split_words(std::getenv("VELTO_RUNNER"));
    const char* exe = std::getenv("VELTO_EXE");
    command.emplace_back(exe != nullptr ? exe : VELTO_EXE);
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : command) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out == err) {
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    }
    // The tool resolves names against the working folder, so change into `dir` first.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    std::filesystem::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        throw std::runtime_error("cannot start " + command[0]);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

Run run_tool(const std::vector<std::string>& args, const std::filesystem::path& dir) {
    const auto out = dir / ".stdout";
    const auto err = dir / ".stderr";
    Run run;
    run.status = spawn(args, dir, out, err);
    run.out = read_text(out);
    run.err = read_text(err);
    return run;
}

std::string run_tool_merged(const std::vector<std::string>& args,
                            const std::filesystem::path& dir) {
    const auto both = dir / ".stdboth";
    spawn(args, dir, both, both);
    return read_text(both);
}

std::filesystem::path scratch_dir() {
    static const auto root = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("velto-tests-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                            ("velto-tests-" + std::to_string(::getpid())),
                                        ignored);
        });
        return path;
    }();
    static int next = 0;
    auto dir = root / std::to_string(next++);
    std::filesystem::create_directories(dir);
    return dir;
}

void write_bytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace velto_test

namespace velto_test {

bool windows_build() {
    const char* exe = std::getenv("VELTO_EXE");
    const std::string name = exe != nullptr ? exe : VELTO_EXE;
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0;
}

} // namespace velto_test
