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

#include "conversion/trace_job.h"
#include "readers/seismic_header.h"
#include "readers/trace_extraction.h"
#include "shell/desktop.h"
#include "shell/qt_desktop.h"
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

void put(unsigned char* at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * (size - 1 - i)));
}

int make(const char* path, long traces)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<unsigned char> header(3600, 0);
    put(&header[3220], kSamples, 2); // samples per trace in the binary header
    put(&header[3224], 5, 2);        // IEEE floats
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    // Traces in blocks of 1000 to write fast.
    const std::size_t trace_bytes = 240 + 4 * kSamples;
    std::vector<unsigned char> block(trace_bytes * 1000, 0);
    for (long first = 0; first < traces; first += 1000) {
        const long count = std::min<long>(1000, traces - first);
        for (long k = 0; k < count; ++k) {
            unsigned char* t = &block[static_cast<std::size_t>(k) * trace_bytes];
            const long i = first + k;
            put(t + 0, static_cast<std::uint32_t>(i + 1), 4);                          // sequence
            put(t + 8, static_cast<std::uint32_t>(1000 + i / 100), 4);                 // FFID
            put(t + 20, static_cast<std::uint32_t>(5000 + i), 4);                      // CDP
            put(t + 70, static_cast<std::uint16_t>(-100), 2);                          // scalar
            put(t + 80, static_cast<std::uint32_t>(40000000 + (i % 20000) * 1000), 4); // X cm
            put(t + 84, static_cast<std::uint32_t>(500000000 + (i / 20000) * 1000), 4); // Y cm
            put(t + 114, kSamples, 2);
            put(t + 116, 4000, 2);
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(count * trace_bytes));
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}

// The least any memory-mapped read of these words can cost: the same 32 MB
// windows mapped and advised as the extraction does, one byte of every
// trace header touched, nothing decoded or stored.
double page_touch_limit(int fd, std::int64_t first, std::int64_t step, std::int64_t count)
{
    constexpr std::int64_t window = std::int64_t{32} << 20;
    const std::int64_t page = ::sysconf(_SC_PAGESIZE);
    const std::int64_t per_window = std::max<std::int64_t>(1, window / step);
    unsigned sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::int64_t i0 = 0; i0 < count; i0 += per_window) {
        const std::int64_t n = std::min(per_window, count - i0);
        const std::int64_t begin = first + i0 * step;
        const std::int64_t map_start = begin - begin % page;
        const auto length = static_cast<std::size_t>(first + (i0 + n - 1) * step + 88 - map_start);
        void* map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(map_start));
        if (map == MAP_FAILED)
            return -1;
        ::madvise(map, length, step <= page ? MADV_SEQUENTIAL : MADV_RANDOM);
        const volatile unsigned char* trace = static_cast<const unsigned char*>(map) + (begin - map_start);
        for (std::int64_t i = 0; i < n; ++i)
            sum += trace[i * step];
        ::munmap(map, length);
    }
    const double elapsed = seconds_since(start);
    if (sum == 1)
        std::printf(" "); // keeps the sum alive
    return elapsed;
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
        limit.push_back(page_touch_limit(file->descriptor(), header->Header_Offset,
                                         marovin::trace_length(header->Nb_Samples32), header->Nb_Traces));
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
            if (auto written = marovin::write_trace_job(job, "UTM32", *points, '.'); !written) {
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

// Answers every message with OK and runs programs for real.
class BenchDesktop : public Desktop {
public:
    Answer message(QWidget*, const QString& text, const QString&, Icon, Buttons) override
    {
        messages << text;
        return Answer::Ok;
    }
    std::optional<QString> openFileName(QWidget*, const FileRequest&) override { return std::nullopt; }
    std::optional<QString> saveFileName(QWidget*, const FileRequest&) override { return std::nullopt; }
    void openDocument(const QString&, const QString&, QObject*, OpenDone) override {}
    ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& folder) override
    {
        return QtDesktop().runProgram(program, arguments, folder);
    }
    void setBusy(QWidget*, bool) override {}
    QStringList messages;
};

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
    BenchDesktop desktop;
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
    std::printf("Command8_Click on %d traces: %.3f s (grid %d rows, last row %s %s %s)\n", window.Nb_Points, elapsed,
                window.VSFlexGrid1->rows(), window.VSFlexGrid1->textMatrix(window.Nb_Points, 0).c_str(),
                window.VSFlexGrid1->textMatrix(window.Nb_Points, 1).c_str(),
                window.VSFlexGrid1->textMatrix(window.Nb_Points, 2).c_str());
    std::printf("peak memory: window process %.0f MB (%.0f MB before the run), converter %.0f MB\n",
                self.ru_maxrss / 1024.0, before.ru_maxrss / 1024.0, children.ru_maxrss / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "make") == 0)
        return make(argv[2], std::atol(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "extract") == 0)
        return extract(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "command8") == 0)
        return command8(argc, argv);
    std::fprintf(stderr, "usage: %s make <file> <traces> | extract <file> | command8 <file> <convers>\n", argv[0]);
    return 2;
}
