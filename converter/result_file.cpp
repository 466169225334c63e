#include "result_file.h"

#include "base/number_text.h"

#include <charconv>
#include <system_error>

namespace convers {
namespace {

constexpr std::string_view line_end = "\r\n";

void append_shortest(std::string& out, double value) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error == std::errc()) out.append(buffer, end);
}

// Names from PROJ or the job are single lines already; a stray line break
// would shift every record, so it is flattened.
std::string one_line(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

} // namespace

std::string quoted_system(std::string_view name) {
    std::string field = "\"" + one_line(name) + "\"";
    for (std::size_t i = 1; i + 1 < field.size(); ++i)
        if (field[i] == '"') field[i] = '\'';
    return field;
}

std::string result_header(std::string_view job_file_name, const Job& job, const ConversionReport& report) {
    std::string out;
    out += "Convers result of ";
    out += one_line(job_file_name);
    out += line_end;
    out += "Source system: " + one_line(job.source_system) + " (" + one_line(report.source_name) + ")";
    out += line_end;
    out += "Points: " + std::to_string(job.x.size());
    out += line_end;
    out += "Transformation: " + one_line(report.operation_name);
    out += line_end;
    out += "Accuracy: ";
    if (report.accuracy_m < 0) {
        out += "unknown";
    } else {
        append_shortest(out, report.accuracy_m);
        out += " m";
    }
    out += line_end;
    out += "Target system: " + one_line(job.target_system) + " (" + one_line(report.target_name) +
           "), decimal degrees";
    out += line_end;
    out += "Fields: number,system,latitude,longitude,ellipsoidal height";
    out += line_end;
    return out;
}

void append_record(std::string& out, const Job& job, std::size_t index, std::string_view quoted) {
    char number[24];
    const auto counted = std::to_chars(number, number + sizeof number, index + 1);
    out.append(number, counted.ptr);
    out += ',';
    out += quoted;
    // Nine decimals, the same bytes as std::to_chars fixed, by integer
    // arithmetic.
    char fields[2 * marovin::kFixedTextMax + 8];
    char* end = fields;
    *end++ = ',';
    end = marovin::write_fixed(end, job.y[index], 9);
    *end++ = ',';
    end = marovin::write_fixed(end, job.x[index], 9);
    for (const char c : std::string_view(",0\r\n")) *end++ = c;
    out.append(fields, end);
}

} // namespace convers
