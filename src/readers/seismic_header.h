#pragma once
// Reading the few header words the program needs from a SEG-Y or SU file.
//
// Layout assumed for both kinds: Header_Offset bytes of file header (3600 for
// SEG-Y, 0 for SU), then traces one after another, each a 240-byte trace
// header followed by Nb_Samples samples of 4 bytes, every trace as long as
// the first. SEG-Y words are big-endian, SU words little-endian. Positions
// are 1-based (position 1 is the first byte of the file) and 64-bit.

#include "base/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace marovin {

// Header state left by a successful header read.
struct SeismicHeader {
    std::int16_t Nb_Samples = 0;   // samples word of the first trace
    std::int32_t Nb_Samples32 = 0; // the same, sign-extended; used in arithmetic
    std::int16_t Coord_Scalar = 0; // after the power-of-ten rule
    std::int16_t Header_Offset = 0;
    std::int32_t Nb_Traces = 0;

    bool operator==(const SeismicHeader&) const = default;
};

// An open seismic file for positioned reads. Reads never extend past the end:
// a word that does not lie wholly inside the file is an error.
class SeismicFile {
public:
    // Fails for a path that names no existing regular file; never creates one.
    static Result<SeismicFile> open(const std::string& path);

    SeismicFile(SeismicFile&&) noexcept;
    SeismicFile& operator=(SeismicFile&&) noexcept;
    SeismicFile(const SeismicFile&) = delete;
    SeismicFile& operator=(const SeismicFile&) = delete;
    ~SeismicFile();

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }

    // Reads `count` bytes at 1-based `position`.
    Status read(std::int64_t position, void* buffer, std::size_t count) const;

    Result<std::int16_t> Read_BE_Int16(std::int64_t position) const;
    Result<std::int32_t> Read_BE_Int32(std::int64_t position) const;
    Result<std::int16_t> Read_LE_Int16(std::int64_t position) const;
    Result<std::int32_t> Read_LE_Int32(std::int64_t position) const;

    int descriptor() const { return fd_; }

private:
    SeismicFile(std::string path, int fd, std::uint64_t size);
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Two's-complement decoding of words from bytes (no pointer casts).
std::int16_t decode_be16(const unsigned char* bytes);
std::int32_t decode_be32(const unsigned char* bytes);
std::int16_t decode_le16(const unsigned char* bytes);
std::int32_t decode_le32(const unsigned char* bytes);

// The power-of-ten rule: a scalar of magnitude below 5 becomes 10 raised to
// that magnitude (0 -> 1, -2 -> 100, 4 -> 10000); others stay as read.
std::int16_t apply_scalar_rule(std::int16_t scalar);

// True when the last two characters, compared without regard to case, are
// "SU" ("line1.su", "LINE1.Su", "dosu"). Every other path is SEG-Y.
bool is_su_path(std::string_view path);

// Reads the header state of the file at `path`; SU when is_su_path(path).
Result<SeismicHeader> read_seismic_header(const std::string& path);

} // namespace marovin
