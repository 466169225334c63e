// Figures for the seismic road's extraction; driven by
// trace_extraction_bench.sh, which also times segyio on the same file.
//
//   trace_extraction_bench make <file.sgy> <traces>
//       writes a SEG-Y line of <traces> traces of 250 samples, receiver
//       coordinates in UTM zone 32 (centimetres, scalar -100)
//   trace_extraction_bench extract <file.sgy>
//       times reading the label, X and Y words of every trace (positioned,
//       mapped and block reads) beside the limits of a mapped read (page
//       touch) and of a block read (the traces read in sequential blocks),
//       and writing the converter job
//   trace_extraction_bench lengths
//       the break-even of the block read: lines of traces from 250 to 32,000
//       samples (about 400 MB each, under /tmp, deleted after), each read
//       in blocks, mapped and by positioned reads, in turn; the time a trace
//       of each method and the fastest
//   trace_extraction_bench step <file.sgy>
//       times the library calls of the whole Extract step (the points of
//       every trace, then the exchange with the real convers: job, converter,
//       result), and prints the peak memory of this process and of the
//       converter

#include "support/converter_exchange.h"
#include "support/seismic_line.h"
#include "support/timing.h"

#include "base/converter_job.h"
#include "conversion/road.h"
#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr int kSamples = 250;

const char* method_name(marovin::ReadMethod method)
{
    switch (method) {
    case marovin::ReadMethod::Best: return "best";
    case marovin::ReadMethod::Blocks: return "blocks";
    case marovin::ReadMethod::Mapped: return "mapped";
    case marovin::ReadMethod::Positioned: return "positioned";
    }
    return "";
}

int extract(const char* path)
{
    auto file = marovin::SeismicFile::open(path);
    if (!file) {
        std::fprintf(stderr, "%s\n", file.error().c_str());
        return 1;
    }
    const marovin::TraceLayout& layout = file->layout();
    marovin::TraceSelection selection;
    selection.divisor = 100;
    const int runs = 5;
    std::vector<double> touches, sequentials;
    for (int run = 0; run < runs; ++run) {
        touches.push_back(
            bench::page_touch_limit(file->descriptor(), layout.first, layout.trace_bytes(), layout.count));
        sequentials.push_back(bench::sequential_read_limit(file->descriptor(), layout.first, layout.trace_bytes(),
                                                           layout.count, marovin::kReadBlockBytes));
    }
    const double touch = bench::median(touches), sequential = bench::median(sequentials);
    std::printf("limits, %d traces (medians of %d): page touch %.3f s (of the mapped read), sequential read %.3f s "
                "(of the block read)\n",
                file->traces(), runs, touch, sequential);
    for (const auto method :
         {marovin::ReadMethod::Positioned, marovin::ReadMethod::Mapped, marovin::ReadMethod::Blocks}) {
        std::vector<double> reads, writes;
        std::size_t traces = 0;
        for (int run = 0; run < runs; ++run) {
            const auto start = bench::Clock::now();
            auto points = file->extract(selection, method);
            reads.push_back(bench::seconds_since(start));
            if (!points) {
                std::fprintf(stderr, "%s\n", points.error().c_str());
                return 1;
            }
            traces = points->size();
            const std::string job = std::string(path) + ".cvd";
            const auto write_start = bench::Clock::now();
            auto writer = marovin::JobWriter::create(job, marovin::trace_header_job_header("UTM32"), '.');
            for (std::size_t i = 0; writer && i < points->size(); ++i)
                if (!writer->add_point(points->x[i], points->y[i]))
                    return 1;
            if (auto written = writer ? writer->close() : marovin::fail(writer.error()); !written) {
                std::fprintf(stderr, "%s\n", written.error().c_str());
                return 1;
            }
            writes.push_back(bench::seconds_since(write_start));
            std::remove(job.c_str());
        }
        const double read = bench::median(reads), write = bench::median(writes);
        std::printf("%-10s %zu traces: words read %.3f s (%.2fx the page-touch limit, %.2fx the sequential read), "
                    "job written %.3f s, together %.3f s (medians of %d)\n",
                    method_name(method), traces, read, read / touch, read / sequential, write, read + write, runs);
    }
    return 0;
}

