// The seismic road end to end, as a user runs it, in one process: the
// window reads the line's headers, Command8 extracts every trace's CDP and
// receiver X and Y, writes the converter job, runs the real convers, reads
// its result into the point table and shows the grid; Command3 writes the
// KML file of every point (every fifth named) and shows it.
//
//   seismic_road_bench [traces] [rounds]
//       Beside the road, timed the same way as a whole process, a Python
//       pipeline doing the same work (seismic_road_reference.py: segyio,
//       one vectorised pyproj transform, the same KML text); the two
//       documents are compared byte for byte. Medians of interleaved runs
//       and their ratio. Then the sum of the limits of the work, each timed
//       in this process: touching one byte of every trace header through
//       the map (the extraction's floor), one proj_trans_generic call on
//       the points (the converter's floor), write(2) of the finished KML
//       bytes (the writer's floor); and the road's ratio to that sum.
//   seismic_road_bench large [traces] [runs]
//       A line of ten million short traces (4 samples, 2.6 GB under /tmp,
//       deleted after): the time from the click on Extract to "Conversion
//       done !", the whole Command8, Command3 (the KML file), and the peak
//       memory of the process and of the converter.
//   seismic_road_bench road <line> <folder holding convers> <times file>
//       One road run; appends its figures to the times file.

#include "bench_desktop.h"
#include "process_timing.h"
#include "road_limits.h"
#include "seismic_line.h"

#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"
#include "shell/kml_main.h"

#include <QApplication>
#include <QLineEdit>

#include <proj.h>

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The folder of this run's files (the line is gigabytes), removed also when
// the benchmark stops on a failure; empty in a road run, whose folder
// belongs to the benchmark that started it.
fs::path g_work;

[[noreturn]] void die(const std::string& message)
{
    std::fprintf(stderr, "seismic_road_bench: %s\n", message.c_str());
    if (!g_work.empty()) {
        std::error_code ignored;
        fs::remove_all(g_work, ignored);
    }
    std::exit(1);
}

// Figures of one road run, one line of the times file.
struct RoadTimes {
    double startup = 0;  // process start to the window ready, headers read
    double done = 0;     // click on Extract to "Conversion done !"
    double command8 = 0; // the whole Command8 (result, table and grid too)
    double command3 = 0; // the KML file written and shown
    long convers_kib = 0;
};

int run_road(int argc, char** argv, const char* line, const fs::path& work, const char* times)
{
    const auto begun = Clock::now();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const fs::path runtime = work / "runtime";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", runtime.c_str());
    }
    QApplication app(argc, argv);
    bench::BenchDesktop desktop;
    KML_Main window(desktop, QString::fromStdString(work.string()),
                    {QString::fromStdString((work / "T.ini").string()),
                     QString::fromStdString((work / "jobs").string()),
                     QString::fromStdString((work / "samples").string())});
    window.Input_Mode = QStringLiteral("SEGY");
    window.Text4->setText(QString::fromLocal8Bit(line));
    if (marovin::Status read = window.lecture_SU(); !read)
        die(read.error());
    desktop.messages.clear(); // "Remember to select the original geodesic system"
    desktop.shown.clear();
    RoadTimes t;
    t.startup = seconds_since(begun);

    const auto clicked = Clock::now();
    window.Command8_Click();
    t.command8 = seconds_since(clicked);
    const auto done = desktop.shownAt(QStringLiteral("Conversion done !"));
    if (!done || desktop.messages.size() != 1)
        die("the extraction failed: " + desktop.messages.join(QStringLiteral(" / ")).toStdString());
    t.done = std::chrono::duration<double>(*done - clicked).count();

    window.Text8->setText(QString::fromStdString((work / "road.kml").string()));
    const auto writing = Clock::now();
    window.Command3_Click();
    t.command3 = seconds_since(writing);
    if (desktop.messages.size() != 1 || !fs::exists(work / "road.kml"))
        die("the KML file was not written: " + desktop.messages.join(QStringLiteral(" / ")).toStdString());

    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    t.convers_kib = children.ru_maxrss;
    std::ofstream(times, std::ios::app) << t.startup << ' ' << t.done << ' ' << t.command8 << ' ' << t.command3
                                        << ' ' << t.convers_kib << '\n';
    return 0;
}

std::vector<RoadTimes> read_times(const fs::path& path)
{
    std::vector<RoadTimes> all;
    std::ifstream in(path);
    for (RoadTimes t; in >> t.startup >> t.done >> t.command8 >> t.command3 >> t.convers_kib;)
        all.push_back(t);
    return all;
}

