#pragma once
// Writing a file the user's data depends on, atomically: the text goes to a
// temporary file in the same folder, which replaces the target only when
// everything was written. An interrupted or failed write leaves the target as
// it was and removes the temporary file.

#include "base/result.h"

#include <fstream>
#include <memory>
#include <string>

namespace marovin {

class AtomicFile {
public:
    // Creates the temporary file beside `path`. Fails (naming the path) when
    // the folder does not exist or cannot be written.
    static Result<AtomicFile> create(const std::string& path);

    AtomicFile(AtomicFile&&) noexcept;
    AtomicFile& operator=(AtomicFile&&) noexcept;
    ~AtomicFile(); // discards the temporary file unless committed

    // Binary stream: the caller writes its own line ends.
    std::ostream& stream() { return *out_; }
    const std::string& path() const { return path_; }

    // Flushes, closes and renames over the target. Fails when any write
    // failed; the target is then untouched.
    Status commit();

private:
    AtomicFile(std::string path, std::string temp_path, std::unique_ptr<std::ofstream> out);
    void discard();

    std::string path_;
    std::string temp_path_;
    std::unique_ptr<std::ofstream> out_;
};

} // namespace marovin
