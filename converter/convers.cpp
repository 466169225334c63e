// convers: converts the points of a job file (File.cvd) to WGS84 decimal
// degrees and writes the result file (File.cva) beside it.
//
//   convers /path/File.cvd
//   convers --help | --version
//
// Exit status 0 when File.cva was written (or help or version shown); 2 on
// a usage error; 1 when the job failed: one line on standard error naming
// the file, the line and the problem, and no File.cva (an earlier one is
// removed, since it does not belong to this job).

#include "base/atomic_file.h"
#include "base/converter_job.h"
#include "base/converter_result.h"
#include "base/file_names.h"
#include "base/message_text.h"
#include "geodesy/geodesy.h"

#include <proj.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int exit_failed_job = 1;
constexpr int exit_usage = 2;

constexpr const char* usage_text = "usage: convers File.cvd\n"
                                   "Converts the points of the job file File.cvd to WGS84 decimal degrees and\n"
                                   "writes them to File.cva beside it.\n"
                                   "\n"
                                   "The job: seven header lines (\"Depart=<system>\" names the source system,\n"
                                   "\"Arrivee=WGS84\" the target), then one line per point: X then Y, separated\n"
                                   "by blanks, \".\" or \",\" as decimal separator. Systems: WGS84, ED50, NTF,\n"
                                   "BD72, UTM30, UTM31, UTM32, UTM30E, UTM31E, UTM32E, SWISS, LT93 (L93), LT72,\n"
                                   "LT1, LT2, LT3, LT4, or any EPSG code or definition PROJ reads.\n"
                                   "\n"
                                   "The result: seven lines saying what was converted, then one record per\n"
                                   "point: number,\"system\",latitude,longitude,0.\n"
                                   "\n"
                                   "Exit status: 0 done, 1 the job failed (the reason on standard error, no\n"
                                   "File.cva), 2 usage error.\n"
                                   "\n"
                                   "  --help     show this text\n"
                                   "  --version  show the version\n";

// Formats the records in blocks and writes each block as it is made, so a
// million points never need the whole file in memory. On more than one core
// a second thread formats every other block, into a text of its own that
// this thread writes in its turn and hands back.
marovin::Status write_result(marovin::AtomicFile& out, const std::string& header, const marovin::Job& job)
{
    constexpr std::size_t block = std::size_t{1} << 14; // records, some 700 KB of text
    const std::size_t n = job.x.size();
    const std::size_t blocks = (n + block - 1) / block;
    const std::string quoted = marovin::quoted_system(job.source_system);
    const auto format = [&](std::string& text, std::size_t b) {
        text.clear();
        for (std::size_t i = b * block; i < std::min(n, (b + 1) * block); ++i)
            marovin::append_record(text, job, i, quoted);
    };
    if (marovin::Status written = out.write(header); !written)
        return written;
    std::string ours;
    if (blocks < 2 || std::thread::hardware_concurrency() < 2) {
        for (std::size_t b = 0; b < blocks; ++b) {
            format(ours, b);
            if (marovin::Status written = out.write(ours); !written)
                return written;
        }
        return marovin::ok();
    }

    std::mutex mutex;
    std::condition_variable turn;
    std::string theirs; // an odd block, while `full`
    bool full = false, stop = false;
    std::thread odd([&] {
        std::string text;
        for (std::size_t b = 1; b < blocks; b += 2) {
            format(text, b);
            std::unique_lock lock(mutex);
            turn.wait(lock, [&] { return !full || stop; });
            if (stop)
                return;
            std::swap(text, theirs);
            full = true;
            turn.notify_all();
        }
    });
    marovin::Status status = marovin::ok();
    for (std::size_t b = 0; b < blocks && status; ++b) {
        if (b % 2 == 0) {
            format(ours, b);
            status = out.write(ours);
            continue;
        }
        {
            std::unique_lock lock(mutex);
            turn.wait(lock, [&] { return full; });
        }
        status = out.write(theirs);
        std::lock_guard lock(mutex);
        full = false;
        turn.notify_all();
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
        turn.notify_all();
    }
    odd.join();
    return status;
}

