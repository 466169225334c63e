#pragma once
// A benchmark's scratch folder and the files in it. The folder lies under
// the system's temporary folder and is removed when the benchmark ends or
// stops on a failure: its seismic lines are gigabytes. Inputs are read once
// before the timed runs, so that every run finds them in the page cache;
// outputs are compared in blocks, so that the benchmark stays small (a
// child's peak memory, as the system counts it, includes the benchmark's
// own peak when the child started).

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace bench {

inline std::filesystem::path& scratch_folder()
{
    static std::filesystem::path folder;
    return folder;
}

// Stops the benchmark: the message on standard error after the program's
// name, the scratch folder (when this process made one) removed.
[[noreturn]] inline void die(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, message.c_str());
    if (!scratch_folder().empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(scratch_folder(), ignored);
    }
    std::exit(1);
}

// Makes the scratch folder <temporary folder>/<name>_<process id>.
inline std::filesystem::path work_folder(const std::string& name)
{
    scratch_folder() = std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch_folder());
    return scratch_folder();
}

inline void remove_work_folder()
{
    std::filesystem::remove_all(scratch_folder());
    scratch_folder().clear();
}

// The program folder of an earlier build to time beside this one, from
// $MAROVIN_BENCH_EARLIER (another checkout's build/bin), or nothing.
inline std::optional<std::filesystem::path> earlier_build()
{
    const char* folder = std::getenv("MAROVIN_BENCH_EARLIER");
    if (!folder || !*folder)
        return std::nullopt;
    return std::filesystem::path(folder);
}

// Reads a file once, so that every run finds it in the page cache.
inline void warm(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    }
}

// Nothing when the two files hold the same bytes; otherwise where they
// first differ, with the text around it.
inline std::optional<std::string> first_difference(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::ifstream in_a(a, std::ios::binary), in_b(b, std::ios::binary);
    std::vector<char> block_a(1 << 20), block_b(1 << 20);
    for (std::size_t at = 0;;) {
        in_a.read(block_a.data(), static_cast<std::streamsize>(block_a.size()));
        in_b.read(block_b.data(), static_cast<std::streamsize>(block_b.size()));
        const auto got_a = static_cast<std::size_t>(in_a.gcount()), got_b = static_cast<std::size_t>(in_b.gcount());
        std::size_t k = 0;
        while (k < got_a && k < got_b && block_a[k] == block_b[k])
            ++k;
        if (k < got_a || k < got_b) {
            const std::size_t from = k > 60 ? k - 60 : 0;
            const auto around = [from](const std::vector<char>& block, std::size_t got) {
                const std::size_t start = std::min(from, got);
                return std::string(block.data() + start, std::min<std::size_t>(100, got - start));
            };
            return "byte " + std::to_string(at + k) + ": \"" + around(block_a, got_a) + "\" / \"" +
                   around(block_b, got_b) + "\"";
        }
        if (got_a == 0)
            return std::nullopt;
        at += got_a;
    }
}

} // namespace bench
