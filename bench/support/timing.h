#pragma once
// Times programs as whole processes, all in the same way: the wall time from
// just before the process is started to just after it has been waited for,
// no shell in between. Benchmarks run each tool several times, interleaved
// with its reference, and report medians. Steps inside a benchmark's own
// process are timed with seconds_since().

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct ProcessRun {
    bool ok = false; // started and exited with status 0
    double seconds = 0;
    double cpu_seconds = 0; // user and system time of the process
    // The process's peak resident memory, as the system counts it: that
    // count includes the peak of the benchmark process itself at the start
    // (the child begins in its memory before loading its program), so a
    // benchmark that reports it stays small until its tools have run.
    long peak_kib = 0;
};

// Runs argv[0] (looked up on PATH) with its arguments; its standard output
// goes to /dev/null unless `keep_output`, its error output too with
// `drop_errors` (a tool that reports every file it wrote).
inline ProcessRun run_process(const std::vector<std::string>& argv, bool keep_output = false, bool drop_errors = false)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!keep_output)
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (drop_errors)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    ProcessRun run;
    pid_t pid = 0;
    if (keep_output)
        std::fflush(stdout); // what this process printed comes first
    const auto start = Clock::now();
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0]);
        return run;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = seconds_since(start);
    run.peak_kib = usage.ru_maxrss;
    run.cpu_seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!run.ok)
        std::fprintf(stderr, "%s failed (status %d)\n", args[0], status);
    return run;
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace bench
