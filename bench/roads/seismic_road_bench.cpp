// The seismic road end to end, as a user runs it, in one process: the
// window starts on the line (its headers read), Command8 extracts every
// trace's CDP and receiver X and Y, writes the converter job, runs the real
// convers, reads its result into the point table and shows the grid;
// Command3 writes the KML file of every point (every fifth named) and shows
// it. Both run off the window's thread, with the real progress window once
// they take half a second.
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
//       bytes (the writer's floor); and the road's ratio to that sum. With
//       $MAROVIN_BENCH_EARLIER (an earlier build's program folder), the same
//       road with that build's convers, in the same rotation.
//   seismic_road_bench large [traces] [runs]
//       A line of ten million short traces (4 samples, 2.6 GB under /tmp,
//       deleted after): the time from the click on Extract to "Conversion
//       done !", the whole Command8, Command3 (the KML file), and the peak
//       memory of the process and of the converter.
//   seismic_road_bench views [traces]
//       The window's two large views on what the road made of a line (every
//       point labelled, the largest document): the KML file of a million
//       placemarks shown in the "Information" viewer and scrolled to its
//       end, the grid of a million rows shown and scrolled to its end.
//   seismic_road_bench cancel [traces]
//       The window on a line of two million short traces: a first Command8
//       left to end, then a second one cancelled with the real progress
//       window's Cancel button; the time from the click to the progress
//       window on screen, from Cancel to the run's end, and whether the run
//       left a job or result file, or changed the table and the grid.
//   seismic_road_bench road <line> <folder holding convers> <times file> [views]
//       One road run; appends its figures to the times file (with "views",
//       prints the views' figures instead).

#include "support/files.h"
#include "support/road_limits.h"
#include "support/seismic_line.h"
#include "support/timing.h"

#include "shell/desktop.h"
#include "shell/flex_grid.h"
#include "shell/info_view.h"
#include "shell/kml_main.h"
#include "shell/program_converter.h"
#include "shell/program_folder.h"
#include "shell/qt_desktop.h"
#include "shell/tab_control.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using bench::Clock;
using bench::die;
using bench::seconds_since;

namespace {

// The desktop of the road run: every message is answered with OK (the
// start-up question with Yes, the seismic road) and kept with the time it
// was shown; programs run and the progress window shows as on the real
// desktop; dialogs are cancelled.
class BenchDesktop : public Desktop {
public:
    QStringList messages;                 // in the order shown
    std::vector<Clock::time_point> shown; // when each was shown

    // When `text` was last shown, if it was.
    std::optional<Clock::time_point> shownAt(const QString& text) const
    {
        const qsizetype at = messages.lastIndexOf(text);
        if (at < 0)
            return std::nullopt;
        return shown[static_cast<std::size_t>(at)];
    }

    Answer message(QWidget*, const QString& text, const QString&, Icon, Buttons buttons) override
    {
        messages << text;
        shown.push_back(Clock::now());
        if (buttons == Buttons::YesNo)
            return text.startsWith(QStringLiteral("Extract coordinates")) ? Answer::Yes : Answer::No;
        return Answer::Ok;
    }
    std::optional<QString> openFileName(QWidget*, const FileRequest&) override { return std::nullopt; }
    std::optional<QString> saveFileName(QWidget*, const FileRequest&) override { return std::nullopt; }
    // With `cancelAfter`, the progress window's own Cancel button is clicked
    // that long after the window is on screen; `progressShown` is when it was.
    std::optional<std::chrono::milliseconds> cancelAfter;
    std::optional<Clock::time_point> progressShown, cancelClicked;
    void showProgress(QWidget* owner, RunView& run) override
    {
        if (cancelAfter)
            QTimer::singleShot(0, [this] { pressCancelLater(); });
        QtDesktop().showProgress(owner, run);
    }
    void pressCancelLater()
    {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (!dialog || !dialog->isVisible() || dialog->windowTitle() != QStringLiteral("Marovin"))
                continue;
            progressShown = Clock::now();
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("Cancel"))
                    QTimer::singleShot(*cancelAfter, button, [this, button] {
                        cancelClicked = Clock::now();
                        button->click();
                    });
            return;
        }
        QTimer::singleShot(1, [this] { pressCancelLater(); });
    }
    void openDocument(const QString&, const QString&, QObject*, OpenDone) override {}
    ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& folder,
                          const Stop& stop) override
    {
        return QtDesktop().runProgram(program, arguments, folder, stop);
    }
    void setBusy(QWidget*, bool) override {}
};

