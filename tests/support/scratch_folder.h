#pragma once
// Scratch folders and file bytes for tests: a fresh folder of the test's own
// (test programs run in parallel), removed with all it holds; and the state
// of a folder, which a failed call must leave as it was. Plain C++: failures
// to set up throw, which GoogleTest reports as a failure of the test.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace support {

namespace fs = std::filesystem;

// Whole contents of a file; empty when it cannot be read.
std::string read_bytes(const fs::path& path);
// Replaces a file's contents; throws when it cannot.
void write_bytes(const fs::path& path, std::string_view bytes);

// Bytes the program never writes: planted where a failed call must leave a
// file as it was.
inline constexpr std::string_view kSentinel = "planted by the test, written by no run\r\n";

class ScratchFolder {
public:
    // A fresh folder under `under` (the system's temporary folder).
    explicit ScratchFolder(const fs::path& under = fs::temp_directory_path());
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(std::string_view name) const { return path_ / name; }
    // The path of `name` in the folder, as text.
    std::string file(std::string_view name) const { return (path_ / name).string(); }
    // Writes `bytes` to `name` in the folder; gives its path.
    std::string write(std::string_view name, std::string_view bytes) const;
    // Writes kSentinel to `name`.
    std::string plant(std::string_view name) const { return write(name, kSentinel); }
    // The names directly in the folder, sorted.
    std::vector<std::string> names() const;
    // Every file and folder below it by relative path, with each file's
    // bytes ("/" for a folder).
    std::map<std::string, std::string> snapshot() const;

private:
    fs::path path_;
};

} // namespace support
