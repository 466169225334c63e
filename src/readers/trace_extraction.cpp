#include "readers/trace_extraction.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace marovin {

namespace {

// Local decoders so the hot loop inlines them (the shared ones live in
// another translation unit).
inline std::int32_t be32(const unsigned char* p)
{
    const std::uint32_t u = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                            (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
    return static_cast<std::int32_t>(u);
}

inline std::int32_t le32(const unsigned char* p)
{
    const std::uint32_t u = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
                            (std::uint32_t{p[1]} << 8) | std::uint32_t{p[0]};
    return static_cast<std::int32_t>(u);
}

// 0-based offsets of the three words within a trace, and how many bytes of
// the trace must exist for all three to be read.
struct WordOffsets {
    std::size_t label;
    std::size_t x;
    std::size_t y;
    std::size_t needed;
};

WordOffsets offsets_of(const TraceSelection& selection)
{
    WordOffsets o{static_cast<std::size_t>(selection.label) - 1, static_cast<std::size_t>(selection.pair.x) - 1,
                  static_cast<std::size_t>(selection.pair.y) - 1, 0};
    o.needed = std::max({o.label, o.x, o.y}) + 4;
    return o;
}

// Fills the points from one trace-header prefix (at least `needed` bytes).
template <bool LittleEndian>
inline void take(const unsigned char* trace, const WordOffsets& o, double divisor, TracePoints& points,
                 std::size_t i)
{
    const auto word = [](const unsigned char* p) { return LittleEndian ? le32(p) : be32(p); };
    points.labels[i] = word(trace + o.label);
    points.x[i] = word(trace + o.x) / divisor;
    points.y[i] = word(trace + o.y) / divisor;
}

// Traces i0 .. i0 + n - 1, the first of them at `trace`.
template <bool LittleEndian>
void fill_mapped(const unsigned char* trace, std::int64_t step, const WordOffsets& o, double divisor,
                 TracePoints& points, std::size_t i0, std::size_t n)
{
    for (std::size_t i = i0; i < i0 + n; ++i, trace += step)
        take<LittleEndian>(trace, o, divisor, points, i);
}

// The map covers this many bytes of traces at a time: mapped file pages
// count in the process's resident memory until unmapped, so a million-trace
// file mapped whole would look like a gigabyte of memory. A few megabytes
// cost no more time than larger windows (the pages are faulted in all the
// same) and keep the command's peak within its points.
constexpr std::int64_t kMapWindow = std::int64_t{4} << 20;

// Traces from `from` on, each by one positioned read of its header prefix.
template <bool LittleEndian>
Status fill_positioned(int fd, const std::string& name, std::int64_t first, std::int64_t step,
                       const WordOffsets& o, double divisor, TracePoints& points, std::size_t from = 0)
{
    unsigned char prefix[kTraceHeaderBytes];
    const std::size_t n = points.size();
    for (std::size_t i = from; i < n; ++i) {
        const std::int64_t at = first + static_cast<std::int64_t>(i) * step;
        std::size_t got = 0;
        while (got < o.needed) {
            const ssize_t r = ::pread(fd, prefix + got, o.needed - got, static_cast<off_t>(at) + got);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return fail("cannot read trace " + std::to_string(i + 1) + " of " + name +
                            (r < 0 ? std::string(": ") + std::strerror(errno) : std::string(": file ended")));
            got += static_cast<std::size_t>(r);
        }
        take<LittleEndian>(prefix, o, divisor, points, i);
    }
    return ok();
}

// A file that shrinks while it is mapped (another program truncating it)
// turns the next touch of a page beyond its new end into SIGBUS, which would
// end the program. While a thread reads a mapped window, a SIGBUS handler
// turns a fault inside that window into a jump back to the reader, which
// then reads on by positioned reads and so reports the end of the file as
// they do. The handler is installed only while some thread reads mapped
// windows, and the previous one is put back after; a SIGBUS that is not a
// fault inside a window being read goes to the previous handler.
struct MappedWindow {
    const unsigned char* begin;
    const unsigned char* end;
    sigjmp_buf* jump;
};

// The window this thread is reading, for the handler; null outside.
thread_local const MappedWindow* volatile t_reading = nullptr;

std::mutex g_guard_mutex;
int g_guard_users = 0;
struct sigaction g_previous_sigbus;

extern "C" void on_sigbus(int signal, siginfo_t* info, void* context)
{
    const MappedWindow* window = t_reading;
    const auto* at = static_cast<const unsigned char*>(info->si_addr);
    if (window && at >= window->begin && at < window->end)
        siglongjmp(*window->jump, 1);
    // Not ours: what the previous disposition would have done.
    const struct sigaction& previous = g_previous_sigbus;
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler == SIG_IGN && info->si_code <= 0) {
        // an ignored SIGBUS sent by a program
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    } else {
        // The default ends the process: raised again, it is delivered as
        // soon as this handler returns (a fault would also recur).
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        ::sigemptyset(&fallback.sa_mask);
        ::sigaction(SIGBUS, &fallback, nullptr);
        ::raise(SIGBUS);
    }
}

// Installs the handler for its lifetime (shared by the threads that read).
class SigbusGuard {
public:
    SigbusGuard()
    {
        std::lock_guard lock(g_guard_mutex);
        if (g_guard_users == 0) {
            struct sigaction action {};
            action.sa_sigaction = on_sigbus;
            action.sa_flags = SA_SIGINFO;
            ::sigemptyset(&action.sa_mask);
            if (::sigaction(SIGBUS, &action, &g_previous_sigbus) != 0)
                return;
        }
        ++g_guard_users;
        installed_ = true;
    }
    ~SigbusGuard()
    {
        if (!installed_)
            return;
        std::lock_guard lock(g_guard_mutex);
        if (--g_guard_users == 0)
            ::sigaction(SIGBUS, &g_previous_sigbus, nullptr);
    }
    SigbusGuard(const SigbusGuard&) = delete;
    SigbusGuard& operator=(const SigbusGuard&) = delete;