template <class Member>
double median_of(const std::vector<RoadTimes>& all, Member member)
{
    std::vector<double> values;
    for (const RoadTimes& t : all)
        values.push_back(static_cast<double>(t.*member));
    return bench::median(values);
}

// A folder under /tmp for one benchmark run, holding a copy of convers.
fs::path work_folder(const char* name)
{
    const fs::path work = fs::temp_directory_path() / (std::string(name) + std::to_string(::getpid()));
    fs::create_directories(work);
    g_work = work;
    fs::copy_file(fs::path(MAROVIN_PROGRAM_DIR) / "convers", work / "convers", fs::copy_options::overwrite_existing);
    return work;
}

// The benchmark's SEG-Y line in `work`, made and read once.
fs::path prepared_line(const fs::path& work, long traces, int samples)
{
    const fs::path line = work / "line.sgy";
    if (!bench::make_line(line.c_str(), traces, samples))
        die("cannot write the line under /tmp");
    bench::warm(line);
    std::printf("line: %ld traces of %d samples, %.0f MB\n", traces, samples,
                static_cast<double>(fs::file_size(line)) / 1e6);
    return line;
}

// Whether two files hold the same bytes; otherwise where they first differ,
// with the text around it. Read in blocks: a child's peak memory as the
// system counts it includes this process's peak before the child started,
// so this process stays small.
std::optional<std::string> difference(const fs::path& a, const fs::path& b)
{
    std::ifstream in_a(a, std::ios::binary), in_b(b, std::ios::binary);
    std::vector<char> block_a(1 << 20), block_b(1 << 20);
    for (std::size_t at = 0;;) {
        in_a.read(block_a.data(), static_cast<std::streamsize>(block_a.size()));
        in_b.read(block_b.data(), static_cast<std::streamsize>(block_b.size()));
        const auto got_a = static_cast<std::size_t>(in_a.gcount()), got_b = static_cast<std::size_t>(in_b.gcount());
        std::size_t k = 0;
        while (k < got_a && k < got_b && block_a[k] == block_b[k])
            ++k;
        if (k < got_a || k < got_b) {
            const std::size_t from = k > 60 ? k - 60 : 0;
            return "byte " + std::to_string(at + k) + ": \"" +
                   std::string(block_a.data() + from, std::min<std::size_t>(100, got_a - std::min(from, got_a))) +
                   "\" / \"" +
                   std::string(block_b.data() + from, std::min<std::size_t>(100, got_b - std::min(from, got_b))) +
                   "\"";
        }
        if (got_a == 0)
            return std::nullopt;
        at += got_a;
    }
}