// Figures of one road run, one line of the times file.
struct RoadTimes {
    double startup = 0;  // process start to the window ready, headers read
    double done = 0;     // click on Extract to "Conversion done !"
    double command8 = 0; // the whole Command8 (result, table and grid too)
    double command3 = 0; // the KML file written and shown
    long convers_kib = 0;
};

double milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

// A control of the window by its form name.
template <class Control>
Control& control(KML_Main& window, const char* name)
{
    auto* found = window.findChild<Control*>(QLatin1String(name));
    if (!found)
        die(std::string("no control ") + name);
    return *found;
}

// The window's views of what the road made: the KML file shown again in the
// viewer, then scrolled to its end; the grid's tab shown, then the grid
// scrolled to its end. Each is painted before its time is taken.
void time_views(KML_Main& window, const fs::path& kml)
{
    InfoView& viewer = control<InfoView>(window, "RichTextBox1");
    FlexGrid& grid = control<FlexGrid>(window, "VSFlexGrid1");
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    if (const marovin::Status loaded = viewer.loadPlainTextFile(QString::fromStdString(kml.string())); !loaded)
        die(loaded.error());
    viewer.repaint();
    const double shown = milliseconds(timer);
    timer.restart();
    viewer.scrollToEnd();
    viewer.repaint();
    std::printf("viewer: %d placemarks, %.1f MB, %lld lines: in view in %.0f ms, scrolled to the end in %.1f ms\n",
                window.roadState().points.size(), static_cast<double>(fs::file_size(kml)) / 1e6,
                static_cast<long long>(viewer.lineCount()), shown, milliseconds(timer));

    timer.restart();
    window.findChild<TabControl*>()->setCurrentIndex(1);
    QApplication::processEvents();
    grid.repaint();
    const double gridShown = milliseconds(timer);
    timer.restart();
    grid.scrollToBottom();
    grid.repaint();
    std::printf("grid: %d rows x %d columns shown in %.0f ms, scrolled to the end in %.1f ms\n", grid.rows(),
                grid.cols(), gridShown, milliseconds(timer));
}

// The window as the application makes it, in the scratch folder `work` as
// its program folder (holding convers) and its user folders, started on
// `line` as the remembered seismic file, its headers read.
struct RoadWindow {
    static UserFolders folders(const fs::path& work, const fs::path& line)
    {
        const fs::path ini = work / "T.ini";
        std::ofstream(ini, std::ios::binary) << "[TERVALO]\r\nFichier 1=" << line.string() << "\r\n";
        return {QString::fromStdString(ini.string()), QString::fromStdString((work / "jobs").string()),
                QString::fromStdString((work / "samples").string())};
    }

    RoadWindow(Desktop& desktop, const fs::path& work, const fs::path& line)
        : programDir(QString::fromStdString(work.string())), user(folders(work, line)),
          converter(desktop, ProgramFolder(programDir).converter(), user.jobRoot),
          window(desktop, programDir, user, converter)
    {
        window.Form_Load();
        if (!window.roadState().header)
            die("the line's headers were not read: " + control<QLabel>(window, "Label15").text().toStdString());
    }

    QString programDir;
    UserFolders user;
    ProgramConverter converter;
    KML_Main window;
};

