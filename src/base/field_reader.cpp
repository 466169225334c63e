#include "base/field_reader.h"

#include "base/number_parse.h"
#include "base/plain_text.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace marovin {

namespace {

bool is_separator(char c) { return c == ',' || is_line_end(c); }

// An unquoted field that is not empty: a Number when it reads as one.
void take_number(Field& field)
{
    field.kind = Field::Kind::Text;
    if (Result<double, NumberFault> number = read_number(field.text)) {
        field.kind = Field::Kind::Number;
        field.number = *number;
    }
}

} // namespace

FieldReader::FieldReader(FieldReader&&) noexcept = default;
FieldReader& FieldReader::operator=(FieldReader&&) noexcept = default;
FieldReader::~FieldReader() = default;

Result<FieldReader> FieldReader::open(const std::string& path, std::size_t block)
{
    Result<RegularFile, OpenError> file = open_regular_file(path);
    if (!file)
        return fail(file.error());
    FieldReader reader;
    reader.file_ = std::move(file->descriptor);
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
        const ssize_t got = ::read(file_.get(), buffer_.data() + end_, buffer_.size() - end_);
        if (got < 0 && errno == EINTR)
            continue;
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
        } else {
            if (got < 0)
                unreadable_ = "cannot read " + path_ + " after line " + std::to_string(line_);
            eof_ = true;
            file_ = Descriptor();
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

Result<std::optional<Field>> FieldReader::next()
{
    Field field;
    field.line = line_;
    if (!available(0)) {
        if (!unreadable_.empty())
            return unreadable();
        if (!after_comma_)
            return std::optional<Field>();
        after_comma_ = false; // "1,2," ends with an empty field
        return std::optional<Field>(field);
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

    // A field cut short by a failed read is no field.
    if (!unreadable_.empty())
        return unreadable();
    // Reading is over for this field: the buffer stays put until the next
    // call, so the view is safe to hand out.
    field.text = std::string_view(buffer_.data() + pos_ + start, stop - start);
    pos_ += next;
    if (quoted)
        field.kind = Field::Kind::Text;
    else if (!field.text.empty())
        take_number(field);
    return std::optional<Field>(field);
}

std::optional<std::span<const Field>> FieldReader::next_line(std::size_t count)
{
    if (after_comma_ || count < 1)
        return std::nullopt;
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
                return std::nullopt;
            length = have;
            break;
        }
        // A line longer than the buffer is left to next(), which reads it
        // in pieces, and so is a file that cannot be read further.
        if (have >= buffer_.size() || (!fill_until(have) && !unreadable_.empty()))
            return std::nullopt;
    }

    const char* text = buffer_.data() + pos_;
    const char* stop = text + length;
    const char* field_start = text;
    line_fields_.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const auto* comma =
            static_cast<const char*>(std::memchr(field_start, ',', static_cast<std::size_t>(stop - field_start)));
        if ((k + 1 < count) != (comma != nullptr))
            return std::nullopt; // more or fewer fields than asked for
        const char* field_end = comma ? comma : stop;
        const char* first = field_start;
        while (first < field_end && is_blank(*first))
            ++first;
        Field& field = line_fields_[k];
        field = Field{};
        field.line = line_;
        if (first < field_end && *first == '"') {
            const auto* close =
                static_cast<const char*>(std::memchr(first + 1, '"', static_cast<std::size_t>(field_end - first - 1)));
            if (!close)
                return std::nullopt; // an open quote may run on past the separator
            field.kind = Field::Kind::Text;
            field.text = std::string_view(first + 1, static_cast<std::size_t>(close - first - 1));
        } else {
            const char* last = field_end;
            while (last > first && is_blank(last[-1]))
                --last;
            field.text = std::string_view(first, static_cast<std::size_t>(last - first));
            if (!field.text.empty())
                take_number(field);
        }
        field_start = field_end + 1;
    }
    pos_ += length + line_end;
    if (line_end > 0)
        ++line_;
    return std::span<const Field>(line_fields_);
}

Result<std::int64_t> FieldReader::skip_lines(std::int64_t count)
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
    if (!unreadable_.empty())
        return unreadable();
    return skipped;
}

} // namespace marovin
