// The comma-separated field reader on any text, from memory and from a file
// read in small blocks.
//
// Input: a byte giving the block size (1 to 64 bytes), a byte giving how many
// lines to skip first (0 to 3), then the text.
//
// Properties: the reader from memory and the reader from the file both give,
// after skipping the same number of lines, exactly the fields of the plain
// model (reference_fields.h): the same kinds, texts, numbers and line
// numbers, then the end, with no read error. A text of n bytes holds at most
// n + 1 fields, so the readers also end. Taking whole lines of 1 to 5 fields
// (next_line, the number from the block byte) wherever the file reader takes
// them, and single fields elsewhere, gives the same fields again.
#include "fuzz_support.h"
#include "reference_fields.h"

#include "base/field_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using namespace marovin;
using marovin::fuzz::Input;
using marovin::fuzz::ModelField;

namespace {

const char* kind_name(int kind)
{
    static const char* const names[] = {"empty", "number", "text"};
    return names[kind];
}

// The next field of a reader, which must not fail: the files are readable.
std::optional<Field> next_field(FieldReader& reader, const std::string& what)
{
    Result<std::optional<Field>> field = reader.next();
    FUZZ_CHECK(field.ok(), what + ": " + (field.ok() ? std::string() : field.error()));
    return *field;
}

void check_against_model(FieldReader& reader, std::string_view text, std::int64_t skip, const char* what)
{
    fuzz::ModelReader model(text);
    const std::int64_t expected_skipped = model.skip_lines(skip);
    const Result<std::int64_t> skipping = reader.skip_lines(skip);
    FUZZ_CHECK(skipping.ok(), std::string(what) + ": " + (skipping.ok() ? std::string() : skipping.error()));
    const std::int64_t skipped = *skipping;
    FUZZ_CHECK(skipped == expected_skipped, std::string(what) + ": skipped " + std::to_string(skipped) + " lines of " +
                                                fuzz::printable(text) + ", expected " +
                                                std::to_string(expected_skipped));
    for (std::size_t index = 1;; ++index) {
        FUZZ_CHECK(index <= text.size() + 2, std::string(what) + ": no end after " + std::to_string(index) +
                                                 " fields of " + fuzz::printable(text));
        const std::optional<ModelField> want = model.next();
        const std::string where =
            std::string(what) + ", field " + std::to_string(index) + " of " + fuzz::printable(text) + ": ";
        const std::optional<Field> got = next_field(reader, where);
        FUZZ_CHECK(got.has_value() == want.has_value(), where + (got ? "a field after the end" : "ended early"));
        if (!want)
            break;
        FUZZ_CHECK(got->text == want->text,
                   where + "text " + fuzz::printable(got->text) + ", expected " + fuzz::printable(want->text));
        FUZZ_CHECK(got->line == want->line,
                   where + "line " + std::to_string(got->line) + ", expected " + std::to_string(want->line));
        const int got_kind = static_cast<int>(got->kind);
        const int want_kind = static_cast<int>(want->kind);
        const bool either = want->number_in_doubt && got->kind != Field::Kind::Empty;
        FUZZ_CHECK(got_kind == want_kind || either, where + kind_name(got_kind) + ", expected " + kind_name(want_kind));
        if (got->is_number() && want->kind == ModelField::Kind::Number && !want->number_in_doubt)
            FUZZ_CHECK(got->number == want->number,
                       where + std::to_string(got->number) + ", expected " + std::to_string(want->number));
    }
    FUZZ_CHECK(!next_field(reader, what).has_value(), std::string(what) + ": a field after the end");
    FUZZ_CHECK(reader.line() == model.line(), std::string(what) + ": ends on line " + std::to_string(reader.line()) +
                                                  ", expected " + std::to_string(model.line()));
}

bool same_field(const Field& a, const Field& b)
{
    return a.kind == b.kind && a.text == b.text && a.line == b.line &&
           (a.kind != Field::Kind::Number || a.number == b.number);
}

void check_whole_lines(FieldReader& lines, std::string_view text, int count, const char* what)
{
    FieldReader single = FieldReader::from_text(std::string(text));
    for (std::size_t index = 1; index <= text.size() + 2;) {
        const std::string where =
            std::string(what) + ", field " + std::to_string(index) + " of " + fuzz::printable(text) + ": ";
        if (const auto fields = lines.next_line(static_cast<std::size_t>(count))) {
            FUZZ_CHECK(fields->size() == static_cast<std::size_t>(count), where + "a line of another count");
            for (const Field& field : *fields) {
                const std::optional<Field> want = next_field(single, where);
                FUZZ_CHECK(want && same_field(field, *want),
                           where + "a whole line gave " + fuzz::printable(field.text));
                ++index;
            }
            continue;
        }
        const std::optional<Field> got = next_field(lines, where);
        const std::optional<Field> want = next_field(single, where);
        FUZZ_CHECK(got.has_value() == want.has_value(), where + (got ? "a field after the end" : "ended early"));
        if (!got)
            return;
        FUZZ_CHECK(same_field(*got, *want), where + "gave " + fuzz::printable(got->text));
        ++index;
    }
    FUZZ_CHECK(false, std::string(what) + ": no end of " + fuzz::printable(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::size_t block = input.byte() % 64 + 1;
    const std::int64_t skip = input.byte() % 4;
    const std::string_view text = input.rest();

    FieldReader in_memory = FieldReader::from_text(std::string(text));
    check_against_model(in_memory, text, skip, "from memory");

    const std::string path = fuzz::scratch_path("fields.txt");
    fuzz::write_file(path, text);
    Result<FieldReader> from_file = FieldReader::open(path, block);
    FUZZ_CHECK(from_file.ok(), from_file.error());
    check_against_model(*from_file, text, skip, ("from a file in blocks of " + std::to_string(block)).c_str());

    const int count = static_cast<int>(block % 5) + 1;
    Result<FieldReader> by_lines = FieldReader::open(path, block);
    FUZZ_CHECK(by_lines.ok(), by_lines.error());
    check_whole_lines(*by_lines, text, count, ("whole lines of " + std::to_string(count) + " fields").c_str());
    return 0;
}