int compare(long traces, int rounds)
{
    const fs::path work = work_folder("seismic_road_bench_");
    const fs::path line = prepared_line(work, traces, 250);

    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path times = work / "times.txt";
    const fs::path road_kml = work / "road.kml";
    const fs::path python_kml = work / "python.kml";
    const std::vector<std::string> road = {self.string(), "road", line.string(), work.string(), times.string()};
    const fs::path script = fs::path(MAROVIN_BENCH_SOURCE_DIR) / "seismic_road_reference.py";
    const std::vector<std::string> python = {"/usr/bin/python3", script.string(), line.string(), python_kml.string(),
                                             "5"};
    // The same pipeline refusing impossible points as the converter does:
    // the reference that does all of the road's work.
    std::vector<std::string> python_checked = python;
    python_checked.push_back("checked");

    // One untimed run of each; the documents compared.
    if (!bench::run_process(road).ok || !bench::run_process(python_checked).ok || !bench::run_process(python).ok)
        die("an untimed run failed");
    fs::remove(times);
    if (const std::optional<std::string> differ = difference(road_kml, python_kml))
        std::printf("the KML documents differ (%ju and %ju bytes), first at %s\n",
                    static_cast<std::uintmax_t>(fs::file_size(road_kml)),
                    static_cast<std::uintmax_t>(fs::file_size(python_kml)), differ->c_str());
    else
        std::printf("the two KML documents are the same %ju bytes\n",
                    static_cast<std::uintmax_t>(fs::file_size(road_kml)));

    // The three commands in turn, the order rotating from round to round.
    const std::vector<std::string>* commands[3] = {&road, &python, &python_checked};
    const fs::path* documents[3] = {&road_kml, &python_kml, &python_kml};
    std::vector<double> seconds[3];
    long peaks[3] = {0, 0, 0};
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 3; ++k) {
            const int which = (k + round) % 3;
            fs::remove(*documents[which]);
            ::sync();
            const bench::ProcessRun run = bench::run_process(*commands[which]);
            if (!run.ok)
                die(which == 0 ? "the road failed" : "the Python pipeline failed");
            seconds[which].push_back(run.seconds);
            peaks[which] = std::max(peaks[which], run.peak_kib);
        }
    }
    const std::vector<double>& road_seconds = seconds[0];
    const std::vector<double>& python_seconds = seconds[1];
    const long road_peak = peaks[0], python_peak = peaks[1];
    const std::vector<RoadTimes> parts = read_times(times);
    const double road_time = bench::median(road_seconds), python_time = bench::median(python_seconds);
    std::printf("\nwhole processes, median of %d runs each:\n", rounds);
    std::printf("  %-46s %7.3f s  peak %6.0f MB\n", "Marovin's road (headers, Command8, Command3)", road_time,
                static_cast<double>(road_peak) / 1024);
    std::printf("    of which start-up and headers %.3f s, Command8 %.3f s (\"Conversion done !\" after %.3f s),"
                " Command3 %.3f s; convers peak %.0f MB\n",
                median_of(parts, &RoadTimes::startup), median_of(parts, &RoadTimes::command8),
                median_of(parts, &RoadTimes::done), median_of(parts, &RoadTimes::command3),
                median_of(parts, &RoadTimes::convers_kib) / 1024);
    std::printf("  %-46s %7.3f s  peak %6.0f MB\n", "Python: segyio, pyproj, the same KML text", python_time,
                static_cast<double>(python_peak) / 1024);
    const double checked_time = bench::median(seconds[2]);
    std::printf("  %-46s %7.3f s  peak %6.0f MB\n", "Python, refusing impossible points as convers", checked_time,
                static_cast<double>(peaks[2]) / 1024);
    std::printf("road / Python: %.2f (goal: 0.25 or below)\n", road_time / python_time);
    std::printf("road / Python refusing impossible points (the same work): %.2f\n", road_time / checked_time);

    std::string why;
    const std::optional<bench::Limits> measured = bench::measure_limits(line, road_kml, work, rounds, 1, why);
    if (!measured)
        die(why);
    const bench::Limits& limits = *measured;
    const double sum = limits.touch + limits.proj + limits.write;
    std::printf("\nlimits of the work, timed in this process, medians of %d runs:\n", rounds);
    std::printf("  %-46s %7.3f s\n", "page touch (one byte of every trace header)", limits.touch);
    std::printf("  %-46s %7.3f s\n", "PROJ transform (one proj_trans_generic)", limits.proj);
    std::printf("  %-46s %7.3f s\n", "write(2) of the KML bytes", limits.write);
    std::printf("  %-46s %7.3f s\n", "sum", sum);
    std::printf("road / sum of the limits: %.2f\n", road_time / sum);
    fs::remove_all(work);
    return 0;
}

int large(long traces, int runs)
{
    const fs::path work = work_folder("seismic_road_large_");
    const fs::path line = prepared_line(work, traces, 4);
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path times = work / "times.txt";
    long peak = 0;
    for (int run = 0; run < runs; ++run) {
        fs::remove(work / "road.kml");
        ::sync();
        const bench::ProcessRun road =
            bench::run_process({self.string(), "road", line.string(), work.string(), times.string()});
        if (!road.ok)
            die("the road failed");
        peak = std::max(peak, road.peak_kib);
    }
    const std::vector<RoadTimes> parts = read_times(times);
    std::printf("median of %d whole-process runs:\n", runs);
    std::printf("  click on Extract to \"Conversion done !\"  %7.3f s (goal: under 12 s)\n",
                median_of(parts, &RoadTimes::done));
    std::printf("  whole Command8 (result, table, grid)     %7.3f s\n", median_of(parts, &RoadTimes::command8));
    std::printf("  Command3 (KML file written and shown)    %7.3f s (goal: under 6 s), %.0f MB\n",
                median_of(parts, &RoadTimes::command3),
                static_cast<double>(fs::file_size(work / "road.kml")) / 1e6);
    std::printf("  peak memory of the window's process      %7.0f MB (goal: under 1 GB)\n",
                static_cast<double>(peak) / 1024);
    std::printf("  peak memory of the converter             %7.0f MB (as the system counts it: at least the "
                "window's size when it started the converter)\n",
                median_of(parts, &RoadTimes::convers_kib) / 1024);
    fs::remove_all(work);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "road")
        return run_road(argc, argv, argv[2], argv[3], argv[4]);
    if (argc >= 2 && std::string(argv[1]) == "large")
        return large(argc > 2 ? std::atol(argv[2]) : 10'000'000, argc > 3 ? std::atoi(argv[3]) : 3);
    return compare(argc > 1 ? std::atol(argv[1]) : 1'000'000, argc > 2 ? std::atoi(argv[2]) : 5);
}
