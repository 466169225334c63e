#include "kml/kml_writer.h"

#include "base/atomic_file.h"
#include "base/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>

namespace marovin {

namespace {

bool is_skipped_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

} // namespace

double leading_number(std::string_view text)
{
    // Gather the number's characters with the blanks taken out, then let
    // from_chars (locale-free, unlike strtod in a Qt program) read them.
    std::size_t i = 0;
    auto peek = [&]() -> char {
        while (i < text.size() && is_skipped_blank(text[i]))
            ++i;
        return i < text.size() ? text[i] : '\0';
    };

    std::string number;
    bool negative = false;
    if (const char c = peek(); c == '+' || c == '-') {
        negative = c == '-';
        ++i;
    }
    bool has_digits = false;
    while (is_digit(peek())) {
        number += text[i++];
        has_digits = true;
    }
    if (peek() == '.') {
        ++i;
        number += '.';
        while (is_digit(peek())) {
            number += text[i++];
            has_digits = true;
        }
    }
    if (!has_digits)
        return 0.0;

    bool negative_exponent = false;
    if (const char c = peek(); c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        // The exponent counts only when digits follow its optional sign.
        const std::size_t mark = i;
        ++i;
        std::string exponent = "e";
        if (const char s = peek(); s == '+' || s == '-') {
            negative_exponent = s == '-';
            exponent += s;
            ++i;
        }
        bool exponent_digits = false;
        while (is_digit(peek())) {
            exponent += text[i++];
            exponent_digits = true;
        }
        if (exponent_digits)
            number += exponent;
        else
            i = mark;
    }

    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = negative_exponent ? 0.0 : std::numeric_limits<double>::infinity();
    else if (error != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

double label_frequency_reading(std::string_view text)
{
    const double value = leading_number(text);
    if (std::fabs(value - std::trunc(value)) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return std::round(value);
}

Result<int> label_frequency(std::string_view text)
{
    const double reading = label_frequency_reading(text);
    if (!(reading >= kMinLabelFrequency && reading <= kMaxLabelFrequency)) {
        return fail("The label frequency must be a whole number from 1 to 32767 (\"" + std::string(text) +
                    "\" was given).");
    }
    return static_cast<int>(reading);
}

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

// Length of the well-formed UTF-8 sequence of an XML character starting at
// text[i] (2 to 4 bytes, its lead byte 0x80 or above), or 0 when there is
// none: a stray or cut sequence, an overlong form, a surrogate, a code point
// beyond U+10FFFF, or U+FFFE and U+FFFF, which XML does not allow.
std::size_t xml_utf8_length(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    if (lead == 0xEF && byte(i + 1) == 0xBF && (byte(i + 2) == 0xBE || byte(i + 2) == 0xBF))
        return 0;
    return length;
}

} // namespace

std::string xml_escape(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const std::size_t length = xml_utf8_length(text, i);
            if (length == 0) {
                escaped += kReplacementCharacter;
                ++i;
            } else {
                escaped.append(text, i, length);
                i += length;
            }
            continue;
        }
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '\t':
        case '\n':
        case '\r': escaped += c; break;
        default:
            if (byte < 0x20)
                escaped += kReplacementCharacter; // no XML document may hold it, not even as a reference
            else
                escaped += c;
        }
        ++i;
    }
    return escaped;
}

namespace {

// Collects lines in a large buffer and hands it to the stream when full, so
// the stream sees few large writes instead of millions of small ones.
class LineSink {
public:
    explicit LineSink(std::ostream& out) : out_(out), buffer_(std::make_unique<char[]>(kCapacity)) {}

    // Room for `size` more bytes at cursor(); flushes when needed. Texts
    // larger than the buffer go through write().
    char* reserve(std::size_t size)
    {
        if (size_ + size > kCapacity)
            flush();
        return buffer_.get() + size_;
    }
    void advance_to(char* end) { size_ = static_cast<std::size_t>(end - buffer_.get()); }

    void write(std::string_view text)
    {
        if (text.size() > kCapacity / 2) {
            flush();
            out_.write(text.data(), static_cast<std::streamsize>(text.size()));
            return;
        }
        char* p = reserve(text.size());
        std::memcpy(p, text.data(), text.size());
        size_ += text.size();
    }
    void line(std::string_view text)
    {
        write(text);
        write("\r\n");
    }

