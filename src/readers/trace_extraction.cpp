#include "readers/trace_extraction.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marovin {

namespace {

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
    const auto offset = [](HeaderPosition position) { return static_cast<std::size_t>(position.byte() - 1); };
    WordOffsets o{offset(selection.label), offset(selection.pair.x), offset(selection.pair.y), 0};
    o.needed = std::max({o.label, o.x, o.y}) + 4;
    return o;
}

// Fills the points from one trace-header prefix (at least `needed` bytes).
template <bool LittleEndian>
inline void take(const unsigned char* trace, const WordOffsets& o, double divisor, TracePoints& points, std::size_t i)
{
    const auto word = [](const unsigned char* p) { return LittleEndian ? decode_le32(p) : decode_be32(p); };
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

// Positioned reads tell the progress, and ask it whether to stop, once
// every this many traces: far less often than a read costs, and often
// enough to stop at once even where each read waits for a disk.
constexpr std::size_t kTracesPerStep = 1024;

// Tells `progress` that `done` traces are read; fails with kCancelled once
// it is asked to stop.
Status told(Progress& progress, std::size_t done)
{
    progress.advance(done);
    return progress.cancelled() ? fail(std::string(kCancelled)) : ok();
}

// Traces from `from` on, each by one positioned read of its header prefix;
// start_of(i) gives the bytes before trace i (0-based).
template <bool LittleEndian, class StartOf>
Status fill_positioned(int fd, const std::string& name, StartOf start_of, const WordOffsets& o, double divisor,
                       TracePoints& points, Progress& progress, std::size_t from = 0)
{
    unsigned char prefix[kTraceHeaderBytes];
    const std::size_t n = points.size();
    for (std::size_t i = from; i < n; ++i) {
        if (i % kTracesPerStep == 0 && i != from)
            if (Status going = told(progress, i); !going)
                return going;
        const std::int64_t at = start_of(i);
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
    return told(progress, n);
}

// Fixed-length traces: trace i starts after first + i * step bytes.
template <bool LittleEndian>
Status fill_positioned(int fd, const std::string& name, std::int64_t first, std::int64_t step, const WordOffsets& o,
                       double divisor, TracePoints& points, Progress& progress, std::size_t from = 0)
{
    return fill_positioned<LittleEndian>(
        fd, name, [first, step](std::size_t i) { return first + static_cast<std::int64_t>(i) * step; }, o, divisor,
        points, progress, from);
}

// DDDMMSS.ss as decimal degrees; nothing when the minutes or seconds are 60
// or more.
std::optional<double> dms_degrees(double value)
{
    const double size = std::fabs(value);
    const double degrees = std::floor(size / 10000);
    const double minutes = std::floor((size - degrees * 10000) / 100);
    const double seconds = size - degrees * 10000 - minutes * 100;
    if (minutes >= 60 || seconds >= 60)
        return std::nullopt;
    const double decimal = degrees + minutes / 60 + seconds / 3600;
    return value < 0 ? -decimal : decimal;
}

// Angles in the units the units word gives become decimal degrees.
Status to_decimal_degrees(TracePoints& points, std::int16_t units, const std::string& name)
{
    if (units == 2) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            points.x[i] /= 3600;
            points.y[i] /= 3600;
        }
    } else if (units == 4) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            const std::optional<double> x = dms_degrees(points.x[i]);
            const std::optional<double> y = dms_degrees(points.y[i]);
            if (!x || !y)
                return fail(
                    "the coordinates of trace " + std::to_string(i + 1) + " of " + name +
                    " are no degrees, minutes and seconds (DDDMMSS): " + std::to_string(x ? points.y[i] : points.x[i]));
            points.x[i] = *x;
            points.y[i] = *y;
        }
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

bool coordinates_are_angles(std::int16_t units) { return units >= 2 && units <= 4; }

Result<TracePoints> SeismicFile::extract(const TraceSelection& selection, ReadMethod method, Progress& progress) const
{
    // The file as it is now: one cut short since its headers were read must
    // not be read past its new end, where a map gives zeros to the end of
    // the page.
    struct stat now {};
    if (::fstat(descriptor(), &now) != 0)
        return fail("the file " + path() + " cannot be read: " + std::strerror(errno));
    const std::uint64_t size = std::min(this->size(), static_cast<std::uint64_t>(now.st_size));
    return extract_trace_points(descriptor(), size, path(), layout_, units(), selection, method, progress);
}

Result<TracePoints> SeismicFile::extract(const TraceSelection& selection, Progress& progress) const
{
    return extract(selection, ReadMethod::Mapped, progress);
}

namespace {

// The traces of varying length, each at its own start.
Status fill_varying(int fd, std::uint64_t size, const std::string& name, const TraceLayout& layout,
                    const WordOffsets& o, double divisor, TracePoints& points, Progress& progress)
{
    const bool little = layout.little_endian;
    const std::vector<std::int64_t>& starts = layout.starts;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        if (starts[i] < 0 || static_cast<std::uint64_t>(starts[i]) + o.needed > size)
            return fail("trace " + std::to_string(i + 1) + " of " + name + " lies beyond the end of the file (" +
                        std::to_string(size) + " bytes)");
    }
    const auto start_of = [&starts](std::size_t i) { return starts[i]; };
    return little ? fill_positioned<true>(fd, name, start_of, o, divisor, points, progress)
                  : fill_positioned<false>(fd, name, start_of, o, divisor, points, progress);
}

