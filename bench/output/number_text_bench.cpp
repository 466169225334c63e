// Nanoseconds per number of the number text and the fixed notation, beside
// the general conversion (std::to_chars, printf's digits) on the same values.
// The differential check over many millions of values is a test
// (base_tests, NumberTextAgreement); number_text_bench.sh runs it at a large
// count.
//
//   number_text_bench [values]

#include "base/number_text.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// The general way of the number text: what every value took before the
// integer digits.
char* general_number_text(char* out, double value)
{
    if (value == 0.0)
        value = 0.0;
    if (!std::signbit(value))
        *out++ = ' ';
    char digits[marovin::kNumberTextMax];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    (void)error;
    const char* p = digits;
    if (*p == '-')
        *out++ = *p++;
    if (end - p >= 2 && p[0] == '0' && p[1] == '.')
        ++p;
    while (p != end)
        *out++ = *p++;
    return out;
}

char* general_fixed(char* out, double value)
{
    return std::to_chars(out, out + marovin::kFixedTextMax, value, std::chars_format::fixed, 9).ptr;
}

template <class Write>
double nanoseconds_per_number(const std::vector<double>& values, Write write, std::size_t& bytes)
{
    static char buffer[1 << 16];
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        bytes = 0;
        char* p = buffer;
        const auto start = std::chrono::steady_clock::now();
        for (const double v : values) {
            if (p > buffer + sizeof buffer - marovin::kFixedTextMax) {
                bytes += static_cast<std::size_t>(p - buffer);
                p = buffer;
            }
            p = write(p, v);
        }
        bytes += static_cast<std::size_t>(p - buffer);
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, ns / static_cast<double>(values.size()));
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const long n = argc > 1 ? std::atol(argv[1]) : 2'000'000;
    std::mt19937_64 random(7);
    struct Set {
        const char* name;
        std::vector<double> values;
    };
    std::vector<Set> sets = {{"degrees along a line, nine decimals", {}},
                             {"degrees anywhere, nine decimals", {}},
                             {"metres, two decimals (job file)", {}},
                             {"point numbers", {}},
                             {"any double in -180..180", {}}};
    double longitude = 2.2945, latitude = 48.8584; // a survey line near Paris, as the KML writer sees it
    std::uniform_real_distribution<double> step(-1e-5, 3e-5);
    for (long i = 0; i < n; ++i) {
        longitude += step(random);
        latitude += step(random);
        sets[0].values.push_back(std::round((i % 2 ? latitude : longitude) * 1e9) / 1e9);
        const double degrees = std::uniform_real_distribution<double>(-180, 180)(random);
        sets[1].values.push_back(std::round(degrees * 1e9) / 1e9);
        sets[2].values.push_back(std::round(std::uniform_real_distribution<double>(1e5, 6e6)(random) * 100) / 100);
        sets[3].values.push_back(static_cast<double>(1000 + i));
        sets[4].values.push_back(degrees);
    }

    std::printf("%-40s %12s %12s %8s\n", "number text, ns per number", "integer", "general", "ratio");
    for (const Set& set : sets) {
        std::size_t fast_bytes = 0, general_bytes = 0;
        const double fast = nanoseconds_per_number(
            set.values, [](char* p, double v) { return marovin::write_number_text(p, v); }, fast_bytes);
        const double general = nanoseconds_per_number(set.values, general_number_text, general_bytes);
        std::printf("%-40s %12.1f %12.1f %8.2f%s\n", set.name, fast, general, general / fast,
                    fast_bytes == general_bytes ? "" : "  (byte counts differ!)");
    }
    std::printf("%-40s %12s %12s %8s\n", "fixed, 9 decimals, ns per number", "integer", "to_chars", "ratio");
    for (const Set& set : sets) {
        std::size_t fast_bytes = 0, general_bytes = 0;
        const double fast = nanoseconds_per_number(
            set.values, [](char* p, double v) { return marovin::write_fixed(p, v, 9); }, fast_bytes);
        const double general = nanoseconds_per_number(set.values, general_fixed, general_bytes);
        std::printf("%-40s %12.1f %12.1f %8.2f%s\n", set.name, fast, general, general / fast,
                    fast_bytes == general_bytes ? "" : "  (byte counts differ!)");
    }
    return 0;
}
