#include "conversion/result_file.h"

#include "readers/field_reader.h"

namespace marovin {

namespace {

constexpr int kLeadingLines = 7;
constexpr int kFieldsPerRecord = 5;
constexpr int kLatitudeField = 3;
constexpr int kLongitudeField = 4;

std::string at_line(const FieldReader& reader, std::int64_t line)
{
    return "the converter's result " + reader.path() + ", line " + std::to_string(line);
}

Error not_a_number(const FieldReader& reader, std::size_t record, bool latitude, const Field& field)
{
    return fail(at_line(reader, field.line) + ": the " + (latitude ? "latitude" : "longitude") + " of point " +
                std::to_string(record) + " is not a number (\"" + std::string(field.text) + "\")");
}

} // namespace

Result<ResultPoints> read_result_points(const std::string& path, std::int32_t count)
{
    Result<FieldReader> opened = FieldReader::open(path);
    if (!opened)
        return fail("cannot read the converter's result: " + opened.error());
    FieldReader& reader = *opened;

    const std::int64_t skipped = reader.skip_lines(kLeadingLines);
    if (!reader.error().empty())
        return fail(reader.error());
    if (skipped < kLeadingLines)
        return fail("the converter's result " + path + " is too short: it holds " + std::to_string(skipped) +
                    " lines, fewer than the 7 lines that come before the points");

    std::int64_t last_line = kLeadingLines;
    ResultPoints points;
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    points.longitudes.reserve(n);
    points.latitudes.reserve(n);
    Field fields[kFieldsPerRecord];
    for (std::size_t record = 1; record <= n; ++record) {
        // A record on a line of its own is read whole, any other one field
        // by field.
        if (reader.next_line(fields, kFieldsPerRecord)) {
            last_line = fields[0].line;
            for (const int index : {kLatitudeField, kLongitudeField}) {
                if (!fields[index - 1].is_number())
                    return not_a_number(reader, record, index == kLatitudeField, fields[index - 1]);
            }
        } else {
            for (int index = 1; index <= kFieldsPerRecord; ++index) {
                std::optional<Field> field = reader.next();
                if (!field) {
                    if (!reader.error().empty())
                        return fail(reader.error());
                    return fail("the converter's result " + path + " ends after line " + std::to_string(last_line) +
                                ", before point " + std::to_string(record) + " of " + std::to_string(n) +
                                " is complete");
                }
                last_line = field->line;
                if ((index == kLatitudeField || index == kLongitudeField) && !field->is_number())
                    return not_a_number(reader, record, index == kLatitudeField, *field);
                fields[index - 1].number = field->number;
            }
        }
        points.latitudes.push_back(fields[kLatitudeField - 1].number);
        points.longitudes.push_back(fields[kLongitudeField - 1].number);
    }
    return points;
}

Status read_result_file(const std::string& path, std::int32_t count, PointTable& table)
{
    if (count > 0 && table.rows() <= count)
        return fail("the point table has room for " + std::to_string(table.rows() > 0 ? table.rows() - 1 : 0) +
                    " points, not " + std::to_string(count));
    Result<ResultPoints> points = read_result_points(path, count);
    if (!points)
        return fail(points.error());
    table.replace_coordinates(std::move(points->longitudes), std::move(points->latitudes));
    return ok();
}

} // namespace marovin
