#include "kml/kmz_archive.h"

#include "base/atomic_file.h"

#include <libdeflate.h>
#include <minizip/zip.h>

#include <algorithm>
#include <ctime>
#include <optional>

namespace marovin {

namespace {

// libdeflate's fastest level: on KML placemarks about twice as fast as
// zlib's fastest level and as small as zlib's default one (a tenth of the
// text or less).
constexpr int kDeflateLevel = 1;

} // namespace

struct Deflater::State {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(kDeflateLevel);
    std::unique_ptr<char[]> buffer; // left uninitialised: a tile's bound is large
    std::size_t capacity = 0;
    ~State() { libdeflate_free_compressor(compressor); }
};

Deflater::Deflater() : state_(std::make_unique<State>()) {}
Deflater::~Deflater() = default;

DeflatedEntry Deflater::deflate(std::string_view bytes)
{
    State& s = *state_;
    if (!s.compressor)
        throw std::bad_alloc();
    DeflatedEntry entry;
    entry.size = bytes.size();
    entry.crc = libdeflate_crc32(0, bytes.data(), bytes.size());
    const std::size_t bound = libdeflate_deflate_compress_bound(s.compressor, bytes.size());
    if (s.capacity < bound) {
        s.buffer.reset(new char[bound]);
        s.capacity = bound;
    }
    const std::size_t size =
        libdeflate_deflate_compress(s.compressor, bytes.data(), bytes.size(), s.buffer.get(), s.capacity);
    entry.deflated.assign(s.buffer.get(), size); // the bound always fits
    return entry;
}

// minizip writes through these functions into the atomic file: it appends,
// and goes back only to complete an entry's header once its sizes are known.
struct ZipArchive::State {
    explicit State(AtomicFile out) : file(std::move(out)) {}

    AtomicFile file;
    std::uint64_t position = 0;
    Status failure = ok();
    zipFile zip = nullptr;
    zip_fileinfo info{};

    static voidpf open(voidpf self, const void*, int) { return self; }
    static uLong read(voidpf, voidpf, void*, uLong) { return 0; }
    static uLong write(voidpf self, voidpf, const void* bytes, uLong size)
    {
        State& s = *static_cast<State*>(self);
        const std::string_view data(static_cast<const char*>(bytes), size);
        Status written = s.position == s.file.size() ? s.file.write(data) : s.file.write_at(s.position, data);
        if (!written) {
            if (s.failure)
                s.failure = std::move(written);
            return 0;
        }
        s.position += size;
        return size;
    }
    static ZPOS64_T tell(voidpf self, voidpf) { return static_cast<State*>(self)->position; }
    static long seek(voidpf self, voidpf, ZPOS64_T offset, int origin)
    {
        State& s = *static_cast<State*>(self);
        switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET: s.position = offset; break;
        case ZLIB_FILEFUNC_SEEK_CUR: s.position += offset; break;
        case ZLIB_FILEFUNC_SEEK_END: s.position = s.file.size() + offset; break;
        default: return -1;
        }
        return s.position <= s.file.size() ? 0 : -1;
    }
    static int close(voidpf, voidpf) { return 0; }
    static int error(voidpf self, voidpf) { return static_cast<State*>(self)->failure ? 0 : 1; }

    Error fault(const std::string& what)
    {
        if (!failure)
            return fail(failure.error());
        return fail("cannot write " + file.path() + ": " + what);
    }
};

ZipArchive::ZipArchive(std::unique_ptr<State> state) : state_(std::move(state)) {}
ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;
ZipArchive::~ZipArchive()
{
    if (state_ && state_->zip)
        zipClose(state_->zip, nullptr);
}

Result<ZipArchive> ZipArchive::create(const std::string& path)
{
    Result<AtomicFile> file = AtomicFile::create(path);
    if (!file)
        return fail(file.error());
    auto state = std::make_unique<State>(std::move(file).value());
    zlib_filefunc64_def functions{&State::open, &State::read,  &State::write, &State::tell,
                                  &State::seek, &State::close, &State::error, state.get()};
    state->zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
    if (!state->zip)
        return state->fault("the archive could not be started");
    // Every entry carries the time the archive was written.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) {
        state->info.tmz_date = {uInt(local.tm_sec),  uInt(local.tm_min), uInt(local.tm_hour),
                                uInt(local.tm_mday), uInt(local.tm_mon), uInt(local.tm_year + 1900)};
    }
    return ZipArchive(std::move(state));
}

Status ZipArchive::add(const std::string& name, const DeflatedEntry& entry)
{
    State& s = *state_;
    if (!s.zip)
        return s.fault("the archive was already ended");
    if (zipOpenNewFileInZip3_64(s.zip, name.c_str(), &s.info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                kDeflateLevel, 1, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                entry.size >= 0xFFFFFFFFu) != ZIP_OK)
        return s.fault("the entry " + name + " could not be started");
    constexpr std::size_t kPiece = std::size_t{1} << 30; // minizip counts in unsigned int
    for (std::size_t at = 0; at < entry.deflated.size(); at += kPiece) {
        const std::size_t piece = std::min(kPiece, entry.deflated.size() - at);
        if (zipWriteInFileInZip(s.zip, entry.deflated.data() + at, static_cast<unsigned>(piece)) != ZIP_OK)
            return s.fault("the entry " + name + " could not be written");
    }
    if (zipCloseFileInZipRaw64(s.zip, entry.size, entry.crc) != ZIP_OK)
        return s.fault("the entry " + name + " could not be ended");
    return ok();
}

Status ZipArchive::commit()
{
    State& s = *state_;
    if (!s.zip)
        return s.fault("the archive was already ended");
    const int closed = zipClose(s.zip, nullptr);
    s.zip = nullptr;
    if (closed != ZIP_OK)
        return s.fault("the archive's directory could not be written");
    return s.file.commit();
}

} // namespace marovin
