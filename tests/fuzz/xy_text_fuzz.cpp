// The XY text normaliser and point reader on any file.
//
// Input: a byte picking the layout ("Number,X,Y,Z", "Number,X,Y", "X,Y,Z",
// "X,Y", "SPS"), then the file's bytes.
//
// Properties:
//   - normalising never fails and gives lines ended by CR LF, none empty,
//     with no blank, tab or ";" outside a quoted field; normalising that
//     again changes nothing (for files without quotes, whose quoted fields
//     are the normaliser's own: a field of a "," or ";" line with blanks
//     inside);
//   - every line of the file is either a line of the result or left out as
//     blank: the result's line count plus the lines left out is the file's
//     line count, and file_line() maps the result's lines, in order, onto the
//     lines not left out;
//   - a line without quotes keeps its characters: only blanks, tabs and
//     separators are dropped or become "," (a decimal "," a "."), and
//     quotes are added;
//   - the reader's point count is the normaliser's line count; it fails
//     exactly when a plain model finds a line with another number of fields
//     than the layout or an X or Y that is not a number (lines without
//     quotes), naming that line of the file;
//   - the text road's form of the file (xy_file_text) is, for a list, the
//     normalised text less a first line of text only, which is left out and
//     kept as the header; for an SPS file, its lines other than blank, H and
//     X lines, tabs expanded; either way every line of the file is a line of
//     the text or left out, in order;
//   - reading that form with any layout gives one point per line, and names
//     for none or for every point;
//   - a file read from disk reads like its bytes, unless it holds a NUL.
#include "fuzz_support.h"
#include "reference_fields.h"

#include "readers/xy_text.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using namespace marovin;
using marovin::fuzz::Input;

namespace {

std::vector<std::string_view> lines_of(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool blank_line(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// The characters of a line that carry content, for a line without quotes.
std::string content_of(std::string_view line, std::string_view dropped)
{
    std::string kept;
    for (const char c : line)
        if (dropped.find(c) == std::string_view::npos)
            kept += c;
    return kept;
}

void check_shape(const XyText& xy, std::string_view file, const std::string& about)
{
    const std::string& text = xy.text;
    FUZZ_CHECK(text.empty() || text.ends_with("\r\n"), about + "the last line lacks CR LF");
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            FUZZ_CHECK(c == '\r' && i + 1 < text.size() && text[i + 1] == '\n' && i > 0 && text[i - 1] != '\n',
                       about + "a line end other than CR LF, or an empty line, at byte " + std::to_string(i));
            ++i;
            continue;
        }
        // A field that starts with a quote is kept whole up to the next one.
        const bool field_start = i == 0 || text[i - 1] == ',' || text[i - 1] == '\n';
        if (field_start && c == '"') {
            const std::size_t close = text.find_first_of("\"\r", i + 1);
            i = close != std::string::npos && text[close] == '"' ? close : close - 1;
            continue;
        }
        FUZZ_CHECK(c != ' ' && c != '\t' && c != ';',
                   about + "a blank, tab or \";\" outside quotes: " + fuzz::printable(text));
    }

    std::string_view body = file;
    if (body.starts_with("\xEF\xBB\xBF"))
        body.remove_prefix(3);
    const std::vector<std::string_view> file_lines = lines_of(body);
    const std::vector<std::string_view> out_lines = lines_of(text);
    FUZZ_CHECK(static_cast<std::int64_t>(out_lines.size()) == count_lines(text), about + "count_lines");
    FUZZ_CHECK(out_lines.size() + xy.left_out.size() == file_lines.size(),
               about + std::to_string(out_lines.size()) + " lines and " + std::to_string(xy.left_out.size()) +
                   " left out of " + std::to_string(file_lines.size()));
    for (std::size_t k = 0; k < xy.left_out.size(); ++k) {
        const std::int64_t line = xy.left_out[k];
        FUZZ_CHECK(line >= 1 && line <= static_cast<std::int64_t>(file_lines.size()) &&
                       (k == 0 || line > xy.left_out[k - 1]) &&
                       blank_line(file_lines[static_cast<std::size_t>(line - 1)]),
                   about + "line " + std::to_string(line) + " left out");
    }
    std::int64_t previous = 0;
    for (std::size_t k = 0; k < out_lines.size(); ++k) {
        const std::int64_t from = xy.file_line(static_cast<std::int64_t>(k + 1));
        FUZZ_CHECK(from > previous && from <= static_cast<std::int64_t>(file_lines.size()),
                   about + "line " + std::to_string(k + 1) + " maps to line " + std::to_string(from));
        previous = from;
        const std::string_view original = file_lines[static_cast<std::size_t>(from - 1)];
        FUZZ_CHECK(!blank_line(original), about + "a blank line was kept");
        if (original.find('"') == std::string_view::npos)
            FUZZ_CHECK(content_of(original, " \t;,.") == content_of(out_lines[k], " ,.\""),
                       about + "line " + std::to_string(from) + " " + fuzz::printable(original) + " became " +
                           fuzz::printable(out_lines[k]));
    }
}

// The model of reading: fields split at ",", for a text without quotes.
struct Expected {
    bool ok = true;
    bool in_doubt = false;
    std::int64_t line = 0; // the normalised line at fault
};

Expected model_points(const std::vector<std::string_view>& lines, XyLayout layout)
{
    Expected e;
    const int wanted = layout_fields(layout);
    const bool has_number = layout == XyLayout::NumberXYZ || layout == XyLayout::NumberXY;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::vector<std::string> fields(1);
        for (const char c : lines[k]) {
            if (c == ',')
                fields.emplace_back();
            else
                fields.back() += c;
        }
        const auto fail_here = [&] {
            e.ok = false;
            e.line = static_cast<std::int64_t>(k + 1);
            return e;
        };
        if (static_cast<int>(fields.size()) != wanted)
            return fail_here();
        std::size_t next = 0;
        double value = 0;
        bool doubt = false;
        if (has_number && fuzz::model_number(fields[next++], value, doubt)) {
            if (doubt)
                e.in_doubt = true;
            else if (std::nearbyint(value) < std::numeric_limits<std::int32_t>::min() ||
                     std::nearbyint(value) > std::numeric_limits<std::int32_t>::max())
                return fail_here();
        }
        for (int c = 0; c < 2; ++c) {
            doubt = false;
            if (!fuzz::model_number(fields[next++], value, doubt))
                return fail_here();
            if (doubt)
                e.in_doubt = true;
        }
        if (e.in_doubt)
            return e;
    }
    return e;
}

