#pragma once
// The converter exchange as the window's handlers call it with a job header
// of their own; the road (road.h) runs it as ExchangeConverter.

#include "base/result.h"
#include "conversion/road.h"

#include <functional>
#include <span>
#include <string>

namespace marovin {

// Why an exchange stopped: the step that failed, and its message.
struct ExchangeError {
    enum class Step { WriteJob, RunConverter, ReadResult };
    Step step;
    std::string message;
};

struct ConverterExchange {
    std::string job_path;    // File.cvd, replaced only when wholly written
    std::string result_path; // File.cva, as the converter writes it
    std::string job_header;  // trace_header_job_header() or xy_text_job_header()
    char decimal_point = '.';
    // Runs the converter on the job and returns once it has ended; a failure
    // stops the exchange (the caller has told the user why).
    std::function<Status()> run;
};

// Writes the job of the points X, Y, runs the converter, reads its result.
// A failure says at which step it stopped.
Result<Degrees, ExchangeError> convert_through_converter(std::span<const double> x, std::span<const double> y,
                                                         const ConverterExchange& exchange);

} // namespace marovin
