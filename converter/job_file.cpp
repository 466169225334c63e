#include "job_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace convers {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

bool same_key(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// Hands out the lines of a text one by one, without their CR LF or LF.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : rest_(text) {}

    bool next(std::string_view& line) {
        if (rest_.empty()) return false;
        std::size_t end = rest_.find('\n');
        if (end == std::string_view::npos) {
            line = rest_;
            rest_ = {};
        } else {
            line = rest_.substr(0, end);
            rest_.remove_prefix(end + 1);
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++number_;
        return true;
    }

    int number() const { return number_; }

private:
    std::string_view rest_;
    int number_ = 0;
};

std::string where(std::string_view file_name, int line) {
    return std::string(file_name) + " line " + std::to_string(line) + ": ";
}

} // namespace

bool parse_number(std::string_view token, double& value) {
    // from_chars knows neither "," nor a leading "+"; a job number is short,
    // so a small copy is the cheapest way to normalise it.
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    if (token.empty() || token.size() > 64) return false;
    char buffer[64];
    for (std::size_t i = 0; i < token.size(); ++i)
        buffer[i] = token[i] == ',' ? '.' : token[i];
    // Reject what from_chars would take but a job never holds: "inf", "nan".
    char first = buffer[buffer[0] == '-' ? 1 : 0];
    if (!(first == '.' || (first >= '0' && first <= '9'))) return false;
    double parsed = 0;
    auto [end, error] = std::from_chars(buffer, buffer + token.size(), parsed, std::chars_format::general);
    if (error != std::errc() || end != buffer + token.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

marovin::Result<Job> parse_job(std::string_view text, std::string_view file_name) {
    Job job;
    LineCursor lines(text);
    std::string_view line;
    bool have_source = false;

    while (lines.number() < header_line_count && lines.next(line)) {
        std::string_view content = trim(line);
        if (content.empty()) continue;
        std::size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            return marovin::fail(where(file_name, lines.number()) + "expected a header line \"key=value\", found \"" +
                                 std::string(content) + "\"");
        std::string_view key = trim(content.substr(0, equals));
        std::string_view value = trim(content.substr(equals + 1));
        if (same_key(key, "Depart")) {
            if (value.empty())
                return marovin::fail(where(file_name, lines.number()) + "no source system after \"Depart=\"");
            job.source_system = std::string(value);
            job.source_line = lines.number();
            have_source = true;
        } else if (same_key(key, "Arrivee")) {
            job.target_system = std::string(value);
            job.target_line = lines.number();
        }
        // UniteDepart, OrigineDepart and UniteArrivee carry nothing the
        // conversion needs: the unit follows from the source system itself.
    }
    if (!have_source)
        return marovin::fail(std::string(file_name) + ": the header has no \"Depart=\" line naming the source system");
    if (job.target_system.empty()) job.target_system = "WGS84";
    job.first_data_line = header_line_count + 1;

    const std::size_t expected = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    job.x.reserve(expected);
    job.y.reserve(expected);

    int blank_line = 0;  // first empty data line, an error if data follows it
    while (lines.next(line)) {
        std::string_view tokens[3];
        int count = 0;
        std::size_t i = 0;
        while (i < line.size() && count < 3) {
            while (i < line.size() && is_blank(line[i])) ++i;
            std::size_t start = i;
            while (i < line.size() && !is_blank(line[i])) ++i;
            if (i > start) tokens[count++] = line.substr(start, i - start);
        }
        if (count == 0) {
            if (blank_line == 0) blank_line = lines.number();
            continue;
        }
        if (blank_line != 0)
            return marovin::fail(where(file_name, blank_line) + "empty line among the data lines");
        if (count != 2)
            return marovin::fail(where(file_name, lines.number()) + "expected two numbers, X and Y, found \"" +
                                 std::string(trim(line)) + "\"");
        double x = 0, y = 0;
        for (int k = 0; k < 2; ++k) {
            if (!parse_number(tokens[k], k == 0 ? x : y))
                return marovin::fail(where(file_name, lines.number()) + "\"" + std::string(tokens[k]) +
                                     "\" is not a number");
        }
        job.x.push_back(x);
        job.y.push_back(y);
    }
    return job;
}

} // namespace convers