    bool installed() const { return installed_; }

private:
    bool installed_ = false;
};

// One mapped window's traces, i0 .. i0 + n - 1, the first of them at
// `trace`, inside the mapping [map, map + length).
struct WindowRead {
    const unsigned char* map;
    std::size_t length;
    const unsigned char* trace;
    std::int64_t step;
    WordOffsets offsets;
    double divisor;
    TracePoints* points;
    std::size_t i0;
    std::size_t n;
};

// Kept out of line so that nothing of the loop lives in the frame that the
// fault jumps back to.
template <bool LittleEndian>
[[gnu::noinline]] void fill_window(const WindowRead& r)
{
    fill_mapped<LittleEndian>(r.trace, r.step, r.offsets, r.divisor, *r.points, r.i0, r.n);
}

// Reads a mapped window; false when a page of it was gone (the file
// shrank), and the window's points are then incomplete. Nothing between the
// jump and its target has a destructor to skip.
template <bool LittleEndian>
bool fill_mapped_guarded(const WindowRead& read)
{
    sigjmp_buf jump;
    const MappedWindow window{read.map, read.map + read.length, &jump};
    if (sigsetjmp(jump, 1) != 0) {
        t_reading = nullptr;
        return false;
    }
    t_reading = &window;
    // The handler must see the window before the first touch, and the
    // touches must not move past its removal.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    fill_window<LittleEndian>(read);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t_reading = nullptr;
    return true;
}

} // namespace

TraceWord label_word_for(std::string_view label_text)
{
    if (label_text == "FFID")
        return TraceWord::FieldRecord;
    if (label_text == "CDP")
        return TraceWord::Ensemble;
    if (label_text == "Trace")
        return TraceWord::TraceSequence;
    if (label_text == "SP" || label_text == "Shot Point")
        return TraceWord::SourcePoint;
    return TraceWord::Ensemble;
}

CoordinatePair coordinate_pair_for(std::string_view pair_text)
{
    if (pair_text == "X,Y source coordinate")
        return {TraceWord::SourceX, TraceWord::SourceY};
    return {TraceWord::GroupX, TraceWord::GroupY};
}

std::int64_t trace_length(std::int32_t nb_samples) { return 4 * std::int64_t{nb_samples} + kTraceHeaderBytes; }

std::int64_t trace_start(std::int32_t nb_samples, std::int32_t header_offset, std::int64_t trace)
{
    return trace_length(nb_samples) * (trace - 1) + header_offset;
}

