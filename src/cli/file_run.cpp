#include "cli/file_run.h"

#include "base/atomic_file.h"
#include "base/file_names.h"
#include "base/number_text.h"
#include "conversion/point_table.h"
#include "conversion/road.h"
#include "kml/kml_writer.h"
#include "kml/kmz_writer.h"
#include "readers/xy_text.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace marovin::cli {

namespace {

bool is_folder(const std::string& path)
{
    struct stat entry {};
    return ::stat(path.c_str(), &entry) == 0 && S_ISDIR(entry.st_mode);
}

// Whether two paths name the same file: the same inode when the output
// exists, else the same place once made absolute and normal.
bool same_file(const std::string& a, const std::string& b)
{
    struct stat first {
    }, second{};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    std::error_code ignored;
    return fs::weakly_canonical(fs::absolute(a), ignored) == fs::weakly_canonical(fs::absolute(b), ignored);
}

Result<std::string> default_name(const Options& options, const std::string& input)
{
    Result<std::string> kml = options.layout ? text_kml_name(input) : seismic_kml_name(input);
    if (!kml || !(options.csv || options.kmz))
        return kml;
    return options.csv ? csv_name(*kml) : kmz_name(*kml);
}

template <class Integer>
void append_integer(std::string& out, Integer value)
{
    char text[24];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    out.append(text, error == std::errc() ? end : text);
}

// Bytes go to the output in blocks, never the whole table at once.
class Sink {
public:
    static Result<Sink> open(const std::string& output)
    {
        if (output == "-")
            return Sink(std::nullopt);
        Result<AtomicFile> file = AtomicFile::create(output);
        if (!file)
            return fail(file.error());
        return Sink(std::move(file).value());
    }
    Status write(std::string_view bytes)
    {
        if (file_)
            return file_->write(bytes);
        std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return std::cout ? ok() : fail("cannot write to standard output");
    }
    Status finish()
    {
        if (file_)
            return file_->commit();
        std::cout.flush();
        return std::cout ? ok() : fail("cannot write to standard output");
    }

private:
    explicit Sink(std::optional<AtomicFile> file) : file_(std::move(file)) {}
    std::optional<AtomicFile> file_;
};

// A text as one CSV field (RFC 4180): in double quotes, with its own quotes
// doubled, when it holds a comma, a quote or a line end; else as it is.
void append_csv_text(std::string& out, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// CSV: UTF-8, LF line ends, numbers in the shortest form that reads back
// to the same double; last the point's name where the file gives it as
// text (a text ID, an SPS line and point), else nothing. The points as read
// give the trace or line, X and Y; once converted, the table holds their
// numbers, names and degrees.
Status write_csv(const std::string& output, const RoadResult& road)
{
    Result<Sink> sink = Sink::open(output);
    if (!sink)
        return fail(sink.error());
    const RoadPoints& points = road.points;
    const PointTable* degrees = road.system_used.empty() ? nullptr : &road.table;
    std::string block = degrees ? "trace,number,x,y,longitude,latitude,name\n" : "trace,number,x,y,name\n";
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    block.reserve(kBlock + 256);
    for (std::size_t i = 0; i < points.size(); ++i) {
        append_integer(block, points.origin(i));
        block += ',';
        append_integer(block, degrees ? degrees->number()[i] : points.number[i]);
        block += ',';
        append_shortest(block, points.x[i]);
        block += ',';
        append_shortest(block, points.y[i]);
        if (degrees) {
            block += ',';
            append_shortest(block, degrees->longitude()[i]);
            block += ',';
            append_shortest(block, degrees->latitude()[i]);
        }
        block += ',';
        if (degrees)
            append_csv_text(block, degrees->name(i));
        else if (!points.name.empty())
            append_csv_text(block, points.name[i]);
        block += '\n';
        if (block.size() >= kBlock) {
            if (Status written = sink->write(block); !written)
                return written;
            block.clear();
        }
    }
    if (Status written = sink->write(block); !written)
        return written;
    return sink->finish();
}

Status write_kml(const std::string& output, const PointTable& table, const KmlLabels& labels)
{
    if (output != "-")
        return write_kml_file(output, table, labels);
    std::ios::sync_with_stdio(false);
    if (Status written = write_kml_document(std::cout, table, labels); !written)
        return written;
    std::cout.flush();
    return std::cout ? ok() : fail("cannot write to standard output");
}

std::string shown_output(const std::string& output) { return output == "-" ? "standard output" : output; }

} // namespace

Result<std::vector<Target>> plan_outputs(const Options& options)
{
    const bool many = options.files.size() > 1;
    // A final "/" names a folder, for one input too.
    const bool into_folder = options.output && options.output != "-" &&
                             (many || options.output->ends_with('/') || is_folder(*options.output));
    if (into_folder && !is_folder(*options.output)) {
        const std::string why = many ? std::to_string(options.files.size()) + " inputs need one" : "it ends in /";
        std::string named = *options.output;
        while (named.size() > 1 && named.back() == '/')
            named.pop_back();
        std::error_code ignored;
        if (fs::exists(named, ignored))
            return fail("-o " + *options.output + " is not a folder, and " + why);
        if (::mkdir(options.output->c_str(), 0777) != 0)
            return fail("-o " + *options.output + ": cannot make the folder: " + std::strerror(errno));
    }

    std::vector<Target> targets;
    for (const std::string& input : options.files) {
        Target target{input, {}, {}};
        if (options.output && !into_folder) {
            target.output = *options.output;
        } else if (Result<std::string> name = default_name(options, input); !name) {
            target.refusal = name.error();
        } else if (into_folder) {
            target.output = (fs::path(*options.output) / fs::path(*name).filename()).string();
        } else {
            target.output = *name;
        }
        if (target.refusal.empty() && target.output != "-") {
            for (const std::string& other : options.files)
                if (same_file(target.output, other))
                    target.refusal = "the output " + target.output + " is an input file; it is not overwritten";
            for (const Target& earlier : targets)
                if (target.refusal.empty() && earlier.refusal.empty() && same_file(target.output, earlier.output))
                    target.refusal = "the output " + target.output + " is already that of " + earlier.input;
        }
        targets.push_back(std::move(target));
    }
    return targets;
}

FileOutcome run_file(const Options& options, const Target& target, std::atomic<std::int64_t>& points_read)
{
    const auto failed = [&](const std::string& why) { return FileOutcome{false, target.input + ": " + why}; };
    if (!target.refusal.empty())
        return failed(target.refusal);

    // The request: the file on its road, the selections, the systems. What
    // a file names of its system is taken as the window takes it, unless -s
    // says otherwise.
    RoadRequest request;
    std::optional<SeismicFile> file;
    if (options.layout) {
        Result<XyText> text = load_xy_file(target.input);
        if (!text)
            return failed(text.error());
        request.source = TextSource{std::move(text).value(), *options.layout, options.divisor.value_or(1)};
    } else {
        Result<SeismicFile> opened = SeismicFile::open(target.input);
        if (!opened)
            return failed(opened.error());
        file.emplace(std::move(opened).value());
        request.source = SeismicSource{&*file, options.label, options.pair, options.divisor};
    }
    request.system = options.system;
    request.system_given = options.system_given;
    // The KMZ measures its lines and outline on the ground; the CSV writes
    // the points beside their degrees. The KML needs only the degrees: the
    // points are converted where they lie.
    const bool kmz = options.kmz || (!options.csv && is_kmz_name(target.output));
    request.keep_ground = kmz;
    request.keep_points = options.csv;
    InProcessConverter converter;
    Result<RoadResult, RoadError> road = run_road(std::move(request), converter);
    if (!road)
        return failed(road.error());
    const RoadResult& result = *road;
    points_read += result.point_count();

    const bool converted = !result.system_used.empty();
    const std::int64_t count = result.point_count();
    const std::string unit = options.layout ? (count == 1 ? " point" : " points") : (count == 1 ? " trace" : " traces");
    std::string done = std::to_string(count) + unit + " written to " + shown_output(target.output);
    if (result.system_from_file)
        done += " (converted from " + result.named.told + ")";
    else if (converted && !result.named.told.empty())
        done += " (" + result.named.told + "; converted from " + result.system_used + ")";
    if (converted && !result.grid_units.empty())
        done += " (its grid units are " + result.grid_units + ": converted as they stand)";
    if (!result.unset_text.empty())
        done += "; " + result.unset_text;

    if (options.csv) {
        if (Status written = write_csv(target.output, result); !written)
            return failed(written.error());
    } else if (kmz) {
        Result<KmzWritten> written = write_kmz_file(target.output, result.table, options.labels);
        if (!written)
            return failed(written.error());
        done += " (" + std::to_string(written->tiles) + " tiles, " + std::to_string(written->lines) +
                (written->lines == 1 ? " line)" : " lines)");
    } else if (Status written = write_kml(target.output, result.table, options.labels); !written) {
        return failed(written.error());
    }
    return {true, target.input + ": " + done};
}

} // namespace marovin::cli
