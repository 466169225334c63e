// Figures for the seismic road's extraction; driven by
// trace_extraction_bench.sh, which also times segyio on the same file.
//
//   trace_extraction_bench make <file.sgy> <traces>
//       writes a SEG-Y line of <traces> traces of 250 samples, receiver
//       coordinates in UTM zone 32 (centimetres, scalar -100)
//   trace_extraction_bench extract <file.sgy>
//       times reading the label, X and Y words of every trace (mapped and
//       positioned reads) beside the page-touch limit of a mapped read, and
//       writing the converter job
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
    std::vector<double> limit;
    for (int run = 0; run < runs; ++run)
        limit.push_back(bench::page_touch_limit(file->descriptor(), layout.first, layout.trace_bytes(), layout.count));
    const double touch = bench::median(limit);
    std::printf("page-touch limit %d traces: %.3f s (median of %d)\n", file->traces(), touch, runs);
    for (const auto method : {marovin::ReadMethod::Positioned, marovin::ReadMethod::Mapped}) {
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
        std::printf("%-10s %zu traces: words read %.3f s (%.2fx the page-touch limit), job written %.3f s, "
                    "together %.3f s (medians of %d)\n",
                    method == marovin::ReadMethod::Mapped ? "mapped" : "positioned", traces, read, read / touch, write,
                    read + write, runs);
    }
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
    if (argc == 3 && std::strcmp(argv[1], "step") == 0)
        return step(argv[2]);
    std::fprintf(stderr, "usage: %s make <file> <traces> | extract <file> | step <file>\n", argv[0]);
    return 2;
}