int run_road(int argc, char** argv, const char* line, const fs::path& work, const char* times, bool views)
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
    BenchDesktop desktop;
    RoadWindow road(desktop, work, line);
    KML_Main& window = road.window;
    desktop.messages.clear(); // the question, "Remember to select the original geodesic system"
    desktop.shown.clear();
    RoadTimes t;
    t.startup = seconds_since(begun);

    const auto clicked = Clock::now();
    control<QPushButton>(window, "Command8").click();
    t.command8 = seconds_since(clicked);
    const auto done = desktop.shownAt(QStringLiteral("Conversion done !"));
    if (!done || desktop.messages.size() != 1)
        die("the extraction failed: " + desktop.messages.join(QStringLiteral(" / ")).toStdString());
    t.done = std::chrono::duration<double>(*done - clicked).count();

    control<QLineEdit>(window, "Text8").setText(QString::fromStdString((work / "road.kml").string()));
    if (views) {
        window.show();
        control<QComboBox>(window, "Combo8").setEditText(QStringLiteral("1"));
    }
    const auto writing = Clock::now();
    control<QPushButton>(window, "Command3").click();
    t.command3 = seconds_since(writing);
    // Besides "Conversion done !", only the offer of a KMZ for a large
    // survey, declined.
    const bool offered = desktop.messages.size() == 2 && desktop.messages[1].startsWith(QStringLiteral("This survey"));
    if ((desktop.messages.size() != 1 && !offered) || !fs::exists(work / "road.kml"))
        die("the KML file was not written: " + desktop.messages.join(QStringLiteral(" / ")).toStdString());

    if (views) {
        time_views(window, work / "road.kml");
        return 0;
    }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    t.convers_kib = children.ru_maxrss;
    std::ofstream(times, std::ios::app) << t.startup << ' ' << t.done << ' ' << t.command8 << ' ' << t.command3 << ' '
                                        << t.convers_kib << '\n';
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

// Puts a copy of convers in the scratch folder `work`, which serves the
// window as its program folder, then the run's SEG-Y line, made and read
// once.
fs::path prepared_line(const fs::path& work, long traces, int samples)
{
    fs::copy_file(fs::path(MAROVIN_PROGRAM_DIR) / "convers", work / "convers", fs::copy_options::overwrite_existing);
    const fs::path line = bench::warm_line(work / "line.sgy", traces, samples);
    std::printf("line: %ld traces of %d samples, %.0f MB\n", traces, samples,
                static_cast<double>(fs::file_size(line)) / 1e6);
    return line;
}