    void flush()
    {
        if (size_ > 0)
            out_.write(buffer_.get(), static_cast<std::streamsize>(size_));
        size_ = 0;
    }
    bool good() const { return static_cast<bool>(out_); }

private:
    static constexpr std::size_t kCapacity = 256 * 1024;
    std::ostream& out_;
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0;
};

const char* column_name(int column)
{
    switch (column) {
    case 1: return "longitude (column 1)";
    case 2: return "latitude (column 2)";
    default: return "point number (column 3)";
    }
}

Status check_table(const PointTable& table, std::int32_t nb_points, const KmlLabels& labels)
{
    if (labels.frequency < 1)
        return fail("the label frequency must be a whole number from 1 to 32767");
    if (nb_points < 0)
        return fail("the number of points is negative (" + std::to_string(nb_points) + ")");
    if (nb_points > 0 && nb_points > table.rows() - 1) {
        return fail("the point table has no row " + std::to_string(std::max(table.rows(), 1)) + " of the " +
                    std::to_string(nb_points) + " points");
    }
    for (std::int32_t row = 1; row <= nb_points; ++row) {
        for (int column = 1; column <= 3; ++column) {
            const Cell::Kind kind = table.kind(row, column);
            const bool number = kind == Cell::Kind::Int16 || kind == Cell::Kind::Int32 || kind == Cell::Kind::Double;
            if (!number || !std::isfinite(table.number(row, column))) {
                return fail("row " + std::to_string(row) + " of the point table holds no " +
                            column_name(column));
            }
        }
    }
    return ok();
}

} // namespace

Status write_kml_document(std::ostream& out, const PointTable& table, std::int32_t nb_points,
                          const KmlLabels& labels)
{
    if (Status checked = check_table(table, nb_points, labels); !checked)
        return checked;

    LineSink sink(out);
    sink.line(R"(<?xml version="1.0" encoding="UTF-8"?>)");
    sink.write(R"(<kml xmlns=")");
    sink.write(kKmlNamespace);
    sink.line(R"(">)");
    sink.line("<extrude>0</extrude>");
    sink.line("<tessellate>0</tessellate>");
    sink.line("<Document>");
    sink.line("     <IconStyle>");
    sink.line("<Icon>");
    sink.write("<href>");
    sink.write(kKmlIconUrl);
    sink.line("</href>");
    sink.line("<scale>0.2</scale>");
    sink.line("</Icon>");
    sink.line("</IconStyle>");

    // Everything of a labelled block that does not depend on the row.
    const std::string name_open = "<Placemark>\r\n<name>" + xml_escape(labels.prefix);
    const std::string name_close_description =
        "</name>\r\n<description>" + xml_escape(labels.description) + "</description>\r\n<Point>\r\n<coordinates>";
    static constexpr std::string_view kPlainOpen = "<Placemark>\r\n<Point>\r\n<coordinates>";
    static constexpr std::string_view kClose = "</coordinates>\r\n</Point>\r\n</Placemark>\r\n";
    const std::size_t labelled_size = name_open.size() + name_close_description.size();
    const bool labels_fit = labelled_size < 64 * 1024;

    int countdown = labels.frequency; // rows until the next labelled one
    for (std::int32_t row = 1; row <= nb_points; ++row) {
        const bool labelled = --countdown == 0;
        if (labelled)
            countdown = labels.frequency;
        const std::size_t needed = (labelled ? labelled_size : kPlainOpen.size()) + kClose.size() +
                                   3 * kNumberTextMax + 1;
        if (labelled && !labels_fit) {
            // Huge prefix or description: written piece by piece.
            sink.write(name_open);
            char* p = sink.reserve(kNumberTextMax);
            sink.advance_to(write_number_text(p, table.number(row, 3)));
            sink.write(name_close_description);
        } else {
            char* p = sink.reserve(needed);
            if (labelled) {
                std::memcpy(p, name_open.data(), name_open.size());
                p = write_number_text(p + name_open.size(), table.number(row, 3));
                std::memcpy(p, name_close_description.data(), name_close_description.size());
                p += name_close_description.size();
            } else {
                std::memcpy(p, kPlainOpen.data(), kPlainOpen.size());
                p += kPlainOpen.size();
            }
            sink.advance_to(p);
        }
        char* p = sink.reserve(2 * kNumberTextMax + 1 + kClose.size());
        p = write_number_text(p, table.number(row, 1));
        *p++ = ',';
        p = write_number_text(p, table.number(row, 2));
        std::memcpy(p, kClose.data(), kClose.size());
        sink.advance_to(p + kClose.size());
        if ((row & 0xFFFF) == 0 && !sink.good())
            break;
    }

    sink.line("</Document>");
    sink.line("</kml>");
    sink.flush();
    out.flush();
    if (!out)
        return fail("the document could not be written (disk full or no right to write?)");
    return ok();
}

Status write_kml_file(const std::string& path, const PointTable& table, std::int32_t nb_points,
                      const KmlLabels& labels)
{
    if (Status checked = check_table(table, nb_points, labels); !checked)
        return fail("cannot write " + path + ": " + checked.error());
    Result<AtomicFile> file = AtomicFile::create(path);
    if (!file)
        return fail(file.error());
    if (Status written = write_kml_document(file->stream(), table, nb_points, labels); !written)
        return fail("cannot write " + path + ": " + written.error());
    return file->commit();
}

} // namespace marovin
