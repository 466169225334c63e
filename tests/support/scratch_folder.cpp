#include "support/scratch_folder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <stdlib.h>

namespace support {

std::string read_bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

ScratchFolder::ScratchFolder(const fs::path& under)
{
    std::string pattern = (under / "marovin-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a scratch folder " + pattern);
    path_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ScratchFolder::write(std::string_view name, std::string_view bytes) const
{
    const fs::path file = path_ / name;
    write_bytes(file, bytes);
    return file.string();
}

std::vector<std::string> ScratchFolder::names() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> ScratchFolder::snapshot() const
{
    std::map<std::string, std::string> state;
    for (const auto& entry : fs::recursive_directory_iterator(path_)) {
        const std::string name = entry.path().lexically_relative(path_).string();
        state[name] = entry.is_directory() && !entry.is_symlink() ? "/" : read_bytes(entry.path());
    }
    return state;
}

} // namespace support
