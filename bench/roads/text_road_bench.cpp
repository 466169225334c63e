// The text road on a large survey: a 1,000,000-line XY file (semicolons,
// UTM32 metres) goes through the road's library calls as the window's
// handlers make them, in one process: select (read and normalise), convert
// (read again, the points, the converter job, the real convers, its result,
// the point table) and write the KML file of every point, every fifth named.
// Beside it, timed the same way as a whole process, ogr2ogr makes the same
// KML output from the same file: the points reprojected to WGS84, "Station
// N" and the description on every fifth, the pushpin style asked for.
// GDAL's KML driver leaves the icon style out; its LIBKML driver writes it
// but takes time that grows with the square of the count (13 s for 10,000
// points, 69 s for 20,000), so it cannot serve at this size. Medians of
// interleaved runs. Before that, the library steps are timed one by one in
// this process. What the window adds to the road (the file and the KML
// shown, the grid) is timed by the seismic road benchmark.
//
//   text_road_bench [points] [rounds]
//   text_road_bench road <xy file> <work folder> <times file>   (one road run)

#include "support/converter_exchange.h"
#include "support/files.h"
#include "support/timing.h"

#include "base/converter_job.h"
#include "base/converter_result.h"
#include "conversion/point_table.h"
#include "conversion/road.h"
#include "kml/kml_writer.h"
#include "readers/xy_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using bench::Clock;
using bench::die;
using bench::seconds_since;

namespace {

void write_survey(const fs::path& path, long points)
{
    std::ofstream out(path, std::ios::binary);
    char line[96];
    for (long i = 0; i < points; ++i) {
        // A grid of points in south Germany, zone 32.
        const double x = 480000.0 + static_cast<double>(i % 1000) * 25.0 + 0.25;
        const double y = 5300000.0 + static_cast<double>(i / 1000) * 25.0 + 0.5;
        const int n = std::snprintf(line, sizeof line, "%ld;%.2f;%.2f;%d\r\n", i + 1, x, y, 400 + int(i % 50));
        out.write(line, n);
    }
    if (!out)
        die("cannot write " + path.string());
}

// One whole text road with the window's settings (layout "Number,X,Y,Z",
// system UTM32, divisor 1, label frequency 5, "Station", "Seismic line 1"),
// its job and KML file in `work`. Appends the seconds of selecting,
// converting and writing to `times`.
int run_road(const char* xy_file, const fs::path& work, const char* times)
{
    auto start = Clock::now();
    marovin::Result<marovin::XyText> chosen = marovin::load_xy_file(xy_file);
    if (!chosen)
        die(chosen.error());
    const double select = seconds_since(start);

    // The click on Conversion reads the file again, to convert it as shown.
    start = Clock::now();
    marovin::Result<marovin::XyText> loaded = marovin::load_xy_file(xy_file);
    if (!loaded)
        die(loaded.error());
    if (loaded->text != chosen->text)
        die(std::string(xy_file) + " changed during the run");
    marovin::ExchangeConverter exchange = bench::converter_exchange(work);
    auto road = marovin::run_road(
        {marovin::TextSource{std::move(loaded).value(), marovin::XyLayout::NumberXYZ, 1}, "UTM32"}, exchange);
    if (!road)
        die(road.error());
    const marovin::PointTable& table = road->table;
    const double convert = seconds_since(start);

    start = Clock::now();
    if (marovin::Status written =
            marovin::write_kml_file((work / "road.kml").string(), table, {5, "Station", "Seismic line 1"});
        !written)
        die(written.error());
    std::ofstream(times, std::ios::app) << select << ' ' << convert << ' ' << seconds_since(start) << '\n';
    return 0;
}

long count_of(const fs::path& path, const std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    long count = 0;
    for (std::size_t at = bytes.find(text); at != std::string::npos; at = bytes.find(text, at + 1))
        ++count;
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "road")
        return run_road(argv[2], argv[3], argv[4]);

    const long points = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const fs::path work = bench::work_folder("text_road_bench");

    const fs::path original = work / "original.xyz";
    write_survey(original, points);
    const fs::path survey = work / "survey.xyz";
    fs::copy_file(original, survey);
    std::printf("XY file: %ld points, %.1f MB\n", points, static_cast<double>(fs::file_size(survey)) / 1e6);
    std::printf("%-40s %9s\n", "library step (in this process)", "seconds");

    auto start = Clock::now();
    auto loaded = marovin::load_xy_file(survey.string());
    if (!loaded)
        die(loaded.error());
    std::printf("%-40s %9.3f\n", "load and normalise", seconds_since(start));

    start = Clock::now();
    auto read = marovin::read_xy_points(*loaded, marovin::XyLayout::NumberXYZ);
    if (!read)
        die(read.error());
    std::printf("%-40s %9.3f\n", "read points (Number,X,Y,Z)", seconds_since(start));

