#include "readers/xy_text.h"

#include "base/field_reader.h"
#include "support/scratch_folder.h"
#include "support/survey_shapes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

std::string shown(const std::string& text) { return testing::PrintToString(text); }

TEST(XyText, LinesEndAtCrLfOrBothAndEmptyLinesCount)
{
    struct {
        const char* text;
        std::int64_t lines;
    } const cases[] = {
        {"", 0},          {"a", 1},    {"a\r\n", 1},    {"a\r\nb", 2},  {"a\rb\nc", 3},
        {"a\r\n\r\n", 2}, {"\r\n", 1}, {"a\n\nb\n", 3}, {"a\r\r\n", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marovin::count_lines(c.text), c.lines) << shown(c.text);
}

TEST(XyText, EveryShapeOfSurveyFileReadsAsTheSameStations)
{
    for (const support::XyShape& shape : support::xy_file_shapes()) {
        SCOPED_TRACE(shape.name);
        const marovin::XyText text = marovin::normalized_xy_text(shape.bytes);
        EXPECT_EQ(text.text, support::normalised_stations());
        auto points = marovin::read_xy_points(text, marovin::XyLayout::NumberXYZ);
        ASSERT_TRUE(points.ok()) << points.error();
        ASSERT_EQ(points->count, support::kStations);
        for (int k = 0; k < support::kStations; ++k) {
            const int station = support::kFirstStation + k;
            EXPECT_EQ(points->number[static_cast<std::size_t>(k)], station);
            EXPECT_DOUBLE_EQ(points->x[static_cast<std::size_t>(k)], support::station_x(station));
            EXPECT_DOUBLE_EQ(points->y[static_cast<std::size_t>(k)], support::station_y(station));
        }
    }
}

TEST(XyText, NormalisingSeparatesFieldsByTheLinesOwnRule)
{
    struct {
        const char* in;
        const char* out;
    } const cases[] = {
        // ";" lines: a "," between digits is a decimal point, any other separates
        {"1;496000,55;5314000,25;450,5", "1,496000.55,5314000.25,450.5\r\n"},
        {"1;a,b;2", "1,a,b,2\r\n"},
        {"1;,5;2, 5", "1,,5,2,5\r\n"},
        // "," lines keep "," as separator and "." as decimal point
        {"1,5,2.5", "1,5,2.5\r\n"},
        // blanks around a separator belong to it; runs of blanks are one
        {"1 ; 2 ;3", "1,2,3\r\n"},
        {"1 ,\t2", "1,2\r\n"},
        {"1    2\t\t3 \t 4", "1,2,3,4\r\n"},
        {"  \t1 2  \t", "1,2\r\n"},
        // two separators in a row hold an empty field, even with blanks between
        {"1;;2", "1,,2\r\n"},
        {"1 , , 2", "1,,2\r\n"},
        {";1", ",1\r\n"},
        {"1;2;", "1,2,\r\n"},
        {";", ",\r\n"}, // two empty fields
        // a quoted field is kept whole
        {"\"Station 1; east\";2,5;3", "\"Station 1; east\",2.5,3\r\n"},
        // a ";" inside quotes makes no ";" line: its "," stay separators
        {"\"Station 1; east\" 2,5", "\"Station 1; east\",2,5\r\n"},
        // blanks inside a field of a "," or ";" line belong to it
        {"DH 01, 612345.2,NAD83  /\tUTM zone 9N", "\"DH 01\",612345.2,\"NAD83 / UTM zone 9N\"\r\n"},
        {"Hole;Coordinate system;a\"b c", "Hole,\"Coordinate system\",a\"b,c\r\n"},
        {"1001,\"a;b\",496000,5314000", "1001,\"a;b\",496000,5314000\r\n"},
        {"\"open 1  2", "\"open 1  2\r\n"},
        // blank lines are no points; a byte-order mark only counts at the start
        {"\xEF\xBB\xBF", ""},
        {"1 2\n\xEF\xBB\xBF"
         "3 4",
         "1,2\r\n\xEF\xBB\xBF"
         "3,4\r\n"},
        {" \r\n\t\r\n", ""},
        {"a\r\rb\n\nc\r", "a\r\nb\r\nc\r\n"},
        {"", ""},
    };
    for (const auto& c : cases) {
        const marovin::XyText text = marovin::normalized_xy_text(c.in);
        EXPECT_EQ(text.text, c.out) << shown(c.in);
    }
}

// Every line of the normalised text is one point to the reader, and the
// lines left out are the blank ones: checked over every text of up to five
// characters from the characters that matter.
TEST(XyText, NormalisedLinesAreExactlyTheReadersPoints)
{
    const std::string alphabet = "1,; \t\r\n\"";
    std::vector<std::string> texts{""};
    for (std::size_t begin = 0, length = 0; length < 5; ++length) {
        const std::size_t end = texts.size();
        for (std::size_t i = begin; i < end; ++i)
            for (const char c : alphabet)
                texts.push_back(texts[i] + c);
        begin = end;
    }
    for (const std::string& in : texts) {
        const marovin::XyText text = marovin::normalized_xy_text(in);
        const std::int64_t lines = marovin::count_lines(text.text);
        ASSERT_EQ(lines + static_cast<std::int64_t>(text.left_out.size()), marovin::count_lines(in)) << shown(in);
        std::set<std::int64_t> field_lines;
        marovin::FieldReader fields = marovin::FieldReader::from_text(text.text);
        while (std::optional<marovin::Field> field = *fields.next())
            field_lines.insert(field->line);
        ASSERT_EQ(static_cast<std::int64_t>(field_lines.size()), lines) << shown(in);
        if (lines > 0) {
            ASSERT_EQ(*field_lines.rbegin(), lines) << shown(in);
        }
        for (std::int64_t line = 1; line <= lines; ++line)
            ASSERT_EQ(std::count(text.left_out.begin(), text.left_out.end(), text.file_line(line)), 0) << shown(in);
    }
}

TEST(XyText, EachLayoutTakesItsFields)
{
    // clang-format off
    struct {
        marovin::XyLayout layout;
        const char* text;
        std::vector<double> x, y;
        std::vector<std::int32_t> number;
    } const cases[] = {
        {marovin::XyLayout::NumberXYZ, "101,600000,4500000,12\r\n102,600010,4500005,13\r\n", {600000, 600010},
         {4500000, 4500005}, {101, 102}},
        {marovin::XyLayout::NumberXY, "7,1.5,2.5\r\n-3,4,5", {1.5, 4}, {2.5, 5}, {7, -3}},
        {marovin::XyLayout::XYZ, " 1, 2, z\r\n3,4,\"h\"", {1, 3}, {2, 4}, {1, 2}},
        {marovin::XyLayout::XY, "1,2\n\n3,4\r5,6\n\n", {1, 3, 5}, {2, 4, 6}, {1, 2, 3}},
        // a Number that is not a number reads as 0; fractions round to even
        {marovin::XyLayout::NumberXY, "abc,1,2\r\n\"5\",3,4\r\n2.5,5,6", {1, 3, 5}, {2, 4, 6}, {0, 0, 2}},
    };
    // clang-format on
    for (const auto& c : cases) {
        auto points = marovin::read_xy_points(marovin::normalized_xy_text(c.text), c.layout);
        ASSERT_TRUE(points.ok()) << c.text << ": " << points.error();
        EXPECT_EQ(points->count, static_cast<std::int32_t>(c.x.size())) << c.text;
        EXPECT_EQ(points->x, c.x) << c.text;
        EXPECT_EQ(points->y, c.y) << c.text;
        EXPECT_EQ(points->number, c.number) << c.text;
    }
}

// The lines read are told in blocks; a cancel stops the read at the next
// block, in a list and in an SPS file alike.
TEST(XyText, TheLinesReadAreToldInBlocksAndACancelStopsTheRead)
{
    struct Told final : marovin::Progress {
        void advance(std::uint64_t done) override { steps.push_back(done); }
        bool cancelled() const override { return stop && !steps.empty(); }
        std::vector<std::uint64_t> steps;
        bool stop = false;
    };
    std::string list, sps = std::string(support::kSps2.h00) + "\r\n";
    for (int i = 0; i < 70000; ++i) {
        list += "496000,5314000\r\n";
        sps += support::sps_record(support::kSps2, 'S', "1", std::to_string(1000 + i), 496000, 5314000) + "\r\n";
    }
    for (const auto& [text, layout] :
         {std::pair{list, marovin::XyLayout::XY}, std::pair{sps, marovin::XyLayout::SPS}}) {
        SCOPED_TRACE(marovin::layout_name(layout));
        Told whole;
        ASSERT_TRUE(marovin::read_xy_points(marovin::xy_file_text(text), layout, whole));
        EXPECT_EQ(whole.steps, (std::vector<std::uint64_t>{32768, 65536}));
        Told stopped;
        stopped.stop = true;
        const auto read = marovin::read_xy_points(marovin::xy_file_text(text), layout, stopped);
        ASSERT_FALSE(read);
        EXPECT_TRUE(marovin::was_cancelled(read.error()));
        EXPECT_EQ(stopped.steps.size(), 1u);
    }
}

TEST(XyText, LayoutsAreNamedExactly)
{
    for (const auto layout : {marovin::XyLayout::NumberXYZ, marovin::XyLayout::NumberXY, marovin::XyLayout::XYZ,
                              marovin::XyLayout::XY, marovin::XyLayout::SPS})
        EXPECT_EQ(marovin::layout_named(marovin::layout_name(layout)), layout);
    for (const char* other : {"x,y", "X, Y", "", "Number,X,Y,Z ", "sps"})
        EXPECT_FALSE(marovin::layout_named(other).has_value()) << other;
}

TEST(XyText, UnreadableLinesFailNamingTheFilesLine)
{
    struct {
        marovin::XyLayout layout;
        const char* text;
        const char* message;
    } const cases[] = {
        // the sample's four columns read with the default layout
        {marovin::XyLayout::XYZ, "1001;496000;5314000;450\r\n",
         "line 1 holds 4 fields, but the file type \"X,Y,Z\" takes 3"},
        {marovin::XyLayout::NumberXYZ, "1,2,3,4\r\n\r\n5,6,7\r\n",
         "line 3 holds 3 fields, but the file type \"Number,X,Y,Z\" takes 4"},
        {marovin::XyLayout::XY, "1 2\n  \n\n3\n", "line 4 holds 1 field, but the file type \"X,Y\" takes 2"},
        {marovin::XyLayout::XY, "1;2;\r\n", "line 1 holds 3 fields, but the file type \"X,Y\" takes 2"},
        // the count of fields is checked line by line, before the numbers
        {marovin::XyLayout::XY, "1,2,3\r\nx,y\r\n", "line 1 holds 3 fields, but the file type \"X,Y\" takes 2"},
        {marovin::XyLayout::XYZ, "1,2,3\r\n4,north,6\r\n", "point 2, line 2: Y \"north\" is not a number"},
        {marovin::XyLayout::XY, "\r\n\r\n1,\"2\"", "point 1, line 3: Y \"2\" is not a number"},
        {marovin::XyLayout::XY, "1,2\r\n;3", "point 2, line 2: X is empty"},
        {marovin::XyLayout::XY, "1;496000,55.5;2", "line 1 holds 3 fields, but the file type \"X,Y\" takes 2"},
        {marovin::XyLayout::NumberXY, "1e12,1,2", "point 1, line 1: Number \"1e12\" is out of range"},
    };
    for (const auto& c : cases) {
        auto points = marovin::read_xy_points(marovin::normalized_xy_text(c.text), c.layout);
        ASSERT_FALSE(points.ok()) << shown(c.text);
        EXPECT_EQ(points.error(), c.message) << shown(c.text);
    }
}

// A first line of text only names the columns: it is no point, and when its
// names give X and Y, the columns are read in their roles whatever their
// order; a Number that is no whole number names its point as written.
TEST(XyText, HeaderLinesNameTheColumnsInAnyOrder)
{
    using L = marovin::XyLayout;
    // clang-format off
    struct {
        const char* text;
        std::optional<L> named;
        L read_as;
        std::vector<double> x, y;
        std::vector<std::int32_t> number;
        std::vector<std::string> name;
    } const cases[] = {
        {"Station,Easting,Northing,Elevation\r\nBX23-001,496000.5,5314000.25,450\r\n1002,496020,5314015,451\r\n",
         L::NumberXYZ, L::NumberXYZ, {496000.5, 496020}, {5314000.25, 5314015}, {0, 1002}, {"BX23-001", ""}},
        {"\r\nID;Northing;Easting\n1001;5314000,25;496000,55\n", L::NumberXY, L::NumberXY, {496000.55},
         {5314000.25}, {1001}, {}},
        {"x y z\n1 2 3", L::XYZ, L::XYZ, {1}, {2}, {1}, {}},
        {"\"Code\";\"Point\";\"East\";\"North\";\"Date\"\nA;1001.5;1;2;2024-01-01\n", L::NumberXY, L::NumberXY,
         {1}, {2}, {1002}, {"1001.5"}},
        {"EASTING,NORTHING,Station\n1,2,DSV-FD0001", L::NumberXY, L::XY, {1}, {2}, {1}, {}},
        {"Name,Lat,Lon\nA,45.5,9.25", L::NumberXY, L::NumberXY, {9.25}, {45.5}, {0}, {"A"}},
        // ID columns as collar lists spell them; the first one is the Number
        {"Hole_ID;East;North\nDH-1;1;2", L::NumberXY, L::NumberXY, {1}, {2}, {0}, {"DH-1"}},
        {"BHID,Name,X,Y\nB1,First,1,2", L::NumberXY, L::NumberXY, {1}, {2}, {0}, {"B1"}},
        {"Point ID, Easting, Northing\nP 7,1,2", L::NumberXY, L::NumberXY, {1}, {2}, {0}, {"P 7"}},
        {"Station_ID\tEasting\tNorthing\tHole\n12\t1\t2\tH", L::NumberXY, L::NumberXY, {1}, {2}, {12}, {}},
        // a system column is no ID, though "Grid" ends in "id"
        {"X,Y,Grid\n1,2,NAD83 / UTM zone 9N", L::XY, L::XY, {1}, {2}, {1}, {}},
        // names that do not say where X and Y stand: read in the layout's order
        {"Pt;Rechts;Hoch\nP-1;1;2\n", std::nullopt, L::NumberXY, {1}, {2}, {0}, {"P-1"}},
        {"X,Y,X\n1,2,3", std::nullopt, L::XYZ, {1}, {2}, {1}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        const marovin::XyText text = marovin::xy_file_text(c.text);
        ASSERT_TRUE(text.header.has_value()) << shown(c.text);
        EXPECT_EQ(marovin::named_layout(text), c.named) << shown(c.text);
        auto points = marovin::read_xy_points(text, c.read_as);
        ASSERT_TRUE(points.ok()) << shown(c.text) << ": " << points.error();
        EXPECT_EQ(points->x, c.x) << shown(c.text);
        EXPECT_EQ(points->y, c.y) << shown(c.text);
        EXPECT_EQ(points->number, c.number) << shown(c.text);
        EXPECT_EQ(points->name, c.name) << shown(c.text);
    }
    // A line holding a number (quoted or not) or an empty field is a point,
    // as before.
    for (const char* first : {"a,1\r\n", "a,,b\r\n", "1,2\r\n", "\"a\",\"1\"\r\n", "a,\"\"\r\n"})
        EXPECT_FALSE(marovin::xy_file_text(first).header.has_value()) << first;
}

// The columns headed as the coordinate system give their texts, each once,
// for the conversion to tell which system they name.
TEST(XyText, SystemColumnsGiveTheTextsTheirLinesHold)
{
    const auto many = [] {
        std::string text = "X,Y,CRS\n";
        for (int k = 0; k < 9; ++k)
            text += "1,2,EPSG:" + std::to_string(k) + "\n";
        return text;
    }();
    // clang-format off
    const struct {
        std::string text;
        std::vector<marovin::XySystemColumn> systems;
    } cases[] = {
        {"HoleID,Easting,Northing,Grid\nA,1,2,NAD83 / UTM zone 9N\r\nB,3,4,NAD83 / UTM zone 9N\n",
         {{3, "Grid", false, {"NAD83 / UTM zone 9N"}, false}}},
        {"EPSG;ID;X;Y;Projection\n26909;1;2;3;utm\n26910;2;3;4;utm", 
         {{0, "EPSG", true, {"26909", "26910"}, false}, {4, "Projection", false, {"utm"}, false}}},
        {"X Y Coordinate_System\n1 2 EPSG:1\n1 2", {{2, "Coordinate_System", false, {"EPSG:1", ""}, false}}},
        {"X,Y,\"coordinate system\"\n1,2,\"EPSG:1\"", {{2, "coordinate system", false, {"EPSG:1"}, false}}},
        {many, {{2, "CRS", false, {"EPSG:0", "EPSG:1", "EPSG:2", "EPSG:3", "EPSG:4", "EPSG:5", "EPSG:6", "EPSG:7"},
                 true}}},
        {"X,Y,System\n1,2,EPSG:1", {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        const marovin::XyText text = marovin::xy_file_text(c.text);
        ASSERT_TRUE(text.header.has_value()) << shown(c.text);
        EXPECT_TRUE(text.header->systems == c.systems) << shown(c.text);
    }
}

TEST(XyText, HeaderLinesThatCannotBeReadFailNamingTheirFields)
{
    struct {
        marovin::XyLayout layout;
        const char* text;
        const char* message;
    } const cases[] = {
        {marovin::XyLayout::NumberXYZ, "Nom,Breite,Laenge\r\n1,2,3\r\n",
         "line 1 names the columns \"Nom\", \"Breite\", \"Laenge\", but not which hold X and Y; read in the order "
         "of the file type \"Number,X,Y,Z\", it should hold 4"},
        {marovin::XyLayout::NumberXY, "\r\nEasting;Northing\r\n1;2\r\n",
         "line 2 names the columns \"Easting\", \"Northing\", none of them the Number that the file type "
         "\"Number,X,Y\" takes"},
        {marovin::XyLayout::XY, "Station,Easting,Northing\r\n1,2\r\n",
         "line 2 holds 2 fields, but the header line 1 names 3"},
        {marovin::XyLayout::XY, "Easting,Northing\r\n1,north\r\n", "point 1, line 2: Y \"north\" is not a number"},
    };
    for (const auto& c : cases) {
        auto points = marovin::read_xy_points(marovin::xy_file_text(c.text), c.layout);
        ASSERT_FALSE(points.ok()) << shown(c.text);
        EXPECT_EQ(points.error(), c.message) << shown(c.text);
    }
}

class XyFileTest : public ::testing::Test {
protected:
    support::ScratchFolder scratch;
    const fs::path folder = scratch.path();
};

TEST_F(XyFileTest, LoadingReadsTheFileAndNeverWritesIt)
{
    const std::string bytes = "\xEF\xBB\xBF"
                              "1;496000,55;5314000,25;450,5\n\n";
    const fs::path file = scratch.write("pts.xyz", bytes);
    const auto before = fs::last_write_time(file);
    auto loaded = marovin::load_xy_file(file.string());
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(loaded->text, "1,496000.55,5314000.25,450.5\r\n");
    EXPECT_EQ(loaded->left_out, std::vector<std::int64_t>{2});
    EXPECT_EQ(support::read_bytes(file), bytes);
    EXPECT_EQ(fs::last_write_time(file), before);
    EXPECT_EQ(scratch.names(), std::vector<std::string>{"pts.xyz"});
}

TEST_F(XyFileTest, FilesThatAreNoTextFailNamingThem)
{
    const fs::path binary = scratch.write("trace.xyz", std::string("1;2\0;3\r\n", 8));
    const struct {
        fs::path path;
        const char* says;
    } cases[] = {
        {binary, "is not a text file"},
        {folder, "is a folder"},
        {folder / "gone.xyz", "cannot open"},
    };
    for (const auto& c : cases) {
        auto loaded = marovin::load_xy_file(c.path.string());
        ASSERT_FALSE(loaded.ok()) << c.path;
        EXPECT_NE(loaded.error().find(c.path.string()), std::string::npos) << loaded.error();
        EXPECT_NE(loaded.error().find(c.says), std::string::npos) << loaded.error();
    }
}

} // namespace