marovin::Status run(const fs::path& job_path, const fs::path& result_path)
{
    const std::string file_name = job_path.filename().string();
    const std::string job_name = marovin::escaped(file_name); // for messages

    // PROJ reads its database's catalogue on first use, which takes tens of
    // milliseconds: done on another core while the job is read.
    std::thread warm_up([] {
        if (PJ_CONTEXT* context = proj_context_create()) {
            proj_log_level(context, PJ_LOG_NONE);
            proj_destroy(proj_create(context, "EPSG:4326"));
            proj_context_destroy(context);
        }
    });
    auto job = marovin::read_job(job_path.string(), job_name);
    warm_up.join();
    if (!job)
        return marovin::fail(job.error());

    // Messages name the job's lines: "File.cvd line 9: ...".
    const auto line = [&job_name](std::int64_t number) { return job_name + " line " + std::to_string(number) + ": "; };
    const marovin::ConversionPlaces places{job_name + ": ", line(job->source_line), line(job->target_line),
                                           [&](std::size_t point) { return line(job->line_of(point)); }};
    auto report = marovin::convert_points(job->source_system, job->target_system, job->x, job->y, places);
    if (!report)
        return marovin::fail(report.error());

    // Written to a fresh temporary file beside the result, then renamed over
    // it, so that File.cva is either this job's whole result or absent.
    auto out = marovin::AtomicFile::create(result_path.string());
    if (!out)
        return marovin::fail(marovin::escaped(out.error()));
    if (marovin::Status written = write_result(*out, marovin::result_header(file_name, *job, *report), *job); !written)
        return marovin::fail(marovin::escaped(written.error()));
    if (marovin::Status committed = out->commit(); !committed)
        return marovin::fail(marovin::escaped(committed.error()));
    return marovin::ok();
}

// Removes a result left by an earlier job, which must not pass for this
// job's. Only a file (or a link, not what it points to): a folder of that
// name is the user's and stays.
void remove_earlier_result(const fs::path& result_path)
{
    struct stat entry {};
    if (::lstat(result_path.c_str(), &entry) == 0 && !S_ISDIR(entry.st_mode))
        ::unlink(result_path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    // A file size limit (ulimit -f) must end in a message and no result,
    // not in a kill that leaves a partial file: with the signal ignored, the
    // write fails with EFBIG and is reported like any other.
    std::signal(SIGXFSZ, SIG_IGN);

    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage_text, stdout);
        return std::fflush(stdout) == 0 ? 0 : exit_failed_job;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("convers (Marovin) %s, PROJ %s\n", MAROVIN_VERSION, proj_info().version);
        return std::fflush(stdout) == 0 ? 0 : exit_failed_job;
    }
    if (argc != 2 || argv[1][0] == '\0') {
        std::fputs("convers: usage: convers File.cvd (the job file to convert); convers --help for more\n", stderr);
        return exit_usage;
    }
    if (argv[1][0] == '-') { // a job named so is reached as ./-name
        std::fprintf(stderr, "convers: unknown option %s; convers --help lists the options\n",
                     marovin::quoted(argv[1]).c_str());
        return exit_usage;
    }
    const fs::path job_path(argv[1]);
    if (marovin::is_result_file(argv[1])) {
        std::fprintf(stderr, "convers: %s is a result file, not a job file\n",
                     marovin::escaped(job_path.filename().string()).c_str());
        return exit_usage;
    }
    const fs::path result_path = marovin::result_file_of(argv[1]);

    marovin::Status status = run(job_path, result_path);
    if (!status) {
        remove_earlier_result(result_path);
        std::fprintf(stderr, "convers: %s\n", status.error().c_str());
        return exit_failed_job;
    }
    return 0;
}
