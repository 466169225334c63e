#pragma once
// The ZIP archive of a KMZ, written atomically (base/atomic_file.h): minizip
// lays out the archive, its entries deflated beforehand by libdeflate, so
// that entries can be compressed on every core and only written in turn.

#include "base/result.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace marovin {

// The raw deflate stream of some bytes, with what the archive records of
// the bytes themselves.
struct DeflatedEntry {
    std::string deflated;
    std::uint64_t size = 0; // of the bytes before deflating
    std::uint32_t crc = 0;  // CRC-32 of those bytes
};

// One deflater for each thread that compresses.
class Deflater {
public:
    Deflater();
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    DeflatedEntry deflate(std::string_view bytes);

private:
    struct State;
    std::unique_ptr<State> state_;
};

class ZipArchive {
public:
    // Starts the archive in a temporary file beside `path`; fails naming
    // the path.
    static Result<ZipArchive> create(const std::string& path);
    ZipArchive(ZipArchive&&) noexcept;
    ZipArchive& operator=(ZipArchive&&) noexcept;
    ~ZipArchive(); // discards the archive unless committed

    // Adds the next entry, deflated already. Names are ASCII paths with "/".
    Status add(const std::string& name, const DeflatedEntry& entry);
    // Ends the archive and renames it over `path`. Fails, saying why, when
    // any write failed; the path then keeps what it held.
    Status commit();

private:
    struct State;
    explicit ZipArchive(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace marovin
