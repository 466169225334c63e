#include "base/field_reader.h"

#include "base/number_parse.h"

#include <cerrno>
#include <charconv>
#include <cstring>

namespace marovin {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == '\r' || c == '\n'; }
bool is_separator(char c) { return c == ',' || is_line_end(c); }

} // namespace

FieldReader::FieldReader(FieldReader&&) noexcept = default;
FieldReader& FieldReader::operator=(FieldReader&&) noexcept = default;
FieldReader::~FieldReader() = default;

Result<FieldReader> FieldReader::open(const std::string& path, std::size_t block)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return fail("cannot open " + path + ": " + std::strerror(errno));
    FieldReader reader;
    reader.file_.reset(file);
    reader.path_ = path;
    reader.buffer_.resize(block > 0 ? block : 1);
    return reader;
}

FieldReader FieldReader::from_text(std::string text)
{
    FieldReader reader;
    reader.buffer_ = std::move(text);
    reader.end_ = reader.buffer_.size();
    reader.eof_ = true;
    return reader;
}

bool FieldReader::fill_until(std::size_t offset)
{
    while (pos_ + offset >= end_) {
        if (eof_)
            return false;
        if (pos_ > 0) { // keep only what is unread
            std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
        }
        if (end_ == buffer_.size()) // one field longer than a block
            buffer_.resize(buffer_.size() * 2);
        const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_.get());
        end_ += got;
        if (got == 0) {
            if (std::ferror(file_.get()))
                error_ = "cannot read " + path_ + " after line " + std::to_string(line_);
            eof_ = true;
            file_.reset();
        }
    }
    return true;
}

std::size_t FieldReader::take_line_end(std::size_t offset)
{
    if (at(offset) == '\r') {
        ++offset;
        if (available(offset) && at(offset) == '\n')
            ++offset;
    } else {
        ++offset; // '\n'
    }
    ++line_;
    return offset;
}

std::optional<Field> FieldReader::next()
{
    Field field;
    field.line = line_;
    if (!available(0)) {
        if (!after_comma_)
            return std::nullopt;
        after_comma_ = false; // "1,2," ends with an empty field
        return field;
    }

    std::size_t start = 0;
    while (available(start) && is_blank(at(start)))
        ++start;
    std::size_t stop = start; // end of the field's text
    std::size_t next = start; // where the separator is looked for
    bool quoted = false;
    if (available(start) && at(start) == '"') {
        quoted = true;
        ++start;
        stop = start;
        while (available(stop) && at(stop) != '"' && !is_line_end(at(stop)))
            ++stop;
        next = stop;
        if (available(next) && at(next) == '"')
            ++next;
    } else {
        while (available(stop) && !is_separator(at(stop)))
            ++stop;
        next = stop;
        while (stop > start && is_blank(at(stop - 1)))
            --stop;
    }
    while (available(next) && !is_separator(at(next)))
        ++next; // after a closing quote
    after_comma_ = false;
    if (available(next)) {
        if (at(next) == ',') {
            after_comma_ = true;
            ++next;
        } else {
            next = take_line_end(next);
        }
    }

    // Reading is over for this field: the buffer stays put until the next
    // call, so the view is safe to hand out.
    field.text = std::string_view(buffer_.data() + pos_ + start, stop - start);
    pos_ += next;
    if (quoted)
        field.kind = Field::Kind::Text;
    else if (field.text.empty())
        field.kind = Field::Kind::Empty;
    else
        field.kind = parse_field_number(field.text, field.number) ? Field::Kind::Number : Field::Kind::Text;
    return field;
}

bool FieldReader::next_line(Field* fields, int count)
{
    if (after_comma_ || count < 1)
        return false;
    // Where the line's text ends and how long its line end is (0 for a last
    // line without one), with the whole line in the buffer.
    std::size_t length = 0, line_end = 0;
    for (;;) {
        const char* start = buffer_.data() + pos_;
        const std::size_t have = end_ - pos_;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', have));
        const std::size_t before_lf = lf ? static_cast<std::size_t>(lf - start) : have;
        const auto* cr = static_cast<const char*>(std::memchr(start, '\r', before_lf));
        if (cr && (cr + 1 < start + have || eof_)) {
            length = static_cast<std::size_t>(cr - start);
            line_end = cr + 1 == lf ? 2 : 1;
            break;
        }
        if (!cr && lf) {
            length = before_lf;
            line_end = 1;
            break;
        }
        if (eof_) {
            if (have == 0)
                return false;
            length = have;
            break;
        }
        // A line longer than the buffer is left to next(), which reads it
        // in pieces, and so is a file that cannot be read further.
        if (have >= buffer_.size() || (!fill_until(have) && !error_.empty()))
            return false;
    }

    const char* text = buffer_.data() + pos_;
    const char* stop = text + length;
    const char* field_start = text;
    for (int k = 0; k < count; ++k) {
        const auto* comma =
            static_cast<const char*>(std::memchr(field_start, ',', static_cast<std::size_t>(stop - field_start)));
        if ((k + 1 < count) != (comma != nullptr))
            return false; // more or fewer fields than asked for
        const char* field_end = comma ? comma : stop;
        const char* first = field_start;
        while (first < field_end && is_blank(*first))
            ++first;
        Field& field = fields[k];
        field = Field{};
        field.line = line_;
        if (first < field_end && *first == '"') {
            const auto* close =
                static_cast<const char*>(std::memchr(first + 1, '"', static_cast<std::size_t>(field_end - first - 1)));
            if (!close)
                return false; // an open quote may run on past the separator
            field.kind = Field::Kind::Text;
            field.text = std::string_view(first + 1, static_cast<std::size_t>(close - first - 1));
        } else {
            const char* last = field_end;
            while (last > first && is_blank(last[-1]))
                --last;
            field.text = std::string_view(first, static_cast<std::size_t>(last - first));
            if (field.text.empty())
                field.kind = Field::Kind::Empty;
            else
                field.kind = parse_field_number(field.text, field.number) ? Field::Kind::Number : Field::Kind::Text;
        }
        field_start = field_end + 1;
    }
    pos_ += length + line_end;
    if (line_end > 0)
        ++line_;
    return true;
}

std::int64_t FieldReader::skip_lines(std::int64_t count)
{
    std::int64_t skipped = 0;
    after_comma_ = false;
    while (skipped < count && available(0)) {
        while (available(0) && !is_line_end(at(0)))
            ++pos_;
        if (available(0)) {
            const std::size_t after = take_line_end(0); // may move pos_
            pos_ += after;
        }
        ++skipped;
    }
    return skipped;
}

} // namespace marovin
