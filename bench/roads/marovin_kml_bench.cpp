// marovin-kml against its references, each run as a whole process in the
// same command, interleaved, medians of several runs.
//
//   marovin_kml_bench [traces] [rounds]
//       A SEG-Y line of `traces` traces (1,000,000: 250 samples each, 1.2 GB
//       under /tmp, deleted after) to KML through marovin-kml, beside
//         - the Python pipeline of the seismic road benchmark
//           (seismic_road_reference.py: segyio, one vectorised pyproj
//           transform, the same KML bytes), plain and refusing impossible
//           points as the converter does;
//         - the sum of the work's limits, timed in this process: one byte of
//           every trace header touched through a map, one PROJ pass (the
//           inverse projection of every point, which is the conversion and
//           all the domain check needs inside the area), write(2) of the
//           KML bytes;
//         - with $MAROVIN_BENCH_EARLIER (an earlier build's program folder),
//           that build's marovin-kml on the same line.
//       Then the command's peak memory per trace: on the line, and what the
//       line adds to the peak on a line of one trace.
//   marovin_kml_bench jobs [files] [traces] [rounds]
//       64 lines of 20,000 traces, one command with -j 2 beside one with
//       -j 1; and, as the reference of what the machine's cores give at the
//       time (other work may hold one), two -j 1 commands on half the lines
//       each, started together.

#include "support/files.h"
#include "support/road_limits.h"
#include "support/seismic_line.h"
#include "support/timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using bench::die;

namespace {

const std::string kCommand = MAROVIN_PROGRAM_DIR "/marovin-kml";

int compare(long traces, int rounds)
{
    const fs::path work = bench::work_folder("marovin_kml_bench");
    const fs::path line = bench::warm_line(work / "line.sgy", traces, 250);
    const fs::path one = bench::warm_line(work / "one.sgy", 1, 250);
    std::printf("line: %ld traces of 250 samples, %.0f MB\n", traces, static_cast<double>(fs::file_size(line)) / 1e6);

    const fs::path command_kml = work / "command.kml", python_kml = work / "python.kml";
    const std::vector<std::string> command = {kCommand, "-q", "-o", command_kml.string(), line.string()};
    const fs::path script = fs::path(MAROVIN_BENCH_SOURCE_DIR) / "roads" / "seismic_road_reference.py";
    const std::vector<std::string> python = {"/usr/bin/python3", script.string(), line.string(), python_kml.string(),
                                             "5"};
    std::vector<std::string> checked = python;
    checked.push_back("checked");

    const std::optional<fs::path> earlier = bench::earlier_build();
    const fs::path earlier_kml = work / "earlier.kml";
    const std::vector<std::string> before = {earlier ? (*earlier / "marovin-kml").string() : std::string(), "-q", "-o",
                                             earlier_kml.string(), line.string()};

    if (!bench::run_process(command, false, true).ok || !bench::run_process(python).ok ||
        (earlier && !bench::run_process(before, false, true).ok))
        die("an untimed run failed");
    if (const std::optional<std::string> differ = bench::first_difference(command_kml, python_kml))
        std::printf("the command's and Python's KML differ, first at %s\n", differ->c_str());
    else
        std::printf("the command's and Python's KML are the same bytes\n");
    if (earlier) {
        const std::optional<std::string> differ = bench::first_difference(command_kml, earlier_kml);
        std::printf("the command's and the earlier build's KML %s%s\n",
                    differ ? "differ, first at " : "are the same bytes", differ ? differ->c_str() : "");
    }

    std::vector<const std::vector<std::string>*> commands = {&command, &python, &checked};
    std::vector<const fs::path*> documents = {&command_kml, &python_kml, &python_kml};
    if (earlier) {
        commands.push_back(&before);
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
            const bench::ProcessRun run = bench::run_process(*commands[which], false, which == 0 || which == 3);
            if (!run.ok)
                die("a timed run failed");
            seconds[which].push_back(run.seconds);
            peaks[which] = std::max(peaks[which], run.peak_kib);
        }
    }
    // The peak of a line of one trace: what the program costs without traces.
    long one_peak = 0;
    for (int round = 0; round < rounds; ++round)
        one_peak = std::max(
            one_peak, bench::run_process({kCommand, "-q", "-o", (work / "one.kml").string(), one.string()}, false, true)
                          .peak_kib);