// The fixed-length traces.
Status fill_fixed(int fd, std::uint64_t size, const std::string& name, const TraceLayout& layout, const WordOffsets& o,
                  double divisor, TracePoints& points, ReadMethod method, Progress& progress)
{
    const bool little = layout.little_endian;
    const auto count = static_cast<std::int64_t>(points.size());
    const std::int64_t step = layout.trace_bytes();
    const std::int64_t first = layout.first;
    const auto file_size = static_cast<std::int64_t>(std::min<std::uint64_t>(size, INT64_MAX));
    // Traces whose words lie wholly inside the file; starts grow with i, so
    // the first trace that does not fit ends the good ones.
    std::int64_t fitting = 0;
    if (file_size >= first + static_cast<std::int64_t>(o.needed))
        fitting = (file_size - first - static_cast<std::int64_t>(o.needed)) / step + 1;
    if (fitting < count)
        return fail("trace " + std::to_string(fitting + 1) + " of " + name + " lies beyond the end of the file (" +
                    std::to_string(size) + " bytes for " + std::to_string(count) + " traces of " +
                    std::to_string(step) + " bytes)");

    const auto positioned = [&](std::size_t from) {
        return little ? fill_positioned<true>(fd, name, first, step, o, divisor, points, progress, from)
                      : fill_positioned<false>(fd, name, first, step, o, divisor, points, progress, from);
    };
    if (method == ReadMethod::Positioned)
        return positioned(0);

    const std::int64_t page = ::sysconf(_SC_PAGESIZE) > 0 ? ::sysconf(_SC_PAGESIZE) : 4096;
    const std::int64_t per_window = std::max<std::int64_t>(1, kMapWindow / step);
    const SigbusGuard guard;
    if (!guard.installed())
        return positioned(0);
    for (std::int64_t i0 = 0; i0 < count; i0 += per_window) {
        if (i0 > 0)
            if (Status going = told(progress, static_cast<std::size_t>(i0)); !going)
                return going;
        const std::int64_t n = std::min(per_window, count - i0);
        const std::int64_t start = first + i0 * step;
        const std::int64_t end = first + (i0 + n - 1) * step + static_cast<std::int64_t>(o.needed);
        const std::int64_t map_start = start - start % page;
        const auto length = static_cast<std::size_t>(end - map_start);
        const auto from = static_cast<std::size_t>(i0);
        void* map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(map_start));
        if (map == MAP_FAILED)
            return positioned(from);
        ::madvise(map, length, step <= page ? MADV_SEQUENTIAL : MADV_RANDOM);
        const auto* begin = static_cast<const unsigned char*>(map);
        const WindowRead read{begin,   length, begin + (start - map_start), step, o, divisor,
                              &points, from,   static_cast<std::size_t>(n)};
        const bool whole = little ? fill_mapped_guarded<true>(read) : fill_mapped_guarded<false>(read);
        ::munmap(map, length);
        // The file shrank under the map: read on from this window's first
        // trace, where the positioned reads find the new end.
        if (!whole)
            return positioned(from);
    }
    return told(progress, static_cast<std::size_t>(count));
}

} // namespace

Result<TracePoints> extract_trace_points(int fd, std::uint64_t size, const std::string& name, const TraceLayout& layout,
                                         std::int16_t units, const TraceSelection& selection, ReadMethod method,
                                         Progress& progress)
{
    const std::int64_t count = layout.count;
    if (count < 0)
        return fail("the trace count of " + name + " is negative");
    TracePoints points;
    if (count == 0)
        return points;
    if (count > std::numeric_limits<std::int32_t>::max())
        return fail("the trace count of " + name + " is more than can be counted");

    const bool varying = !layout.starts.empty();
    if (varying && layout.starts.size() != static_cast<std::size_t>(count))
        return fail("the trace starts of " + name + " do not match its trace count");
    if (!varying && layout.trace_bytes() <= 0)
        return fail("the samples per trace of " + name + " leave no room for a trace");
    if (layout.first < 0)
        return fail("the header length of " + name + " is negative");
    if (!(selection.divisor != 0 && std::isfinite(selection.divisor)))
        return fail("the scalar for coordinates cannot divide the coordinates");

    const WordOffsets o = offsets_of(selection);
    points.labels.resize(static_cast<std::size_t>(count));
    points.x.resize(static_cast<std::size_t>(count));
    points.y.resize(static_cast<std::size_t>(count));

    const Status read = varying ? fill_varying(fd, size, name, layout, o, selection.divisor, points, progress)
                                : fill_fixed(fd, size, name, layout, o, selection.divisor, points, method, progress);
    if (!read)
        return fail(read.error());
    if (Status degrees = to_decimal_degrees(points, units, name); !degrees)
        return fail(degrees.error());
    return points;
}

} // namespace marovin
