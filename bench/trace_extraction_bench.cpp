// Figures for the seismic road's extraction run; driven by
// trace_extraction_bench.sh, which also times segyio on the same file.
//
//   trace_extraction_bench make <file.sgy> <traces>
//       writes a SEG-Y line of <traces> traces of 250 samples, receiver
//       coordinates in UTM zone 32 (centimetres, scalar -100)
//   trace_extraction_bench extract <file.sgy>
//       times reading the label, X and Y words of every trace (mapped and
//       positioned reads) beside the page-touch limit of a mapped read, and
//       writing the converter job
//   trace_extraction_bench command8 <file.sgy> <convers>
//       times the whole Command8_Click (extraction, job, converter, result,
//       table and grid) in an offscreen window, and prints the peak memory

#include "bench_desktop.h"
#include "seismic_line.h"

#include "base/converter_job.h"
#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"
#include "shell/flex_grid.h"
#include "shell/kml_main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSamples = 250;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int extract(const char* path)
{
    auto header = marovin::read_seismic_header(path);
    if (!header) {
        std::fprintf(stderr, "%s\n", header.error().c_str());
        return 1;
    }
    auto file = marovin::SeismicFile::open(path);
    if (!file) {
        std::fprintf(stderr, "%s\n", file.error().c_str());
        return 1;
    }
    marovin::TraceSelection selection;
    selection.divisor = 100;
    const int runs = 5;
    std::vector<double> limit;
    for (int run = 0; run < runs; ++run)
        limit.push_back(bench::page_touch_limit(file->descriptor(), header->Header_Offset,
                                         marovin::trace_length(*header), header->Nb_Traces));
    const double touch = median(limit);
    std::printf("page-touch limit %d traces: %.3f s (median of %d)\n", header->Nb_Traces, touch, runs);
    for (const auto method : {marovin::ReadMethod::Positioned, marovin::ReadMethod::Mapped}) {
        std::vector<double> reads, writes;
        std::size_t traces = 0;
        for (int run = 0; run < runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            auto points = marovin::extract_trace_points(*file, *header, false, selection, method);
            reads.push_back(seconds_since(start));
            if (!points) {
                std::fprintf(stderr, "%s\n", points.error().c_str());
                return 1;
            }
            traces = points->size();
            const std::string job = std::string(path) + ".cvd";
            const auto write_start = std::chrono::steady_clock::now();
            auto writer = marovin::JobWriter::create(job, marovin::trace_header_job_header("UTM32"), '.');
            for (std::size_t i = 0; writer && i < points->size(); ++i)
                if (!writer->add_point(points->x[i], points->y[i]))
                    return 1;
            if (auto written = writer ? writer->close() : marovin::fail(writer.error()); !written) {
                std::fprintf(stderr, "%s\n", written.error().c_str());
                return 1;
            }
            writes.push_back(seconds_since(write_start));
            std::remove(job.c_str());
        }
        const double read = median(reads), write = median(writes);
        std::printf("%-10s %zu traces: words read %.3f s (%.2fx the page-touch limit), job written %.3f s, "
                    "together %.3f s (medians of %d)\n",
                    method == marovin::ReadMethod::Mapped ? "mapped" : "positioned", traces, read, read / touch,
                    write, read + write, runs);
    }
    return 0;
}

int command8(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const QString programDir = folder.filePath(QStringLiteral("program"));
    QDir().mkpath(programDir);
    if (!QFile::copy(QString::fromLocal8Bit(argv[3]), programDir + QStringLiteral("/convers"))) {
        std::fprintf(stderr, "cannot copy the converter %s\n", argv[3]);
        return 1;
    }
    bench::BenchDesktop desktop;
    KML_Main window(desktop, programDir,
                    {folder.filePath(QStringLiteral("Tervalo.ini")), folder.filePath(QStringLiteral("jobs")),
                     folder.filePath(QStringLiteral("samples"))});
    window.Text4->setText(QString::fromLocal8Bit(argv[2]));
    if (auto read = window.lecture_SU(); !read) {
        std::fprintf(stderr, "%s\n", read.error().c_str());
        return 1;
    }
    desktop.messages.clear();

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    window.Command8_Click();
    const double elapsed = seconds_since(start);
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);

    if (desktop.messages != QStringList{QStringLiteral("Conversion done !")}) {
        std::fprintf(stderr, "run failed: %s\n", desktop.messages.join(QStringLiteral(" / ")).toLocal8Bit().constData());
        return 1;
    }
    std::printf("Command8_Click on %d traces: %.3f s (grid %d rows, last row %s %s %s)\n", window.Nb_Points(), elapsed,
                window.VSFlexGrid1->rows(), window.VSFlexGrid1->textMatrix(window.Nb_Points(), 0).c_str(),
                window.VSFlexGrid1->textMatrix(window.Nb_Points(), 1).c_str(),
                window.VSFlexGrid1->textMatrix(window.Nb_Points(), 2).c_str());
    std::printf("peak memory: window process %.0f MB (%.0f MB before the run), converter %.0f MB\n",
                self.ru_maxrss / 1024.0, before.ru_maxrss / 1024.0, children.ru_maxrss / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "make") == 0)
        return bench::make_line(argv[2], std::atol(argv[3]), kSamples) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "extract") == 0)
        return extract(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "command8") == 0)
        return command8(argc, argv);
    std::fprintf(stderr, "usage: %s make <file> <traces> | extract <file> | command8 <file> <convers>\n", argv[0]);
    return 2;
}
