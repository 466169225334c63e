// The text road on a large survey: a 1,000,000-line XY file (semicolons,
// UTM32 metres) is rewritten, read, written as a converter job, converted by
// the real convers, and its result read back; then the same points go
// through the window's own handlers (Command1, Command9) for the whole road
// as a user runs it. ogr2ogr reprojecting the same points from CSV is timed
// beside it for reference.
//
// Usage: xy_text_bench [points] [program folder holding convers]

#include "conversion/job_file.h"
#include "conversion/result_file.h"
#include "readers/xy_text.h"
#include "shell/desktop.h"
#include "shell/info_view.h"
#include "shell/kml_main.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peak_kib(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

[[noreturn]] void die(const std::string& message)
{
    std::fprintf(stderr, "xy_text_bench: %s\n", message.c_str());
    std::exit(1);
}

// A desktop that answers the file dialog with one path and runs programs.
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
        ProgramRun run;
        QProcess process;
        process.setWorkingDirectory(workingDirectory);
        process.start(program, arguments);
        run.started = process.waitForStarted();
        if (run.started) {
            process.waitForFinished(-1);
            run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
            run.errorOutput = QString::fromLocal8Bit(process.readAllStandardError());
        }
        return run;
    }
    void setBusy(QWidget*, bool) override {}
};

// Runs a shell command; its peak memory in KiB (through /usr/bin/time,
// when there is one) goes to `peak`, -1 when unknown. Measuring the child
// itself matters: a child forked from this process would report this
// process's size.
bool run_measured(const std::string& command, const fs::path& work, long& peak)
{
    peak = -1;
    const bool have_time = fs::exists("/usr/bin/time");
    const fs::path report = work / "time.txt";
    const std::string line =
        have_time ? "/usr/bin/time -f %M -o '" + report.string() + "' sh -c \"" + command + "\"" : command;
    if (std::system(line.c_str()) != 0)
        return false;
    if (have_time)
        std::ifstream(report) >> peak;
    return true;
}

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

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long points = argc > 1 ? std::atol(argv[1]) : 1000000;
    const fs::path program_dir = argc > 2 ? fs::path(argv[2]) : fs::path(MAROVIN_PROGRAM_DIR);
    const fs::path work = fs::temp_directory_path() / ("xy_text_bench_" + std::to_string(::getpid()));
    fs::create_directories(work);
    fs::copy_file(program_dir / "convers", work / "convers", fs::copy_options::overwrite_existing);

    const fs::path survey = work / "survey.xyz";
    write_survey(survey, points);
    std::printf("XY file: %ld points, %.1f MB\n", points, static_cast<double>(fs::file_size(survey)) / 1e6);
    std::printf("%-40s %9s\n", "step", "seconds");

    // Library steps, one by one.
    auto start = Clock::now();
    if (marovin::Status s = marovin::rewrite_separators(survey.string()); !s)
        die(s.error());
    std::printf("%-40s %9.3f\n", "load and rewrite separators", seconds_since(start));

    start = Clock::now();
    auto read = marovin::read_xy_file(survey.string(), "Number,X,Y,Z");
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
    const std::string command = "cd '" + work.string() + "' && ./convers '" + (work / "File.cvd").string() + "'";
    long convers_peak = -1;
    if (!run_measured(command, work, convers_peak))
        die("convers failed");
    const double convers_seconds = seconds_since(start);
    std::printf("%-40s %9.3f\n", "convers (PROJ)", convers_seconds);

    start = Clock::now();
    auto result = marovin::read_result_points((work / "File.cva").string(), read->count);
    if (!result)
        die(result.error());
    std::printf("%-40s %9.3f\n", "read result File.cva", seconds_since(start));
    const long library_peak = peak_kib(RUSAGE_SELF);

    // The whole road through the window's handlers, on a fresh copy of the
    // original file.
    write_survey(survey, points);
    BenchDesktop desktop;
    desktop.chosen = QString::fromStdString(survey.string());
    KML_Main window(desktop, QString::fromStdString(work.string()),
                    {QString::fromStdString((work / "T.ini").string()),
                     QString::fromStdString((work / "jobs").string()),
                     QString::fromStdString((work / "samples").string())});
    window.Input_Mode = "TEXT_XY";
    start = Clock::now();
    window.Command1_Click();
    const double command1 = seconds_since(start);
    const long after_command1 = peak_kib(RUSAGE_SELF);
    start = Clock::now();
    window.RichTextBox1->loadPlainTextFile(desktop.chosen);
    const double show_file = seconds_since(start);
    window.Combo1->setEditText("Number,X,Y,Z");
    window.Combo2->setEditText("UTM32");
    start = Clock::now();
    window.Command9_Click();
    const double command9 = seconds_since(start);
    if (window.Nb_Points != points)
        die("the conversion run stopped");
    std::printf("%-40s %9.3f\n", "window: Command1 (select, rewrite, show)", command1);
    std::printf("%-40s %9.3f\n", "  of which showing the file (once more)", show_file);
    std::printf("%-40s %9.3f\n", "window: Command9 (whole conversion run)", command9);
    const long after_command9 = peak_kib(RUSAGE_SELF);

    // ogr2ogr on the same points, for reference.
    const fs::path csv = work / "in.csv";
    {
        std::ofstream out(csv, std::ios::binary);
        out << "x,y\n";
        char line[64];
        for (std::size_t k = 0; k < read->x.size(); ++k) {
            const int n = std::snprintf(line, sizeof line, "%.2f,%.2f\n", read->x[k], read->y[k]);
            out.write(line, n);
        }
    }
    double ogr_seconds = -1;
    long ogr_peak = -1;
    if (std::system("command -v ogr2ogr >/dev/null 2>&1") == 0) {
        const std::string ogr = "ogr2ogr -f CSV -s_srs EPSG:32632 -t_srs EPSG:4326 -oo X_POSSIBLE_NAMES=x "
                                "-oo Y_POSSIBLE_NAMES=y -lco GEOMETRY=AS_XY '" +
                                (work / "out.csv").string() + "' '" + csv.string() + "'";
        start = Clock::now();
        if (run_measured(ogr, work, ogr_peak))
            ogr_seconds = seconds_since(start);
    }
    if (ogr_seconds >= 0)
        std::printf("%-40s %9.3f\n", "ogr2ogr CSV EPSG:32632 -> EPSG:4326", ogr_seconds);
    else
        std::printf("%-40s %9s\n", "ogr2ogr CSV EPSG:32632 -> EPSG:4326", "n/a");

    std::printf("peak memory (MB): library steps %.1f, after Command1 %.1f, after Command9 %.1f, "
                "convers %.1f, ogr2ogr %.1f\n",
                static_cast<double>(library_peak) / 1024, static_cast<double>(after_command1) / 1024,
                static_cast<double>(after_command9) / 1024, static_cast<double>(convers_peak) / 1024,
                static_cast<double>(ogr_peak) / 1024);
    fs::remove_all(work);
    return 0;
}
