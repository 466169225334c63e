// The converter's result file reader on any file.
//
// Input: a byte giving the number of records to read (0 to 63), then the
// file's bytes.
//
// Properties:
//   - read_result_points succeeds exactly when the plain model
//     (reference_fields.h) finds seven lines, then 5 x count fields with
//     numbers in fields 3 and 4, and gives those latitudes and longitudes.
#include "fuzz_support.h"
#include "reference_fields.h"

#include "base/converter_result.h"

#include <cstdint>
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::int32_t count = input.byte() % 64;
    const std::string_view text = input.rest();
    const std::string path = fuzz::scratch_path("File.cva");
    fuzz::write_file(path, text);

    const Expected expected = model_points(text, count);
    const Result<ResultPoints> points = read_result_points(path, count);
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

    return 0;
}
