#pragma once
// The converter job File.cvd: a seven-line header block naming the source
// and target systems, then one data line per point (X, then Y).
//
// 8-bit text, every line ended by CR LF. The three header blocks differ in
// their spelling on purpose: the two conversion runs write "Key=Value", the
// window's system block (Transform_System) writes "Key = Value"; the XY text
// run declares the source unit "DDEC", the others "M". The converter reads
// all of them.
//
// A data line is number_text(X) + " " + number_text(Y) + " " + CR LF: each
// number with its leading blank (or "-") and a trailing blank, so X = 600000
// and Y = 4500000 give " 600000  4500000 \r\n". The decimal separator is the
// user's regional one, passed in by the caller (see regional_decimal_point).

#include "base/result.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace marovin {

// Header block of the trace-header run: "Depart=<system>", "UniteDepart=M".
std::string trace_header_job_header(std::string_view system);
// Header block of the XY text run: "Depart=<system>" ("Depart=WGS84" when
// the system text is empty or only blanks), "UniteDepart=DDEC".
std::string xy_text_job_header(std::string_view system);
// The window's system block: "Depart = <system>", "UniteDepart = M".
std::string system_block(std::string_view system);

// One data line, CR LF included.
std::string job_data_line(double x, double y, char decimal_point);

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
    static Result<JobWriter> create(const std::string& path, std::string_view header,
                                    char decimal_point);

    JobWriter(JobWriter&&) noexcept;
    JobWriter& operator=(JobWriter&&) noexcept;
    ~JobWriter(); // without close(), the job is discarded

    // Appends the data line of one point. Fails (writing nothing) when X or
    // Y is not a finite number, which the converter could not read; write
    // errors are reported by close().
    Status add_point(double x, double y);

    // A text stream into the same buffer, in order with the data lines: the
    // window's system block (Transform_System) writes through it while the
    // job is open. What it takes after close() goes nowhere.
    std::ostream& stream();

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

// The divisor of the coordinates on both roads: the magnitude of the number in the scalar
// text (-100 and 100 both give 100). Blanks around the number are allowed;
// anything else that is not a number, and 0, fail.
Result<double> coordinate_divisor(std::string_view scalar_text);

} // namespace marovin
