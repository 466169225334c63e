// convers: converts the points of a job file (File.cvd) to WGS84 decimal
// degrees and writes the result file (File.cva) beside it.
//
//   convers /path/File.cvd
//
// Exit status 0 when File.cva was written; otherwise non-zero, one line on
// standard error naming the file, the line and the problem, and no File.cva
// (an earlier one is removed, since it does not belong to this job).

#include "geodesy.h"
#include "job_file.h"
#include "result_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <cctype>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int exit_failed_job = 1;
constexpr int exit_usage = 2;

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

marovin::Result<std::string> read_whole_file(const fs::path& path, const std::string& name) {
    File file(std::fopen(path.string().c_str(), "rb"));
    if (!file) return marovin::fail("cannot open " + name + ": " + std::strerror(errno));
    std::string text;
    std::error_code size_error;
    const auto size = fs::file_size(path, size_error);
    if (!size_error) text.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
    if (std::ferror(file.get())) return marovin::fail("cannot read " + name + ": " + std::strerror(errno));
    return text;
}

// Formats the records in slices and writes each slice as it is made, so a
// million points never need the whole file in memory.
marovin::Status write_result(std::FILE* out, const std::string& header, const convers::Job& job,
                             const std::string& name) {
    constexpr std::size_t slice = 1 << 20;
    std::string buffer = header;
    buffer.reserve(slice + 4096);
    const std::string quoted = convers::quoted_system(job.source_system);
    for (std::size_t i = 0; i < job.x.size(); ++i) {
        convers::append_record(buffer, job, i, quoted);
        if (buffer.size() >= slice) {
            if (std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size())
                return marovin::fail("cannot write " + name + ": " + std::strerror(errno));
            buffer.clear();
        }
    }
    if (!buffer.empty() && std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size())
        return marovin::fail("cannot write " + name + ": " + std::strerror(errno));
    return marovin::ok();
}

marovin::Status run(const fs::path& job_path, const fs::path& result_path) {
    const std::string job_name = job_path.filename().string();
    const std::string result_name = result_path.filename().string();

    auto text = read_whole_file(job_path, job_name);
    if (!text) return marovin::fail(text.error());
    auto job = convers::parse_job(*text, job_name);
    if (!job) return marovin::fail(job.error());
    text->clear();
    text->shrink_to_fit();

    auto report = convers::convert_points(*job, job_name);
    if (!report) return marovin::fail(report.error());

    // Written beside the result under another name, then renamed over it,
    // so that File.cva is either this job's whole result or absent.
    fs::path temporary = result_path;
    temporary += ".tmp";
    File out(std::fopen(temporary.string().c_str(), "wb"));
    if (!out) return marovin::fail("cannot create " + temporary.filename().string() + ": " + std::strerror(errno));
    marovin::Status written = write_result(out.get(), convers::result_header(job_name, *job, *report), *job,
                                           result_name);
    const bool closed = std::fclose(out.release()) == 0;
    std::error_code ignored;
    if (!written) {
        fs::remove(temporary, ignored);
        return written;
    }
    if (!closed) {
        fs::remove(temporary, ignored);
        return marovin::fail("cannot write " + result_name + ": " + std::strerror(errno));
    }
    std::error_code renamed;
    fs::rename(temporary, result_path, renamed);
    if (renamed) {
        fs::remove(temporary, ignored);
        return marovin::fail("cannot write " + result_name + ": " + renamed.message());
    }
    return marovin::ok();
}

bool has_extension(const fs::path& path, std::string_view extension) {
    std::string actual = path.extension().string();
    if (actual.size() != extension.size()) return false;
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(actual[i])) != extension[i]) return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fputs("convers: usage: convers File.cvd (the job file to convert)\n", stderr);
        return exit_usage;
    }
    const fs::path job_path(argv[1]);
    if (has_extension(job_path, ".cva")) {
        std::fprintf(stderr, "convers: %s is a result file, not a job file\n", job_path.filename().string().c_str());
        return exit_usage;
    }
    fs::path result_path = job_path;
    result_path.replace_extension(".cva");

    marovin::Status status = run(job_path, result_path);
    if (!status) {
        std::error_code ignored;
        fs::remove(result_path, ignored);
        std::fprintf(stderr, "convers: %s\n", status.error().c_str());
        return exit_failed_job;
    }
    return 0;
}