// The three methods on lines of longer and longer traces, in turn; medians.
int lengths()
{
    const std::filesystem::path folder = bench::work_folder("trace_extraction_lengths");
    constexpr double kLineBytes = 400e6;
    constexpr marovin::ReadMethod kMethods[] = {marovin::ReadMethod::Blocks, marovin::ReadMethod::Mapped,
                                                marovin::ReadMethod::Positioned};
    const int runs = 5;
    std::printf("%8s %8s %8s  %s\n", "samples", "bytes", "traces",
                "microseconds a trace: blocks, mapped, positioned (medians of 5); the fastest");
    for (const int samples : {250, 1000, 2000, 4000, 6000, 8000, 12000, 16000, 32000}) {
        const long bytes = 240 + 4L * samples;
        const long traces = std::min(200'000L, static_cast<long>(kLineBytes / static_cast<double>(bytes)));
        const std::filesystem::path line = bench::warm_line(folder / "line.sgy", traces, samples);
        const auto file = marovin::SeismicFile::open(line.string());
        if (!file)
            bench::die(file.error());
        std::vector<double> seconds[3];
        for (int run = 0; run < runs; ++run)
            for (int k = 0; k < 3; ++k) {
                const int which = (k + run) % 3;
                const auto start = bench::Clock::now();
                if (const auto points = file->extract({}, kMethods[which]); !points)
                    bench::die(points.error());
                seconds[which].push_back(bench::seconds_since(start));
            }
        double each[3];
        int fastest = 0;
        for (int k = 0; k < 3; ++k) {
            each[k] = bench::median(seconds[k]) / static_cast<double>(traces) * 1e6;
            if (each[k] < each[fastest])
                fastest = k;
        }
        std::printf("%8d %8ld %8ld  %8.3f %8.3f %8.3f  %s\n", samples, bytes, traces, each[0], each[1], each[2],
                    method_name(kMethods[fastest]));
        std::filesystem::remove(line);
    }
    std::printf("the default reads traces of up to %lld bytes in blocks\n",
                static_cast<long long>(marovin::kBlockTraceBytes));
    bench::remove_work_folder();
    return 0;
}

// The Extract step as the window runs it, through the same library calls:
// the header was read when the file was chosen; the click reads the points
// (the header's divisor, the receiver pair, the ensemble labels) and
// exchanges them with the converter. What the window adds (the grid) is
// timed by the seismic road benchmark.
int step(const char* path)
{
    const auto file = marovin::SeismicFile::open(path);
    if (!file)
        bench::die(file.error());
    const std::filesystem::path folder = bench::work_folder("trace_extraction_bench");
    rusage before{};
    getrusage(RUSAGE_SELF, &before);

    // The time the points are read: until the conversion begins.
    struct Steps final : marovin::Progress {
        void begin(Step step, std::uint64_t) override
        {
            if (step == Step::Converting)
                read = bench::seconds_since(start);
        }
        bench::Clock::time_point start = bench::Clock::now();
        double read = 0;
    } steps;
    marovin::ExchangeConverter exchange = bench::converter_exchange(folder);
    auto road = marovin::run_road({marovin::SeismicSource{&*file}, "UTM32"}, exchange, steps);
    if (!road)
        bench::die(road.error());
    const double elapsed = bench::seconds_since(steps.start);
    const double read = steps.read;
    const marovin::PointTable& table = road->table;
    if (table.empty())
        bench::die(std::string(path) + " holds no traces");
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);

    const auto last = static_cast<std::size_t>(table.size() - 1);
    std::printf("Extract step on %d traces: %.3f s (points read %.3f s, converter exchange %.3f s; last point "
                "%d at %.9f %.9f)\n",
                table.size(), elapsed, read, elapsed - read, table.number()[last], table.longitude()[last],
                table.latitude()[last]);
    std::printf("peak memory: this process %.0f MB (%.0f MB before the step), converter %.0f MB\n",
                self.ru_maxrss / 1024.0, before.ru_maxrss / 1024.0, children.ru_maxrss / 1024.0);
    bench::remove_work_folder();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "make") == 0)
        return bench::make_line(argv[2], std::atol(argv[3]), kSamples) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "extract") == 0)
        return extract(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "lengths") == 0)
        return lengths();
    if (argc == 3 && std::strcmp(argv[1], "step") == 0)
        return step(argv[2]);
    std::fprintf(stderr, "usage: %s make <file> <traces> | extract <file> | lengths | step <file>\n", argv[0]);
    return 2;
}
