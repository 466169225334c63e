// The converter's result file reader on any file.
//
// Input: a byte giving the number of records to read (0 to 63), then the
// file's bytes.
//
// Properties:
//   - read_result_points succeeds exactly when the plain model
//     (reference_fields.h) finds seven lines, then 5 x count fields with
//     numbers in fields 3 and 4, and gives those latitudes and longitudes;
//   - read_result_file into a table of count + 1 rows stores them in columns
//     1 and 2 and touches nothing else; when it fails, and always for a table
//     one row short, the table is left exactly as it was.
#include "fuzz_support.h"
#include "reference_fields.h"

#include "base/converter_result.h"
#include "conversion/point_table.h"

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

// A table whose every cell holds a value of its own, to see what changed.
PointTable sentinel_table(std::int32_t points)
{
    PointTable table;
    table.recreate(points);
    for (std::int32_t row = 0; row < table.rows(); ++row)
        for (int column = 0; column < PointTable::kColumns; ++column)
            FUZZ_CHECK(table.set(row, column, Cell::real(-1000.0 * row - column)).ok(), std::string("set"));
    return table;
}

bool same_table(const PointTable& a, const PointTable& b)
{
    if (a.rows() != b.rows())
        return false;
    for (std::int32_t row = 0; row < a.rows(); ++row)
        for (int column = 0; column < PointTable::kColumns; ++column)
            if (!(*a.get(row, column) == *b.get(row, column)))
                return false;
    return true;
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

    const PointTable before = sentinel_table(count);
    PointTable table = before;
    const Status stored = read_result_file(path, count, table);
    FUZZ_CHECK(stored.ok() == points.ok(), about + "the table reading disagrees: " +
                                               (stored.ok() ? std::string("read") : stored.error()));
    if (!stored.ok()) {
        FUZZ_CHECK(same_table(table, before), about + "a failed reading changed the table");
    } else {
        PointTable expected_table = before;
        for (std::int32_t row = 1; row <= count; ++row) {
            expected_table.set_real(row, 1, points->longitudes[static_cast<std::size_t>(row - 1)]);
            expected_table.set_real(row, 2, points->latitudes[static_cast<std::size_t>(row - 1)]);
        }
        FUZZ_CHECK(same_table(table, expected_table), about + "the table holds other values than the points");
    }

    if (count > 0) {
        const PointTable short_before = sentinel_table(count - 1);
        PointTable short_table = short_before;
        FUZZ_CHECK(!read_result_file(path, count, short_table).ok(), about + "a table one row short was filled");
        FUZZ_CHECK(same_table(short_table, short_before), about + "a refused reading changed the table");
    }
    return 0;
}
