// Figures for the INI file shared with the companion product: reading the
// remembered seismic file and writing it back, in files of 400,000 and
// 1,600,000 short lines before the entry, for each kind of line. Time that
// grows with the size of the file shows as a ratio near 4 between the two
// sizes (a search running past each line to the end of the file would show
// near 16, and take seconds on the smaller file).
//
//   ini_file_bench [folder]     (default: the system's temporary folder)

#include "support/timing.h"

#include "settings/ini_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void write_file(const std::string& path, const std::string& line, const std::string& eol, int lines)
{
    std::string text = "[OTHER]" + eol;
    for (int i = 0; i < lines; ++i)
        text += line + eol;
    text += "[TERVALO]" + eol + "Fichier 1=/data/line 1.sgy" + eol;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Median of five runs of reading and of writing the entry (the write sets a
// new value each time, so the file is replaced every time).
struct Figures {
    double read;
    double write;
};

Figures time_file(const std::string& path)
{
    std::vector<double> reads, writes;
    for (int run = 0; run < 5; ++run) {
        auto start = bench::Clock::now();
        const auto value = marovin::read_ini_value(path, "TERVALO", "Fichier 1");
        reads.push_back(bench::seconds_since(start));
        if (!value || !*value) {
            std::fprintf(stderr, "no value read from %s\n", path.c_str());
            std::exit(1);
        }
        start = bench::Clock::now();
        const auto written =
            marovin::write_ini_value(path, "TERVALO", "Fichier 1", "/data/line " + std::to_string(run) + ".sgy");
        writes.push_back(bench::seconds_since(start));
        if (!written) {
            std::fprintf(stderr, "%s\n", written.error().c_str());
            std::exit(1);
        }
    }
    return {bench::median(reads), bench::median(writes)};
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::string path = (folder / "marovin_ini_bench.ini").string();
    const struct {
        const char* what;
        const char* line;
        const char* eol;
    } kinds[] = {
        {"key=value lines, CR LF", "Colour=7", "\r\n"},
        {"lines without =, CR LF", "plain text", "\r\n"},
        {"lines without ], CR LF", "[open", "\r\n"},
        {"key=value lines, lone CR", "Colour=7", "\r"},
    };
    for (const auto& kind : kinds) {
        Figures small{}, large{};
        for (const int lines : {400'000, 1'600'000}) {
            write_file(path, kind.line, kind.eol, lines);
            (lines == 400'000 ? small : large) = time_file(path);
        }
        std::printf("%-26s 400,000 lines: read %.3f s, write %.3f s; 1,600,000 lines: read x%.1f, "
                    "write x%.1f that\n",
                    kind.what, small.read, small.write, large.read / small.read, large.write / small.write);
    }
    std::filesystem::remove(path);
    return 0;
}
