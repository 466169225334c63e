// The text road on a large survey: a 1,000,000-line XY file (semicolons,
// UTM32 metres) goes through the whole road as a user runs it, in one
// process: Command1 (select, read and normalise, show), Command9 (read
// again, converter job, the real convers, result, grid) and Command10 (KML
// file of every point, every fifth named, shown). Beside it, timed the same
// way as a whole process, ogr2ogr makes the same KML output from the same
// file: the points reprojected to WGS84, "Station N" and the description on
// every fifth, the pushpin style asked for. GDAL's KML driver leaves the
// icon style out; its LIBKML driver writes it but takes time that grows with
// the square of the count (13 s for 10,000 points, 69 s for 20,000), so it
// cannot serve at this size. Medians of interleaved runs. Before that, the
// library steps are timed one by one in this process.
//
//   xy_text_bench [points] [rounds] [program folder holding convers]
//   xy_text_bench road <xy file> <work folder> <times file>   (one road run)

#include "base/converter_job.h"
#include "base/converter_result.h"
#include "conversion/point_table.h"
#include "process_timing.h"
#include "readers/xy_text.h"
#include "shell/desktop.h"
#include "shell/kml_main.h"
#include "shell/qt_desktop.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void die(const std::string& message)
{
    std::fprintf(stderr, "xy_text_bench: %s\n", message.c_str());
    std::exit(1);
}

// A desktop that answers the file dialog with one path and runs programs
// as the real one does.
class BenchDesktop : public Desktop {
public:
    QString chosen;
    Answer message(QWidget*, const QString& text, const QString&, Icon, Buttons) override
    {
        if (text != "Conversion done !" && text != "Remember to select the original geodesic system")
            std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
        return Answer::Ok;
    }
    std::optional<QString> openFileName(QWidget*, const FileRequest&) override { return chosen; }
    std::optional<QString> saveFileName(QWidget*, const FileRequest&) override { return std::nullopt; }
    void openDocument(const QString&, const QString&, QObject*, OpenDone) override {}
    ProgramRun runProgram(const QString& program, const QStringList& arguments,
                          const QString& workingDirectory) override
    {
        return QtDesktop().runProgram(program, arguments, workingDirectory);
    }
    void setBusy(QWidget*, bool) override {}
};

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

} // namespace

// One whole text road in an offscreen window whose program folder is `work`
// (holding convers): the handlers one after the other, as a user clicks them.
// Appends the seconds of Command1, Command9 and Command10 to `times`.
int run_road(int argc, char** argv, const char* xy_file, const fs::path& work, const char* times)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchDesktop desktop;
    desktop.chosen = QString::fromLocal8Bit(xy_file);
    KML_Main window(desktop, QString::fromStdString(work.string()),
                    {QString::fromStdString((work / "T.ini").string()),
                     QString::fromStdString((work / "jobs").string()),
                     QString::fromStdString((work / "samples").string())});
    window.Input_Mode = "TEXT_XY";
    auto start = Clock::now();
    window.Command1_Click();
    const double command1 = seconds_since(start);
    window.Combo1->setEditText("Number,X,Y,Z");
    window.Combo2->setEditText("UTM32");
    start = Clock::now();
    window.Command9_Click();
    const double command9 = seconds_since(start);
    window.Text2->setText(QString::fromStdString((work / "road.kml").string()));
    start = Clock::now();
    window.Command10_Click();
    const double command10 = seconds_since(start);
    if (!fs::exists(work / "road.kml"))
        die("the road wrote no KML file");
    std::ofstream(times, std::ios::app) << command1 << ' ' << command9 << ' ' << command10 << '\n';
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

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "road")
        return run_road(argc, argv, argv[2], argv[3], argv[4]);

    const long points = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const fs::path program_dir = argc > 3 ? fs::path(argv[3]) : fs::path(MAROVIN_PROGRAM_DIR);
    const fs::path work = fs::temp_directory_path() / ("xy_text_bench_" + std::to_string(::getpid()));
    fs::create_directories(work);
    fs::copy_file(program_dir / "convers", work / "convers", fs::copy_options::overwrite_existing);

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
    const bench::ProcessRun convers =
        bench::run_process({(work / "convers").string(), (work / "File.cvd").string()});
    if (!convers.ok)
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
    const std::vector<std::string> ogr2ogr = {
        "ogr2ogr", "-f", "KML", ogr_output.string(), "CSV:" + ogr_input.string(), "-oo", "HEADERS=NO",
        "-oo", "X_POSSIBLE_NAMES=field_2", "-oo", "Y_POSSIBLE_NAMES=field_3", "-s_srs", "EPSG:32632",
        "-t_srs", "EPSG:4326", "-nln", "survey", "-dialect", "SQLite", "-sql",
        "SELECT CASE WHEN rowid % 5 = 0 THEN 'Station ' || rowid END AS Name,"
        " CASE WHEN rowid % 5 = 0 THEN 'Seismic line 1' END AS Description,"
        " 'SYMBOL(id:\"http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png\",s:0.2)' AS OGR_STYLE,"
        " GEOMETRY FROM ogr"};
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

    std::vector<double> command1, command9, command10;
    std::ifstream timed(times);
    for (double a = 0, b = 0, c = 0; timed >> a >> b >> c;) {
        command1.push_back(a);
        command9.push_back(b);
        command10.push_back(c);
    }
    std::printf("\nwhole processes, median of %d runs each:\n", rounds);
    std::printf("  %-44s %7.3f s  peak %6.1f MB  %ld placemarks\n", "text road (Command1, Command9, Command10)",
                bench::median(road_seconds), static_cast<double>(road_peak) / 1024,
                count_of(work / "road.kml", "<Placemark>"));
    std::printf("    of which Command1 %.3f s, Command9 %.3f s, Command10 %.3f s\n", bench::median(command1),
                bench::median(command9), bench::median(command10));
    if (have_ogr2ogr) {
        std::printf("  %-44s %7.3f s  peak %6.1f MB  %ld placemarks\n", "ogr2ogr -f KML, same points and names",
                    bench::median(ogr_seconds), static_cast<double>(ogr_peak) / 1024,
                    count_of(ogr_output, "<Placemark"));
        std::printf("text road / ogr2ogr: %.2f\n", bench::median(road_seconds) / bench::median(ogr_seconds));
    } else {
        std::printf("  ogr2ogr: not installed (gdal-bin), no reference figure\n");
    }
    fs::remove_all(work);
    return 0;
}
