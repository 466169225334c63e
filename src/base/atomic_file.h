#pragma once
// Writing a file the user's data depends on, atomically: the text goes to a
// temporary file in the same folder, which replaces the target only when
// everything was written. An interrupted or failed write leaves the target as
// it was and removes the temporary file.
//
// The temporary file is created exclusively under a fresh name (mkstemp) and
// written through the descriptor that created it, so nothing planted in the
// folder (a symbolic link under a guessed name, a file swapped in between
// creating and opening) is ever followed or written.

#include "base/result.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

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
    std::ostream& stream();
    // Writes bytes straight to the file (large blocks skip the stream's
    // buffer). Fails, with the system's reason, on the first failed write;
    // later writes then do nothing.
    Status write(std::string_view bytes);
    const std::string& path() const;

    // How many bytes the file holds so far, through either way of writing.
    std::uint64_t size() const;
    // Writes `bytes` over bytes written before, from `offset` on (a header
    // completed once what follows it is known). The range must lie within
    // size(); fails otherwise, and like write() on a failed write.
    Status write_at(std::uint64_t offset, std::string_view bytes);

    // Flushes, closes and renames over the target. Fails, with the system's
    // reason ("File too large", "No space left on device"), when any write
    // failed; the target is then untouched and the temporary file removed.
    Status commit();

private:
    struct State;
    explicit AtomicFile(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

} // namespace marovin
