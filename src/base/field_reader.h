#pragma once
// Reads a text file as a sequence of comma-separated fields, the way the
// converter's result file and the XY text files are read:
//
//   - a field ends at a comma, at a line end, or at the end of the file;
//     a line ends at CR, CR LF or LF;
//   - blanks and tabs before a field are skipped, those after an unquoted
//     field dropped;
//   - a field in double quotes is text and may hold commas; it runs to the
//     closing quote (or, lacking one, to the line end), and anything between
//     the closing quote and the next separator is ignored;
//   - an unquoted field that is a whole decimal number with "." as decimal
//     point ("12", "-3.5", ".5", "+2", "1E-05") is a number, any other
//     unquoted text is text, and nothing at all is an empty field (so an
//     empty line, or ",," holds one empty field);
//   - a line end right before the end of the file starts no field: "1,2\n"
//     holds two fields.
//
// A field records the line it starts on so that callers can name the line
// in their messages. The file is read in large blocks, never whole, so
// files of millions of records cost little memory.

#include "base/regular_file.h"
#include "base/result.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace marovin {

struct Field {
    enum class Kind { Empty, Number, Text };
    Kind kind = Kind::Empty;
    double number = 0;     // the value of a Number field
    std::string_view text; // the field's characters (without quotes); valid
                           // until the reader's next call
    std::int64_t line = 0; // 1-based line the field starts on

    bool is_number() const { return kind == Kind::Number; }
};

class FieldReader {
public:
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

    // Opens a regular file for reading, `block` bytes at a time (smaller
    // blocks are for tests of the refill). Fails, naming the path, when it
    // cannot (see open_regular_file).
    static Result<FieldReader> open(const std::string& path, std::size_t block = kBlockBytes);
    // Reads fields from text in memory.
    static FieldReader from_text(std::string text);

    FieldReader(FieldReader&&) noexcept;
    FieldReader& operator=(FieldReader&&) noexcept;
    ~FieldReader();

    // The next field, or nothing at the end of the file. Fails, naming the
    // file and the line, when the file cannot be read further.
    Result<std::optional<Field>> next();

    // The next `count` fields, when they are the whole of the next line and
    // none is a quoted field that could hold a separator: the same fields
    // as `count` calls of next() give, found faster (files of one record a
    // line). Otherwise nothing, and nothing is read: next() then takes the
    // fields one by one. The fields and their texts stay valid until the
    // reader's next call.
    std::optional<std::span<const Field>> next_line(std::size_t count);

    // Skips whole lines, starting from the current position (which should
    // be a line start). Gives how many lines were skipped: fewer than
    // `count` when the file ends first. A last line without a line end
    // counts. Fails when the file cannot be read further.
    Result<std::int64_t> skip_lines(std::int64_t count);

    // The line the reader is on (1-based): where the next field would start.
    std::int64_t line() const { return line_; }

    // The path given to open(), or "" for text in memory.
    const std::string& path() const { return path_; }

private:
    FieldReader() = default;
    // Whether the character at pos_ + offset is there, reading more of the
    // file when needed. Reading more may move the unread part of the buffer
    // to its start, so positions are kept as offsets from pos_.
    bool available(std::size_t offset) { return pos_ + offset < end_ || fill_until(offset); }
    bool fill_until(std::size_t offset);
    char at(std::size_t offset) const { return buffer_[pos_ + offset]; }
    // Steps over the line end at pos_ + offset (CR, CR LF or LF), counting
    // the line; returns the offset after it.
    std::size_t take_line_end(std::size_t offset);
    // The failure of a read that ended the file early, once it happened.
    Error unreadable() const { return fail(unreadable_); }

    Descriptor file_;
    std::string path_;
    std::string buffer_;
    std::size_t pos_ = 0; // next unread character
    std::size_t end_ = 0; // end of the characters read so far
    bool eof_ = false;
    bool after_comma_ = false; // a comma always has a field after it
    std::int64_t line_ = 1;
    // Why the file could not be read to its end; empty while it could.
    std::string unreadable_;
    std::vector<Field> line_fields_; // what next_line() hands out
};

} // namespace marovin