    const double ours = bench::median(seconds[0]), plain = bench::median(seconds[1]), same = bench::median(seconds[2]);
    std::printf("\nwhole processes, median of %d runs each:\n", rounds);
    std::printf("  %-50s %7.3f s  peak %6.1f MB\n", "marovin-kml", ours, static_cast<double>(peaks[0]) / 1024);
    std::printf("  %-50s %7.3f s  peak %6.1f MB\n", "Python: segyio, pyproj, the same KML", plain,
                static_cast<double>(peaks[1]) / 1024);
    std::printf("  %-50s %7.3f s  peak %6.1f MB\n", "Python, refusing impossible points as convers", same,
                static_cast<double>(peaks[2]) / 1024);
    if (earlier)
        std::printf("  %-50s %7.3f s  peak %6.1f MB\n", "marovin-kml of the earlier build", bench::median(seconds[3]),
                    static_cast<double>(peaks[3]) / 1024);
    std::printf("marovin-kml / Python: %.3f (goal: 0.15 or below)\n", ours / plain);
    std::printf("marovin-kml / Python refusing impossible points (the same work): %.3f\n", ours / same);
    if (earlier)
        std::printf("marovin-kml / the earlier build's (%s): %.3f\n", earlier->c_str(),
                    ours / bench::median(seconds[3]));
    std::printf("peak memory: %.1f bytes a trace in all; %.1f bytes a trace beyond a line of one trace (%.1f MB)"
                " (goal: 40 or below)\n",
                static_cast<double>(peaks[0]) * 1024 / static_cast<double>(traces),
                static_cast<double>(peaks[0] - one_peak) * 1024 / static_cast<double>(traces - 1),
                static_cast<double>(one_peak) / 1024);

    // The inverse projection: the conversion and, inside the system's area,
    // the whole domain check.
    const double sum = bench::report_limits(line, command_kml, work, rounds, 1);
    std::printf("marovin-kml / sum of the limits: %.2f (goal: 1.2 or below)\n", ours / sum);
    bench::remove_work_folder();
    return 0;
}

// Seconds from starting both commands to the end of the later one.
double run_together(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    const auto start = bench::Clock::now();
    std::vector<pid_t> pids;
    for (const std::vector<std::string>* argv : {&a, &b}) {
        std::vector<char*> args;
        for (const std::string& arg : *argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
            die("cannot start " + (*argv)[0]);
        pids.push_back(pid);
    }
    for (const pid_t pid : pids) {
        int status = 0;
        if (::waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            die("a command run beside another failed");
    }
    return bench::seconds_since(start);
}

int jobs(int files, long traces, int rounds)
{
    const fs::path work = bench::work_folder("marovin_kml_jobs");
    std::vector<std::string> lines;
    for (int f = 0; f < files; ++f)
        lines.push_back(bench::warm_line(work / ("line" + std::to_string(f) + ".sgy"), traces, 250).string());
    std::printf("%d lines of %ld traces, %.0f MB each\n", files, traces,
                static_cast<double>(fs::file_size(lines[0])) / 1e6);
    const auto command = [&](const char* jobs, const fs::path& out, std::size_t first, std::size_t end) {
        std::vector<std::string> argv = {kCommand, "-q", "-j", jobs, "-o", out.string()};
        argv.insert(argv.end(), lines.begin() + static_cast<long>(first), lines.begin() + static_cast<long>(end));
        return argv;
    };
    const std::size_t half = lines.size() / 2;
    std::vector<double> seconds[3];
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 3; ++k) {
            const int which = (k + round) % 3;
            for (const char* out : {"out0", "out1", "out2", "out3"})
                fs::remove_all(work / out);
            ::sync();
            if (which == 2) {
                fs::create_directories(work / "out2");
                fs::create_directories(work / "out3");
                seconds[2].push_back(run_together(command("1", work / "out2", 0, half),
                                                  command("1", work / "out3", half, lines.size())));
                continue;
            }
            const bench::ProcessRun run =
                bench::run_process(command(which == 0 ? "1" : "2", work / "out0", 0, lines.size()), false, true);
            if (!run.ok)
                die("a timed run failed");
            seconds[which].push_back(run.seconds);
        }
    }
    const double one = bench::median(seconds[0]), two = bench::median(seconds[1]), pair = bench::median(seconds[2]);
    std::printf("median of %d runs: -j 1 %.3f s, -j 2 %.3f s; two -j 1 commands on half the lines each, at once,"
                " %.3f s\n",
                rounds, one, two, pair);
    std::printf("-j 2 is %.2fx as fast as -j 1 (goal: 1.7 or more on 2 cores)\n", one / two);
    std::printf("the machine's cores gave two commands at once %.2fx; -j 2 reached %.0f%% of that\n", one / pair,
                100 * pair / two);
    bench::remove_work_folder();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "jobs")
        return jobs(argc > 2 ? std::atoi(argv[2]) : 64, argc > 3 ? std::atol(argv[3]) : 20'000,
                    argc > 4 ? std::atoi(argv[4]) : 5);
    return compare(argc > 1 ? std::atol(argv[1]) : 1'000'000, argc > 2 ? std::atoi(argv[2]) : 5);
}
