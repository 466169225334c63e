#include "readers/xy_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void spit(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class XyFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("xy_text_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }
    fs::path folder;
};

TEST(XyText, SeismicNamesEndInSuOrSgyInAnyCase)
{
    struct {
        const char* path;
        bool seismic;
    } const cases[] = {
        {"/data/line1.su", true},   {"/data/LINE1.SGY", true}, {"/data/line1.Sgy", true},
        {"/data/line1.segy", false}, {"/data/pts.xyz", false}, {"/data/dosu", true},
        {"u", false},                {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marovin::is_seismic_name(c.path), c.seismic) << c.path;
}

TEST(XyText, RewriteTurnsSemicolonsAndBlankPairsIntoCommas)
{
    struct {
        const char* in;
        const char* out;
    } const cases[] = {
        {"12;600000;4500000", "12,600000,4500000"},
        {"600000  4500000", "600000,4500000"},     // two blanks
        {"600000   4500000", "600000, 4500000"},   // three
        {"600000    4500000", "600000,,4500000"},  // four: an empty field
        {"600000 4500000", "600000 4500000"},      // single blanks stay
        {"600000\t4500000", "600000\t4500000"},    // tabs stay
        {"1; 2", "1, 2"},
        {"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd"},      // every line end becomes CR LF
        {"a\r\n\r\n", "a\r\n\r\n"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marovin::comma_separated(c.in), c.out) << c.in;
}

TEST(XyText, LinesEndAtCrLfOrBothAndEmptyLinesCount)
{
    struct {
        const char* text;
        std::int64_t lines;
    } const cases[] = {
        {"", 0},          {"a", 1},          {"a\r\n", 1},           {"a\r\nb", 2},
        {"a\rb\nc", 3},   {"a\r\n\r\n", 2},  {"\r\n", 1},            {"a\n\nb\n", 3},
        {"a\r\r\n", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marovin::count_lines(c.text), c.lines) << testing::PrintToString(std::string(c.text));
}

TEST(XyText, EachLayoutTakesItsFields)
{
    struct {
        const char* layout;
        const char* text;
        std::vector<double> x, y;
        std::vector<std::int32_t> number;
    } const cases[] = {
        {"Number,X,Y,Z", "101,600000,4500000,12\r\n102,600010,4500005,13\r\n", {600000, 600010}, {4500000, 4500005}, {101, 102}},
        {"Number,X,Y", "7,1.5,2.5\r\n-3,4,5", {1.5, 4}, {2.5, 5}, {7, -3}},
        {"X,Y,Z", " 1, 2, z\r\n3,4,\"h\"", {1, 3}, {2, 4}, {1, 2}},
        {"X,Y", "1,2\n3,4\r5,6", {1, 3, 5}, {2, 4, 6}, {1, 2, 3}},
        // a line with too many fields shifts the following points
        {"X,Y", "1,2,9\r\n3,4\r\n5,6", {1, 9, 4}, {2, 3, 5}, {1, 2, 3}},
        // a Number that is not a number reads as 0; fractions round to even
        {"Number,X,Y", "abc,1,2\r\n\"5\",3,4\r\n2.5,5,6", {1, 3, 5}, {2, 4, 6}, {0, 0, 2}},
    };
    for (const auto& c : cases) {
        auto points = marovin::read_xy_points(c.text, c.layout);
        ASSERT_TRUE(points.ok()) << c.layout << ": " << points.error();
        EXPECT_TRUE(points->rows_read);
        EXPECT_EQ(points->count, static_cast<std::int32_t>(c.x.size())) << c.text;
        EXPECT_EQ(points->x, c.x) << c.text;
        EXPECT_EQ(points->y, c.y) << c.text;
        EXPECT_EQ(points->number, c.number) << c.text;
    }
}

TEST(XyText, OtherLayoutTextsReadNoRow)
{
    for (const char* layout : {"x,y", "X, Y", "", "Number,X,Y,Z "}) {
        auto points = marovin::read_xy_points("1,2\r\n3,4\r\n", layout);
        ASSERT_TRUE(points.ok());
        EXPECT_EQ(points->count, 2);
        EXPECT_FALSE(points->rows_read) << layout;
        EXPECT_TRUE(points->x.empty());
    }
}

TEST(XyText, UnreadablePointsFailNamingPointAndLine)
{
    struct {
        const char* layout;
        const char* text;
        const char* message;
    } const cases[] = {
        {"X,Y", "1,2\r\n600000 4500000\r\n", "point 2, line 2: X \"600000 4500000\" is not a number"},
        {"X,Y,Z", "1,2,3\r\n4,north,6\r\n", "point 2, line 2: Y \"north\" is not a number"},
        {"X,Y,Z", "1,2,3\r\n4,5\r\n", "point 2, line 2: the file ends before its Z"},
        {"X,Y", "1,\"2\"", "point 1, line 1: Y \"2\" is not a number"},
        // the empty last line is a point of its own, with nothing in it
        {"X,Y", "1,2\r\n\r\n", "point 2, line 2: X is empty"},
        {"Number,X,Y", "1e12,1,2", "point 1, line 1: Number \"1e12\" is out of range"},
    };
    for (const auto& c : cases) {
        auto points = marovin::read_xy_points(c.text, c.layout);
        ASSERT_FALSE(points.ok()) << c.text;
        EXPECT_EQ(points.error(), c.message);
    }
}

TEST_F(XyFileTest, RewriteReplacesTheFileWithCrLfLines)
{
    const fs::path file = folder / "pts.xyz";
    spit(file, "12;600000;4500000\n13  600010  4500005\n");
    ASSERT_TRUE(marovin::rewrite_separators(file.string()).ok());
    EXPECT_EQ(slurp(file), "12,600000,4500000\r\n13,600010,4500005\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1); // no temporary left
}

TEST_F(XyFileTest, FailedReadLeavesTheFileByteForByte)
{
    const fs::path binary = folder / "trace.xyz";
    const std::string bytes("1;2\0;3  4\r\n", 11);
    spit(binary, bytes);
    auto status = marovin::rewrite_separators(binary.string());
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find(binary.string()), std::string::npos);
    EXPECT_EQ(slurp(binary), bytes);

    EXPECT_FALSE(marovin::rewrite_separators((folder / "missing.xyz").string()).ok());
    EXPECT_FALSE(fs::exists(folder / "missing.xyz"));
    EXPECT_FALSE(marovin::rewrite_separators("").ok());

    if (::geteuid() != 0) { // root reads everything
        const fs::path locked = folder / "locked.xyz";
        spit(locked, "1;2\r\n");
        fs::permissions(locked, fs::perms::none);
        EXPECT_FALSE(marovin::rewrite_separators(locked.string()).ok());
        fs::permissions(locked, fs::perms::owner_read);
        EXPECT_EQ(slurp(locked), "1;2\r\n");
        // readable but in a folder that cannot take the temporary file
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(marovin::rewrite_separators(locked.string()).ok());
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_EQ(slurp(locked), "1;2\r\n");
    }
}

TEST_F(XyFileTest, ReadingAFileNamesItWhenItFails)
{
    const fs::path file = folder / "pts.xyz";
    spit(file, "1,2\r\nx,3\r\n");
    auto points = marovin::read_xy_file(file.string(), "X,Y");
    ASSERT_FALSE(points.ok());
    EXPECT_EQ(points.error(), file.string() + ", point 2, line 2: X \"x\" is not a number");
    EXPECT_FALSE(marovin::read_xy_file((folder / "gone.xyz").string(), "X,Y").ok());
}

} // namespace
