// marovin-kml: the seismic and text roads of Marovin's window without a
// window, on many files at once. See usage_text() (cli/options.cpp).

#include "cli/describe.h"
#include "cli/file_run.h"
#include "cli/options.h"

#include <proj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What goes to standard error: the line of each file as it ends and, on a
// terminal, one progress line below them, redrawn at most ten times a
// second.
class Reporter {
public:
    Reporter(std::size_t files, bool progress) : files_(files), progress_(progress)
    {
        if (progress_)
            drawer_ = std::thread([this] { draw_loop(); });
    }
    ~Reporter()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (drawer_.joinable())
            drawer_.join();
        if (progress_)
            std::fputs("\r\033[K", stderr);
    }

    void file_done(const std::string& line)
    {
        std::lock_guard lock(mutex_);
        if (progress_)
            std::fputs("\r\033[K", stderr);
        std::fprintf(stderr, "marovin-kml: %s\n", line.c_str());
        ++done_;
        shown_ = false;
    }

    std::atomic<std::int64_t> points{0};

private:
    void draw_loop()
    {
        std::unique_lock lock(mutex_);
        std::int64_t drawn_points = -1;
        std::size_t drawn_done = 0;
        while (!stopping_) {
            const std::int64_t now = points.load();
            if (!shown_ || now != drawn_points || done_ != drawn_done) {
                std::fprintf(stderr, "\r\033[K%zu of %zu files, %lld traces read", done_, files_,
                             static_cast<long long>(now));
                std::fflush(stderr);
                drawn_points = now;
                drawn_done = done_;
                shown_ = true;
            }
            wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stopping_; });
        }
    }

    const std::size_t files_;
    const bool progress_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::size_t done_ = 0;
    bool shown_ = false;
    bool stopping_ = false;
    std::thread drawer_;
};

} // namespace

int main(int argc, char** argv)
{
    // A file size limit (ulimit -f) ends in a message and no output, not in
    // a kill that leaves a temporary file behind.
    std::signal(SIGXFSZ, SIG_IGN);

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    marovin::Result<marovin::cli::Options> parsed = marovin::cli::parse_options(arguments);
    if (!parsed) {
        std::fprintf(stderr, "marovin-kml: %s; marovin-kml --help lists the options\n", parsed.error().c_str());
        return kExitUsage;
    }
    const marovin::cli::Options& options = *parsed;
    if (options.help) {
        std::fputs(marovin::cli::usage_text().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : kExitFailed;
    }
    if (options.version) {
        std::printf("marovin-kml (Marovin) %s, PROJ %s\n", MAROVIN_VERSION, proj_info().version);
        return std::fflush(stdout) == 0 ? 0 : kExitFailed;
    }
    if (options.describe) {
        // What each file holds, on standard output, in the order given.
        bool all_read = true;
        for (const std::string& file : options.files) {
            const marovin::Result<std::string> described = marovin::cli::describe_seismic_file(file);
            if (described) {
                std::fputs(described->c_str(), stdout);
            } else {
                std::fprintf(stderr, "marovin-kml: %s\n", described.error().c_str());
                all_read = false;
            }
        }
        return std::fflush(stdout) == 0 && all_read ? 0 : kExitFailed;
    }
    marovin::Result<std::vector<marovin::cli::Target>> planned = marovin::cli::plan_outputs(options);
    if (!planned) {
        std::fprintf(stderr, "marovin-kml: %s\n", planned.error().c_str());
        return kExitUsage;
    }
    const std::vector<marovin::cli::Target>& targets = *planned;

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers =
        std::min<std::size_t>(targets.size(), options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : cores);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> all_written{true};
    {
        Reporter reporter(targets.size(), !options.quiet && ::isatty(STDERR_FILENO));
        const auto work = [&] {
            for (std::size_t i = next++; i < targets.size(); i = next++) {
                const marovin::cli::FileOutcome outcome = marovin::cli::run_file(options, targets[i], reporter.points);
                if (!outcome.written)
                    all_written = false;
                reporter.file_done(outcome.line);
            }
        };
        std::vector<std::thread> threads;
        for (std::size_t k = 1; k < workers; ++k)
            threads.emplace_back(work);
        work();
        for (std::thread& thread : threads)
            thread.join();
    }
    return all_written ? 0 : kExitFailed;
}