    start = Clock::now();
    {
        auto job = marovin::JobWriter::create((work / "File.cvd").string(), marovin::xy_text_job_header("UTM32"), '.');
        if (!job)
            die(job.error());
        for (std::size_t k = 0; k < read->x.size(); ++k)
            if (marovin::Status s = job->add_point(read->x[k], read->y[k]); !s)
                die(s.error());
        if (marovin::Status s = job->close(); !s)
            die(s.error());
    }
    std::printf("%-40s %9.3f\n", "write job File.cvd", seconds_since(start));

    start = Clock::now();
    if (!bench::run_process({bench::kConvers.string(), (work / "File.cvd").string()}).ok)
        die("convers failed");
    std::printf("%-40s %9.3f\n", "convers (PROJ), whole process", seconds_since(start));

    start = Clock::now();
    auto result = marovin::read_result_points((work / "File.cva").string(), read->count);
    if (!result)
        die(result.error());
    std::printf("%-40s %9.3f\n", "read result File.cva", seconds_since(start));

    // The whole road and ogr2ogr, as whole processes, interleaved.
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path road_input = work / "road.xyz";
    const fs::path times = work / "times.txt";
    const std::vector<std::string> road = {self.string(), "road", road_input.string(), work.string(), times.string()};
    const bool have_ogr2ogr = std::system("command -v ogr2ogr >/dev/null 2>&1") == 0;
    const fs::path ogr_input = work / "ogr.xyz";
    fs::copy_file(original, ogr_input);
    const fs::path ogr_output = work / "ogr2ogr.kml";
    // clang-format off
    const std::vector<std::string> ogr2ogr = {
        "ogr2ogr", "-f", "KML", ogr_output.string(), "CSV:" + ogr_input.string(), "-oo", "HEADERS=NO",
        "-oo", "X_POSSIBLE_NAMES=field_2", "-oo", "Y_POSSIBLE_NAMES=field_3", "-s_srs", "EPSG:32632",
        "-t_srs", "EPSG:4326", "-nln", "survey", "-dialect", "SQLite", "-sql",
        "SELECT CASE WHEN rowid % 5 = 0 THEN 'Station ' || rowid END AS Name,"
        " CASE WHEN rowid % 5 = 0 THEN 'Seismic line 1' END AS Description,"
        " 'SYMBOL(id:\"http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png\",s:0.2)' AS OGR_STYLE,"
        " GEOMETRY FROM ogr"};
    // clang-format on
    std::vector<double> road_seconds, ogr_seconds;
    long road_peak = 0, ogr_peak = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const bool ours = (k + round) % 2 == 0;
            if (ours) {
                fs::copy_file(original, road_input, fs::copy_options::overwrite_existing);
                fs::remove(work / "road.kml");
            } else if (!have_ogr2ogr) {
                continue;
            } else {
                fs::remove_all(ogr_output);
            }
            ::sync();
            const bench::ProcessRun run = bench::run_process(ours ? road : ogr2ogr);
            if (!run.ok)
                die(ours ? "the road failed" : "ogr2ogr failed");
            (ours ? road_seconds : ogr_seconds).push_back(run.seconds);
            long& peak = ours ? road_peak : ogr_peak;
            peak = std::max(peak, run.peak_kib);
        }
    }

    std::vector<double> select, convert, write;
    std::ifstream timed(times);
    for (double a = 0, b = 0, c = 0; timed >> a >> b >> c;) {
        select.push_back(a);
        convert.push_back(b);
        write.push_back(c);
    }
    std::printf("\nwhole processes, median of %d runs each:\n", rounds);
    std::printf("  %-44s %7.3f s  peak %6.1f MB  %ld placemarks\n", "text road (select, convert, write KML)",
                bench::median(road_seconds), static_cast<double>(road_peak) / 1024,
                count_of(work / "road.kml", "<Placemark>"));
    std::printf("    of which select %.3f s, convert %.3f s, write KML %.3f s\n", bench::median(select),
                bench::median(convert), bench::median(write));
    if (have_ogr2ogr) {
        std::printf("  %-44s %7.3f s  peak %6.1f MB  %ld placemarks\n", "ogr2ogr -f KML, same points and names",
                    bench::median(ogr_seconds), static_cast<double>(ogr_peak) / 1024,
                    count_of(ogr_output, "<Placemark"));
        std::printf("text road / ogr2ogr: %.2f\n", bench::median(road_seconds) / bench::median(ogr_seconds));
    } else {
        std::printf("  ogr2ogr: not installed (gdal-bin), no reference figure\n");
    }
    bench::remove_work_folder();
    return 0;
}
