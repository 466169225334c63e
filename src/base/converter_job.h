#pragma once
// The converter job File.cvd: a seven-line header block naming the source
// and target systems, then one data line per point (X, then Y). The window
// writes it, the converter reads it; both halves live here.
//
// 8-bit text, every line ended by CR LF. The header lines are "Key=Value";
// the XY text run declares the source unit "DDEC", the trace-header run "M".
//
// A data line is number_text(X) + " " + number_text(Y) + " " + CR LF: each
// number with its leading blank (or "-") and a trailing blank, so X = 600000
// and Y = 4500000 give " 600000  4500000 \r\n". The decimal separator is the
// user's regional one, passed in by the caller (see regional_decimal_point).
//
// The reader takes every form the writers make: a value after blanks (a
// system typed with them), "." or "," as decimal separator, exponents
// ("1E-05"), lines ended by CR LF or LF. It reads the file as a
// stream through a buffer of fixed size (one per core it reads on): a job
// of any length costs the memory of its points, and a line longer than
// kLongestLine (no writer makes one) is refused without being kept.

#include "base/result.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

// Header block of the trace-header run: "Depart=<system>", "UniteDepart=M".
std::string trace_header_job_header(std::string_view system);
// Header block of the XY text run: "Depart=<system>" ("Depart=WGS84" when
// the system text is empty or only blanks), "UniteDepart=DDEC".
std::string xy_text_job_header(std::string_view system);

// The decimal separator of the user's regional settings, from the C locale
// as the application set it (Qt sets it from the environment at start-up):
// ',' when the locale says ',', '.' otherwise (the converter reads both).
// Reads global state: call it once at the window and pass the result on.
char regional_decimal_point();

// Writes a job file fast enough for millions of points: lines are formatted
// into one large buffer that goes to disk in big blocks. The file replaces
// an earlier job only when close() succeeds (written beside it, then
// renamed), so a failed run never leaves half a job behind.
//
//   auto job = JobWriter::create(path, xy_text_job_header(system), separator);
//   if (!job) ... job.error();
//   for (...) if (Status s = job->add_point(x, y); !s) ...;
//   if (Status s = job->close(); !s) ...;
class JobWriter {
public:
    // Creates the job file and writes `header` (one of the blocks above)
    // first. Fails, naming the path, when the file cannot be created.
    static Result<JobWriter> create(const std::string& path, std::string_view header, char decimal_point);

    JobWriter(JobWriter&&) noexcept;
    JobWriter& operator=(JobWriter&&) noexcept;
    ~JobWriter(); // without close(), the job is discarded

    // Appends the data line of one point. Fails (writing nothing) when X or
    // Y is not a finite number, which the converter could not read; write
    // errors are reported by close().
    Status add_point(double x, double y);

    // Number of data lines written so far.
    std::int64_t points() const;

    // Writes what is buffered, closes the file and puts it in place. Fails,
    // naming the path, when anything could not be written. Once closed, the
    // writer takes no more points.
    Status close();

private:
    struct State;
    explicit JobWriter(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// The coordinate the converter reads back from the data line of `value`:
// the value rounded to the 15 significant digits of the line's number text.
// Converting in process from job_value(x) gives the very degrees the
// converter gives for the job.
double job_value(double value);

// A job as the converter reads it.
struct Job {
    std::string source_system;    // the Depart value, as written
    std::string target_system;    // the Arrivee value ("WGS84")
    std::int64_t source_line = 1; // where they were read, for messages
    std::int64_t target_line = 5;
    std::int64_t first_data_line = 8; // 1-based line number of point 0
    std::vector<double> x;            // easting or longitude, per point
    std::vector<double> y;            // northing or latitude, per point

    std::int64_t line_of(std::size_t point) const { return first_data_line + static_cast<std::int64_t>(point); }
};

// Number of lines of the header block; data lines start after it.
inline constexpr int kJobHeaderLines = 7;

// The longest line a job may hold: far above a data line (two numbers) and
// room for a system given as WKT or PROJJSON on one header line.
inline constexpr std::size_t kLongestLine = std::size_t{1} << 20;

// A job whose data lines hold this many bytes or more is read on two cores
// (when the machine has them), each reading half of the lines into its own
// part of the points; the job, its points and its messages are those of a
// read in one run.
inline constexpr std::uint64_t kTwoPartJobBytes = std::uint64_t{1} << 20;

// Reads the job file at `path`. Errors name the line, with `file_name` as
// the file's name in the message:
//   "File.cvd line 12: \"12a\" is not a number".
// Its tests read small jobs in two parts with a smaller `two_parts_from`.
Result<Job> read_job(const std::string& path, std::string_view file_name,
                     std::uint64_t two_parts_from = kTwoPartJobBytes);

} // namespace marovin
