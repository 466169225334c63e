#include "kml/kml_writer.h"

#include "base/atomic_file.h"
#include "base/number_text.h"
#include "base/plain_text.h"
#include "kml/placemark_blocks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>

namespace marovin {

namespace {

// The label frequency combo's reading skips line feeds too.
bool is_skipped_blank(char c) { return is_blank(c) || c == '\n'; }

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
        return fail("the label frequency must be a whole number from 1 to 32767 (" + in_quotes(text) + " was given)");
    }
    return static_cast<int>(reading);
}

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// The length of the UTF-8 sequence at text[at] when it is well formed (2 to
// 4 bytes: no overlong forms, no surrogates, nothing above U+10FFFF), or
// minus the length of its maximal invalid start: the bytes that could begin a
// sequence but do not finish one, at least 1.
int utf8_sequence(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int continuations = 0;
    unsigned char low = 0x80, high = 0xBF; // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        if (lead == 0xE0)
            low = 0xA0; // shorter forms exist
        else if (lead == 0xED)
            high = 0x9F; // U+D800..U+DFFF are surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return -1;
    }
    for (int k = 1; k <= continuations; ++k) {
        if (at + k >= text.size())
            return -k;
        const unsigned char c = byte(at + k);
        const bool fits = k == 1 ? c >= low && c <= high : c >= 0x80 && c <= 0xBF;
        if (!fits)
            return -k;
    }
    return continuations + 1;
}

} // namespace

std::string xml_text(std::string_view text)
{
    std::string written;
    written.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (static_cast<unsigned char>(c) < 0x80) {
            switch (c) {
            case '&': written += "&amp;"; break;
            case '<': written += "&lt;"; break;
            case '>': written += "&gt;"; break;
            case '\t':
            case '\n':
            case '\r': written += c; break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20)
                    written += c;
            }
            ++at;
            continue;
        }
        const int length = utf8_sequence(text, at);
        if (length < 0) {
            written += kReplacement;
            at += static_cast<std::size_t>(-length);
            continue;
        }
        const std::string_view sequence = text.substr(at, static_cast<std::size_t>(length));
        const bool non_character = sequence == "\xEF\xBF\xBE" || sequence == "\xEF\xBF\xBF"; // U+FFFE, U+FFFF
        written += non_character ? kReplacement : sequence;
        at += static_cast<std::size_t>(length);
    }
    return written;
}

namespace kml_detail {

Status check_table(const PointTable& table, const KmlLabels& labels)
{
    if (labels.frequency < 1)
        return fail("the label frequency must be a whole number from 1 to 32767");
    const auto no = [](std::size_t i, const char* what) {
        return fail("row " + std::to_string(i + 1) + " of the point table holds no " + what);
    };
    for (std::size_t i = 0; i < table.longitude().size(); ++i) {
        if (!std::isfinite(table.longitude()[i]))
            return no(i, "longitude");
        if (!std::isfinite(table.latitude()[i]))
            return no(i, "latitude");
    }
    return ok();
}

} // namespace kml_detail

namespace {

using kml_detail::check_table;

// The document of a table that check_table() accepted.
Status write_checked_document(std::ostream& out, const PointTable& table, const KmlLabels& labels, Progress& progress)
{
    const std::size_t n = table.longitude().size();
    progress.begin(Progress::Step::WritingKml, n);
    kml_detail::LineSink sink(out);
    kml_detail::write_document_head(sink);
    kml_detail::write_icon_style(sink, kKmlIconUrl);

    const kml_detail::PlacemarkBlocks blocks(table, labels);
    int countdown = labels.frequency; // points until the next labelled one
    for (std::size_t i = 0; i < n; ++i) {
        const bool labelled = --countdown == 0;
        if (labelled)
            countdown = labels.frequency;
        blocks.write(sink, i, labelled);
        if ((i & 0xFFFF) == 0xFFFF) {
            if (!sink.good())
                break;
            progress.advance(i + 1);
            if (progress.cancelled())
                return fail(std::string(kCancelled));
        }
    }

    sink.line("</Document>");
    sink.line("</kml>");
    sink.flush();
    out.flush();
    if (!out)
        return fail("the document could not be written (disk full or no right to write?)");
    progress.advance(n);
    return ok();
}

} // namespace

Status write_kml_document(std::ostream& out, const PointTable& table, const KmlLabels& labels, Progress& progress)
{
    if (Status checked = check_table(table, labels); !checked)
        return checked;
    return write_checked_document(out, table, labels, progress);
}

Status write_kml_file(const std::string& path, const PointTable& table, const KmlLabels& labels, Progress& progress)
{
    if (Status checked = check_table(table, labels); !checked)
        return fail("cannot write " + path + ": " + checked.error());
    Result<AtomicFile> file = AtomicFile::create(path);
    if (!file)
        return fail(file.error());
    if (Status written = write_checked_document(file->stream(), table, labels, progress); !written)
        return was_cancelled(written.error()) ? written : fail("cannot write " + path + ": " + written.error());
    if (progress.cancelled())
        return fail(std::string(kCancelled));
    return file->commit();
}

} // namespace marovin