int compare(long traces, int rounds)
{
    const fs::path work = bench::work_folder("seismic_road_bench");
    const fs::path line = prepared_line(work, traces, 250);

    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path times = work / "times.txt";
    const fs::path road_kml = work / "road.kml";
    const fs::path python_kml = work / "python.kml";
    const std::vector<std::string> road = {self.string(), "road", line.string(), work.string(), times.string()};
    const fs::path script = fs::path(MAROVIN_BENCH_SOURCE_DIR) / "roads" / "seismic_road_reference.py";
    const std::vector<std::string> python = {"/usr/bin/python3", script.string(), line.string(), python_kml.string(),
                                             "5"};
    // The same pipeline refusing impossible points as the converter does:
    // the reference that does all of the road's work.
    std::vector<std::string> python_checked = python;
    python_checked.push_back("checked");

    // The road with an earlier build's convers, in a program folder of its own.
    const std::optional<fs::path> earlier = bench::earlier_build();
    const fs::path earlier_work = work / "earlier", earlier_times = work / "earlier_times.txt";
    const std::vector<std::string> road_before = {self.string(), "road", line.string(), earlier_work.string(),
                                                  earlier_times.string()};
    if (earlier) {
        fs::create_directories(earlier_work);
        fs::copy_file(*earlier / "convers", earlier_work / "convers", fs::copy_options::overwrite_existing);
    }

    // One untimed run of each; the documents compared.
    if (!bench::run_process(road).ok || !bench::run_process(python_checked).ok || !bench::run_process(python).ok ||
        (earlier && !bench::run_process(road_before).ok))
        die("an untimed run failed");
    fs::remove(times);
    fs::remove(earlier_times);
    if (earlier) {
        const std::optional<std::string> differ = bench::first_difference(road_kml, earlier_work / "road.kml");
        std::printf("the road's KML with this convers and with the earlier build's %s%s\n",
                    differ ? "differ, first at " : "are the same bytes", differ ? differ->c_str() : "");
    }
    if (const std::optional<std::string> differ = bench::first_difference(road_kml, python_kml))
        std::printf("the KML documents differ (%ju and %ju bytes), first at %s\n",
                    static_cast<std::uintmax_t>(fs::file_size(road_kml)),
                    static_cast<std::uintmax_t>(fs::file_size(python_kml)), differ->c_str());
    else
        std::printf("the two KML documents are the same %ju bytes\n",
                    static_cast<std::uintmax_t>(fs::file_size(road_kml)));

    // The commands in turn, the order rotating from round to round.
    const fs::path earlier_kml = earlier_work / "road.kml";
    std::vector<const std::vector<std::string>*> commands = {&road, &python, &python_checked};
    std::vector<const fs::path*> documents = {&road_kml, &python_kml, &python_kml};
    if (earlier) {
        commands.push_back(&road_before);
        documents.push_back(&earlier_kml);
    }
    const std::size_t count = commands.size();
    std::vector<std::vector<double>> seconds(count);
    std::vector<long> peaks(count, 0);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t which = (k + static_cast<std::size_t>(round)) % count;
            fs::remove(*documents[which]);
            ::sync();
            const bench::ProcessRun run = bench::run_process(*commands[which]);
            if (!run.ok)
                die(which == 0 || which == 3 ? "the road failed" : "the Python pipeline failed");
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
    if (earlier) {
        const std::vector<RoadTimes> before = read_times(earlier_times);
        const double earlier_time = bench::median(seconds[3]);
        std::printf("  %-46s %7.3f s  peak %6.0f MB\n", "the road with the earlier build's convers", earlier_time,
                    static_cast<double>(peaks[3]) / 1024);
        std::printf("    of which Command8 %.3f s (\"Conversion done !\" after %.3f s)\n",
                    median_of(before, &RoadTimes::command8), median_of(before, &RoadTimes::done));
        std::printf("road / the road with the earlier build's convers (%s): %.2f; Command8: %.2f\n", earlier->c_str(),
                    road_time / earlier_time,
                    median_of(parts, &RoadTimes::command8) / median_of(before, &RoadTimes::command8));
    }
    std::printf("road / Python: %.2f (goal: 0.25 or below)\n", road_time / python_time);
    std::printf("road / Python refusing impossible points (the same work): %.2f\n", road_time / checked_time);

    const double sum = bench::report_limits(line, road_kml, work, rounds, 1);
    std::printf("road / sum of the limits: %.2f\n", road_time / sum);
    bench::remove_work_folder();
    return 0;
}

// The window's table and grid, to tell whether a run changed them.
struct Shown {
    std::vector<double> longitude, latitude;
    int rows = 0;
    QStringList edges; // the first and the last rows of the grid
    QString line;      // the found-line

    static Shown of(KML_Main& window)
    {
        const marovin::PointTable& table = window.roadState().points;
        FlexGrid& grid = control<FlexGrid>(window, "VSFlexGrid1");
        Shown shown{{table.longitude().begin(), table.longitude().end()},
                    {table.latitude().begin(), table.latitude().end()},
                    grid.rows(),
                    {},
                    control<QLabel>(window, "Label15").text()};
        for (int row : {0, 1, 2, grid.rows() - 2, grid.rows() - 1})
            for (int column = 0; row >= 0 && row < grid.rows() && column < grid.cols(); ++column)
                shown.edges << QString::fromStdString(grid.textMatrix(row, column));
        return shown;
    }
    bool operator==(const Shown&) const = default;
};