Result<TracePoints> extract_trace_points(const SeismicFile& file, const SeismicHeader& header, bool su,
                                         const TraceSelection& selection, ReadMethod method)
{
    return extract_trace_points(file.descriptor(), file.size(), file.path(), header, su, selection, method);
}

Result<TracePoints> extract_trace_points(int fd, std::uint64_t size, const std::string& name,
                                         const SeismicHeader& header, bool su,
                                         const TraceSelection& selection, ReadMethod method)
{
    const std::int64_t count = header.Nb_Traces;
    if (count < 0)
        return fail("the trace count of " + name + " is negative");
    TracePoints points;
    if (count == 0)
        return points;

    const std::int64_t step = trace_length(header.Nb_Samples32);
    if (step <= 0)
        return fail("the samples per trace of " + name + " leave no room for a trace");
    const std::int64_t first = header.Header_Offset;
    if (first < 0)
        return fail("the header length of " + name + " is negative");
    if (!(selection.divisor != 0 && std::isfinite(selection.divisor)))
        return fail("the scalar for coordinates cannot divide the coordinates");

    const WordOffsets o = offsets_of(selection);
    const auto file_size = static_cast<std::int64_t>(std::min<std::uint64_t>(size, INT64_MAX));
    // Traces whose words lie wholly inside the file; starts grow with i, so
    // the first trace that does not fit ends the good ones.
    std::int64_t fitting = 0;
    if (file_size >= first + static_cast<std::int64_t>(o.needed))
        fitting = (file_size - first - static_cast<std::int64_t>(o.needed)) / step + 1;
    if (fitting < count)
        return fail("trace " + std::to_string(fitting + 1) + " of " + name +
                    " lies beyond the end of the file (" + std::to_string(size) + " bytes for " +
                    std::to_string(count) + " traces of " + std::to_string(step) + " bytes)");

    points.labels.resize(static_cast<std::size_t>(count));
    points.x.resize(static_cast<std::size_t>(count));
    points.y.resize(static_cast<std::size_t>(count));

    if (method == ReadMethod::Positioned) {
        const Status read = su ? fill_positioned<true>(fd, name, first, step, o, selection.divisor, points)
                               : fill_positioned<false>(fd, name, first, step, o, selection.divisor, points);
        if (!read)
            return fail(read.error());
        return points;
    }

    const std::int64_t page = ::sysconf(_SC_PAGESIZE) > 0 ? ::sysconf(_SC_PAGESIZE) : 4096;
    const std::int64_t per_window = std::max<std::int64_t>(1, kMapWindow / step);
    const SigbusGuard guard;
    if (!guard.installed())
        return extract_trace_points(fd, size, name, header, su, selection, ReadMethod::Positioned);
    for (std::int64_t i0 = 0; i0 < count; i0 += per_window) {
        const std::int64_t n = std::min(per_window, count - i0);
        const std::int64_t start = first + i0 * step;
        const std::int64_t end = first + (i0 + n - 1) * step + static_cast<std::int64_t>(o.needed);
        const std::int64_t map_start = start - start % page;
        const auto length = static_cast<std::size_t>(end - map_start);
        void* map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(map_start));
        if (map == MAP_FAILED)
            return extract_trace_points(fd, size, name, header, su, selection, ReadMethod::Positioned);
        ::madvise(map, length, step <= page ? MADV_SEQUENTIAL : MADV_RANDOM);
        const auto* begin = static_cast<const unsigned char*>(map);
        const auto from = static_cast<std::size_t>(i0);
        const WindowRead read{begin, length, begin + (start - map_start), step, o, selection.divisor,
                              &points, from, static_cast<std::size_t>(n)};
        const bool whole = su ? fill_mapped_guarded<true>(read) : fill_mapped_guarded<false>(read);
        ::munmap(map, length);
        if (!whole) {
            // The file shrank under the map: read on from this window's first
            // trace, where the positioned reads find the new end.
            const Status read = su ? fill_positioned<true>(fd, name, first, step, o, selection.divisor, points, from)
                                   : fill_positioned<false>(fd, name, first, step, o, selection.divisor, points, from);
            if (!read)
                return fail(read.error());
            return points;
        }
    }
    return points;
}

} // namespace marovin