void check_file_text(const XyText& road, const XyText& normalised, std::string_view file, const std::string& about)
{
    std::string_view body = file;
    if (body.starts_with("\xEF\xBB\xBF"))
        body.remove_prefix(3);
    const std::vector<std::string_view> file_lines = lines_of(body);
    const std::vector<std::string_view> out_lines = lines_of(road.text);
    FUZZ_CHECK(road.text.empty() || road.text.ends_with("\r\n"), about + "the road's text lacks a final CR LF");
    FUZZ_CHECK(out_lines.size() + road.left_out.size() == file_lines.size(),
               about + "the road's text does not account for every line");
    if (road.sps) {
        for (std::size_t k = 0; k < out_lines.size(); ++k) {
            const auto from = static_cast<std::size_t>(road.file_line(static_cast<std::int64_t>(k) + 1) - 1);
            const std::string_view original = file_lines[from];
            const std::string_view line = out_lines[k];
            FUZZ_CHECK(!blank_line(original) && original[0] != 'H' && original[0] != 'X' &&
                           line[0] == (original[0] == '\t' ? ' ' : original[0]) &&
                           line.find('\t') == std::string_view::npos && line.size() >= original.size(),
                       about + "SPS line " + std::to_string(k + 1) + " " + fuzz::printable(line));
        }
        return;
    }
    FUZZ_CHECK(!road.header || normalised.text.ends_with(road.text), about + "the header is not the first line");
    const bool same = road.text == normalised.text && road.left_out == normalised.left_out;
    const bool less_header =
        road.text.size() < normalised.text.size() && road.left_out.size() == normalised.left_out.size() + 1;
    FUZZ_CHECK(road.header ? less_header : same, about + "the road's text is not the normalised text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr XyLayout kLayouts[] = {XyLayout::NumberXYZ, XyLayout::NumberXY, XyLayout::XYZ, XyLayout::XY,
                                            XyLayout::SPS};
    Input input(data, size);
    const XyLayout layout = kLayouts[input.byte() % 5];
    const std::string_view file = input.rest();
    const std::string about = fuzz::printable(file) + ": ";

    const XyText xy = normalized_xy_text(file);
    check_shape(xy, file, about);
    // Files with quoted fields are left out: a ";" inside one makes its line
    // a ";" line whose "," between digits are decimal points, in the file and
    // in the normalised text alike, where the "," now separate fields. So is
    // a byte-order mark that blanks kept from the start of the file: it
    // starts the normalised text, where it is dropped.
    if (file.find('"') == std::string_view::npos && !xy.text.starts_with("\xEF\xBB\xBF")) {
        const XyText again = normalized_xy_text(xy.text);
        FUZZ_CHECK(again.text == xy.text && again.left_out.empty(),
                   about + "normalising again gives " + fuzz::printable(again.text));
    }

    const std::vector<std::string_view> lines = lines_of(xy.text);
    const auto check_points = [&](const Result<XyPoints>& read, const std::string& text) {
        if (!read.ok())
            return;
        const auto n = static_cast<std::size_t>(read->count);
        FUZZ_CHECK(read->count == count_lines(text) && read->x.size() == n && read->y.size() == n &&
                       read->number.size() == n && (read->name.empty() || read->name.size() == n),
                   about + std::to_string(read->count) + " points for " + std::to_string(count_lines(text)) + " lines");
    };
    const Result<XyPoints> points = read_xy_points(xy, layout);
    check_points(points, xy.text);
    const XyText road = xy_file_text(file);
    check_file_text(road, xy, file, about);
    check_points(read_xy_points(road, layout), road.text);

    if (layout != XyLayout::SPS && xy.text.find('"') == std::string::npos) {
        const Expected expected = model_points(lines, layout);
        if (!expected.in_doubt) {
            FUZZ_CHECK(points.ok() == expected.ok, about + "layout " + std::string(layout_name(layout)) + ": " +
                                                       (points.ok() ? "read" : points.error()));
            if (!expected.ok) {
                const std::string line = "line " + std::to_string(xy.file_line(expected.line));
                const std::string& message = points.error();
                const std::size_t at = message.find(line);
                FUZZ_CHECK(at != std::string::npos &&
                               (at + line.size() == message.size() ||
                                !std::isdigit(static_cast<unsigned char>(message[at + line.size()]))),
                           about + message + "; expected it to name " + line);
            }
        }
    }

    const std::string path = fuzz::scratch_path("points.xyz");
    fuzz::write_file(path, file);
    const Result<XyText> loaded = load_xy_file(path);
    const bool has_nul = file.find('\0') != std::string_view::npos;
    FUZZ_CHECK(loaded.ok() != has_nul, about + (loaded.ok() ? "a file with NUL was read" : loaded.error()));
    if (loaded.ok())
        FUZZ_CHECK(loaded->text == road.text && loaded->left_out == road.left_out, about + "the file reads otherwise");
    return 0;
}