int cancel_run(int argc, char** argv, long traces)
{
    const fs::path work = bench::work_folder("seismic_road_cancel");
    const fs::path line = prepared_line(work, traces, 4);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchDesktop desktop;
    RoadWindow road(desktop, work, line);
    KML_Main& window = road.window;
    ProgramConverter& converter = road.converter;
    window.show();
    control<QPushButton>(window, "Command8").click();
    if (!desktop.shownAt(QStringLiteral("Conversion done !")))
        die("the first extraction failed: " + desktop.messages.join(QStringLiteral(" / ")).toStdString());
    const Shown before = Shown::of(window);
    const QString job = converter.jobFile(QStringLiteral("File.cvd"));
    const QString result = converter.jobFile(QStringLiteral("File.cva"));
    fs::remove(job.toStdString());
    fs::remove(result.toStdString());

    desktop.messages.clear();
    desktop.shown.clear();
    desktop.cancelAfter = std::chrono::milliseconds(300);
    const auto clicked = Clock::now();
    control<QPushButton>(window, "Command8").click();
    const auto ended = Clock::now();
    if (!desktop.progressShown || !desktop.cancelClicked)
        die("the progress window was not shown");
    const auto since = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    };
    std::printf("%ld traces: the progress window on screen %.3f s after the click on Command8\n", traces,
                since(clicked, *desktop.progressShown));
    std::printf("Cancel clicked %.3f s after the click; the run ended %.3f s after Cancel\n",
                since(clicked, *desktop.cancelClicked), since(*desktop.cancelClicked, ended));
    std::printf("messages after Cancel: %lld; job file left: %s; result file left: %s; table, grid and found-line "
                "%s\n",
                static_cast<long long>(desktop.messages.size()), fs::exists(job.toStdString()) ? "yes" : "no",
                fs::exists(result.toStdString()) ? "yes" : "no", Shown::of(window) == before ? "unchanged" : "CHANGED");
    window.close();
    bench::remove_work_folder();
    return 0;
}

int large(long traces, int runs)
{
    const fs::path work = bench::work_folder("seismic_road_large");
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
                median_of(parts, &RoadTimes::command3), static_cast<double>(fs::file_size(work / "road.kml")) / 1e6);
    std::printf("  peak memory of the window's process      %7.0f MB (goal: under 1 GB)\n",
                static_cast<double>(peak) / 1024);
    std::printf("  peak memory of the converter             %7.0f MB (as the system counts it: at least the "
                "window's size when it started the converter)\n",
                median_of(parts, &RoadTimes::convers_kib) / 1024);
    bench::remove_work_folder();
    return 0;
}

int views(long traces)
{
    const fs::path work = bench::work_folder("seismic_road_views");
    const fs::path line = prepared_line(work, traces, 4);
    const fs::path self = fs::read_symlink("/proc/self/exe");
    if (!bench::run_process(
             {self.string(), "road", line.string(), work.string(), (work / "times.txt").string(), "views"}, true)
             .ok)
        die("the road failed");
    bench::remove_work_folder();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if ((argc == 5 || argc == 6) && std::string(argv[1]) == "road")
        return run_road(argc, argv, argv[2], argv[3], argv[4], argc == 6 && std::string(argv[5]) == "views");
    if (argc >= 2 && std::string(argv[1]) == "views")
        return views(argc > 2 ? std::atol(argv[2]) : 1'000'000);
    if (argc >= 2 && std::string(argv[1]) == "cancel")
        return cancel_run(argc, argv, argc > 2 ? std::atol(argv[2]) : 2'000'000);
    if (argc >= 2 && std::string(argv[1]) == "large")
        return large(argc > 2 ? std::atol(argv[2]) : 10'000'000, argc > 3 ? std::atoi(argv[3]) : 3);
    return compare(argc > 1 ? std::atol(argv[1]) : 1'000'000, argc > 2 ? std::atoi(argv[2]) : 5);
}
