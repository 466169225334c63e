// The converter's result file reader on any file, and on every file the
// converter's writer makes.
//
// Input: a mode byte. Bit 6 clear: its low six bits give the number of
// records to read (0 to 63), the file's bytes follow. Set: the job's system
// name up to a NUL byte, then points as pairs of 8-byte doubles (longitude,
// latitude; those not finite are left out), of which the writer makes the
// file.
//
// Properties:
//   - read_result_points succeeds exactly when the plain model
//     (reference_fields.h) finds seven lines, then 5 x count fields with
//     numbers in fields 3 and 4, and gives those latitudes and longitudes;
//   - a file the writer makes reads back with every point as result_value
//     gives it, whatever the system's name holds (a WKT definition holds
//     double quotes and commas).
#include "fuzz_support.h"
#include "reference_fields.h"

#include "base/converter_result.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

using namespace marovin;
using marovin::fuzz::Input;
using marovin::fuzz::ModelField;

namespace {

enum class Outcome { Fails, Succeeds, EitherWay };

struct Expected {
    Outcome outcome = Outcome::Fails;
    ResultPoints points;
};

Expected model_points(std::string_view text, std::int32_t count)
{
    Expected e;
    fuzz::ModelReader model(text);
    if (model.skip_lines(7) < 7)
        return e;
    bool doubt = false;
    for (std::int32_t record = 0; record < count; ++record) {
        double latitude = 0, longitude = 0;
        for (int index = 1; index <= 5; ++index) {
            const std::optional<ModelField> field = model.next();
            if (!field)
                return e;
            if (index != 3 && index != 4)
                continue;
            if (field->number_in_doubt)
                doubt = true;
            else if (field->kind != ModelField::Kind::Number)
                return e;
            (index == 3 ? latitude : longitude) = field->number;
        }
        e.points.latitudes.push_back(latitude);
        e.points.longitudes.push_back(longitude);
    }
    e.outcome = doubt ? Outcome::EitherWay : Outcome::Succeeds;
    return e;
}

// Reads `text` as a result of `count` records and holds the reader to the
// model; gives what the reader read.
Result<ResultPoints> check_file(std::string_view text, std::int32_t count)
{
    const std::string path = fuzz::scratch_path("File.cva");
    fuzz::write_file(path, text);

    const Expected expected = model_points(text, count);
    Result<ResultPoints> points = read_result_points(path, count);
    const std::string about = std::to_string(count) + " records of " + fuzz::printable(text) + ": ";
    if (expected.outcome != Outcome::EitherWay)
        FUZZ_CHECK(points.ok() == (expected.outcome == Outcome::Succeeds),
                   about + (points.ok() ? "read" : points.error()));
    if (points.ok()) {
        FUZZ_CHECK(points->latitudes.size() == static_cast<std::size_t>(count) &&
                       points->longitudes.size() == static_cast<std::size_t>(count),
                   about + std::to_string(points->latitudes.size()) + " points");
        if (expected.outcome == Outcome::Succeeds)
            for (std::int32_t i = 0; i < count; ++i)
                FUZZ_CHECK(points->latitudes[i] == expected.points.latitudes[i] &&
                               points->longitudes[i] == expected.points.longitudes[i],
                           about + "point " + std::to_string(i + 1) + " differs from the model");
    }
    return points;
}

void check_written_file(Input& input)
{
    Job job;
    job.source_system = input.text();
    job.target_system = "WGS84";
    for (std::string_view rest = input.rest(); rest.size() >= 16; rest.remove_prefix(16)) {
        double longitude = 0, latitude = 0;
        std::memcpy(&longitude, rest.data(), 8);
        std::memcpy(&latitude, rest.data() + 8, 8);
        if (std::isfinite(longitude) && std::isfinite(latitude)) {
            job.x.push_back(longitude);
            job.y.push_back(latitude);
        }
    }
    std::string text = result_header("File.cvd", job, {});
    const std::string system = quoted_system(job.source_system);
    for (std::size_t i = 0; i < job.x.size(); ++i)
        append_record(text, job, i, system);

    const Result<ResultPoints> points = check_file(text, static_cast<std::int32_t>(job.x.size()));
    const std::string about =
        "a result of " + std::to_string(job.x.size()) + " points from " + fuzz::printable(job.source_system) + ": ";
    FUZZ_CHECK(points.ok(), about + points.error());
    for (std::size_t i = 0; i < job.x.size(); ++i)
        FUZZ_CHECK(points->longitudes[i] == result_value(job.x[i]) && points->latitudes[i] == result_value(job.y[i]),
                   about + "point " + std::to_string(i + 1) + " reads otherwise than written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::uint8_t mode = input.byte();
    if (mode & 64)
        check_written_file(input);
    else
        static_cast<void>(check_file(input.rest(), mode % 64));
    return 0;
}
