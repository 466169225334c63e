#include "base/field_reader.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using marovin::Field;
using marovin::FieldReader;

// A field as a short readable token: N<number>, T<text>, E; with its line.
std::string describe(const Field& f)
{
    switch (f.kind) {
    case Field::Kind::Empty: return "E@" + std::to_string(f.line);
    case Field::Kind::Number: {
        char text[40];
        std::snprintf(text, sizeof text, "N%.17g@%lld", f.number, static_cast<long long>(f.line));
        return text;
    }
    case Field::Kind::Text: return "T" + std::string(f.text) + "@" + std::to_string(f.line);
    }
    return "?";
}

// The next field; a read that fails is a failure of the test.
std::optional<Field> next_of(FieldReader& reader)
{
    auto f = reader.next();
    EXPECT_TRUE(f) << f.error();
    return f ? *f : std::nullopt;
}

std::vector<std::string> all_fields(FieldReader reader)
{
    std::vector<std::string> out;
    while (auto f = next_of(reader))
        out.push_back(describe(*f));
    return out;
}

using Tokens = std::vector<std::string>;

TEST(FieldReader, SplitsFieldsAtCommasAndEveryKindOfLineEnd)
{
    struct {
        const char* text;
        Tokens fields;
    } const cases[] = {
        {"", {}},
        {"1,2\r\n3", {"N1@1", "N2@1", "N3@2"}},
        {"1,2\n3\n", {"N1@1", "N2@1", "N3@2"}},
        {"1,2\r3\r", {"N1@1", "N2@1", "N3@2"}},
        {"1\r\n\r\n2", {"N1@1", "E@2", "N2@3"}}, // an empty line is an empty field
        {"1\r\r\n2\n\r3", {"N1@1", "E@2", "N2@3", "E@4", "N3@5"}},
        {"1,,2,", {"N1@1", "E@1", "N2@1", "E@1"}}, // a comma always has a field after it
        {"1,\n2", {"N1@1", "E@1", "N2@2"}},
        {"  \t12 ,\t-3.5\t, .5,+2,1E-05", {"N12@1", "N-3.5@1", "N0.5@1", "N2@1", "N1.0000000000000001e-05@1"}},
        {"12 34,1.5x,inf,nan,0x10,-,.", {"T12 34@1", "T1.5x@1", "Tinf@1", "Tnan@1", "T0x10@1", "T-@1", "T.@1"}},
        {"1\n   ", {"N1@1", "E@2"}}, // a last line of blanks
        {"  UTM31 ,  ", {"TUTM31@1", "E@1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(all_fields(FieldReader::from_text(c.text)), c.fields) << "text: " << c.text;
}

TEST(FieldReader, QuotedFieldsAreTextAndMayHoldCommas)
{
    struct {
        const char* text;
        Tokens fields;
    } const cases[] = {
        {"\"UTM31, ED50\",45.5", {"TUTM31, ED50@1", "N45.5@1"}},
        {"  \"12\" ,3", {"T12@1", "N3@1"}}, // quoted digits stay text
        {"\"\",1", {"T@1", "N1@1"}},
        {"\"a\"junk,1", {"Ta@1", "N1@1"}},  // after the closing quote: ignored
        {"\"open\n2", {"Topen@1", "N2@2"}}, // no closing quote: ends at the line end
        {"\"x\"\r\n\"y\"", {"Tx@1", "Ty@2"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(all_fields(FieldReader::from_text(c.text)), c.fields) << "text: " << c.text;
}

// Reads with next_line(count) wherever it takes a line, next() elsewhere;
// the fields must be those next() alone gives. Counts the lines taken whole.
std::vector<std::string> fields_by_lines(FieldReader reader, int count, int* whole_lines = nullptr)
{
    std::vector<std::string> out;
    for (;;) {
        if (const auto fields = reader.next_line(static_cast<std::size_t>(count))) {
            for (const Field& f : *fields)
                out.push_back(describe(f));
            if (whole_lines)
                ++*whole_lines;
        } else if (auto f = next_of(reader)) {
            out.push_back(describe(*f));
        } else {
            return out;
        }
    }
}

TEST(FieldReader, WholeLinesGiveTheFieldsThatOneByOneGives)
{
    // clang-format off
    const char* texts[] = {
        "", "1,2\r\n3", "1,2\n3\n", "1,2\r3\r", "1\r\n\r\n2", "1\r\r\n2\n\r3", "1,,2,", "1,\n2",
        "  \t12 ,\t-3.5\t, .5,+2,1E-05", "12 34,1.5x,inf,nan,0x10,-,.", "1\n   ", "  UTM31 ,  ",
        "\"UTM31, ED50\",45.5", "  \"12\" ,3", "\"\",1", "\"a\"junk,1", "\"open\n2", "\"x\"\r\n\"y\"",
        "a\"b,\"c\"d\"e,f", "\"a,b\",\"c\"\r\n1,2\r\n3,4", "1,\"open, on\n2,3",
        "7,\"UTM32\",45.146392876,7.727967040,0\r\n8,\"UTM32\",45.1,7.7,0\r\n9,\"UTM32\",45.2\r\n,7.8,0\r\n",
    };
    // clang-format on
    for (const char* text : texts) {
        const std::vector<std::string> expected = all_fields(FieldReader::from_text(text));
        for (int count = 1; count <= 5; ++count)
            EXPECT_EQ(fields_by_lines(FieldReader::from_text(text), count), expected)
                << "text: " << text << ", " << count << " fields a line";
    }
    // Records of one line are taken whole.
    int whole = 0;
    fields_by_lines(FieldReader::from_text("1,\"U\",45.5,3.25,0\r\n2,\"U\",-12.125,-0.5,0\r\n"), 5, &whole);
    EXPECT_EQ(whole, 2);
}

TEST(FieldReader, WholeLinesAcrossBlocksOfAFile)
{
    // Line ends cut by the 1 MiB read block at every offset around it (CR
    // and LF in different blocks), and lines longer than a block.
    std::string text = std::string((1 << 20) - 100, 'y') + "\r\n";
    for (int i = 0; text.size() < (std::size_t{1} << 20) + 200; ++i)
        text += std::to_string(i) + ",\"S\"," + std::to_string(i % 97) + ".5\r\n";
    text += std::string((1 << 20) + 10, 'x') + ",1,2\r\n4,5,6\r";
    const support::ScratchFolder scratch;
    const std::string path = scratch.file("lines.txt");
    for (std::size_t shift = 0; shift < 24; ++shift) {
        const std::string shifted = std::string(shift, ' ') + text;
        support::write_bytes(path, shifted);
        auto opened = FieldReader::open(path);
        ASSERT_TRUE(opened) << opened.error();
        int whole = 0;
        ASSERT_EQ(fields_by_lines(std::move(*opened), 3, &whole), all_fields(FieldReader::from_text(shifted)))
            << "shifted by " << shift;
        EXPECT_GT(whole, 15);
    }

    // Small blocks cut every line, and lines longer than the buffer.
    std::string small;
    for (int i = 0; i < 150; ++i)
        small += std::to_string(i) + ",\"S\"," + std::to_string(i % 97) + ".5" + (i % 3 ? "\r\n" : i % 2 ? "\r" : "\n");
    for (const std::size_t block : {5, 7, 16, 64}) {
        for (std::size_t shift = 0; shift < 16; ++shift) {
            const std::string shifted = std::string(shift, ' ') + small;
            support::write_bytes(path, shifted);
            auto opened = FieldReader::open(path, block);
            ASSERT_TRUE(opened) << opened.error();
            ASSERT_EQ(fields_by_lines(std::move(*opened), 3), all_fields(FieldReader::from_text(shifted)))
                << "blocks of " << block << ", shifted by " << shift;
        }
    }
}

TEST(FieldReader, SkipsLinesAndCountsThem)
{
    struct {
        const char* text;
        std::int64_t skip;
        std::int64_t skipped;
        Tokens then;
    } const cases[] = {
        {"a,b\r\nc\r\n1,2", 2, 2, {"N1@3", "N2@3"}},
        {"a\rb\nc\r\n\r\n5", 4, 4, {"N5@5"}},
        {"a\nb", 7, 2, {}}, // the last line counts without its line end
        {"a\nb\n", 7, 2, {}},
        {"", 7, 0, {}},
        {"1,2,3,4,5\n6", 1, 1, {"N6@2"}}, // anything on a skipped line is ignored
    };
    for (const auto& c : cases) {
        FieldReader reader = FieldReader::from_text(c.text);
        EXPECT_EQ(*reader.skip_lines(c.skip), c.skipped) << c.text;
        EXPECT_EQ(all_fields(std::move(reader)), c.then) << c.text;
    }
}

TEST(FieldReader, FileReadingAcrossBlocksGivesTheSameFieldsAsMemory)
{
    // Long enough to cross several read blocks, with CR LF pairs and fields
    // cut at every possible place.
    std::string text = "head\r\n";
    for (int i = 0; i < 120000; ++i)
        text += std::to_string(i) + ",\"S," + std::to_string(i % 7) + "\", " + std::to_string(i) + ".25\r\n";
    text += std::string(3 << 20, 'x') + ",1"; // one field longer than a block
    const support::ScratchFolder scratch;
    const std::string path = scratch.write("fields.txt", text);

    auto opened = FieldReader::open(path);
    ASSERT_TRUE(opened) << opened.error();
    EXPECT_EQ(opened->path(), path);
    FieldReader memory = FieldReader::from_text(text);
    std::int64_t count = 0;
    while (true) {
        auto a = next_of(*opened);
        auto b = next_of(memory);
        ASSERT_EQ(a.has_value(), b.has_value()) << "field " << count;
        if (!a)
            break;
        ASSERT_EQ(describe(*a), describe(*b)) << "field " << count;
        ++count;
    }
    EXPECT_EQ(count, 1 + 3 * 120000 + 2);
    std::filesystem::remove(path);

    auto missing = FieldReader::open(path);
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find(path), std::string::npos);
}

} // namespace
