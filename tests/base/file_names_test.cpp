#include "base/file_names.h"

#include <gtest/gtest.h>

namespace {

// SU or SEG-Y is told by the last two characters in any case, a seismic
// file by a name ending in SU or SGY.
TEST(FileNames, TheEndOfTheNameTellsSuAndSeismicFiles)
{
    const struct {
        const char* path;
        bool su, seismic;
    } cases[] = {
        {"/data/line1.su", true, true},
        {"/data/line1.Su", true, true},
        {"/data/dosu", true, true},
        {"/data/LINE1.SGY", false, true},
        {"/data/line1.Sgy", false, true},
        {"/data/line1.segy", false, false},
        {"/data/line1.sux", false, false},
        {"/data/pts.xyz", false, false},
        {"u", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(marovin::is_su_path(c.path), c.su) << c.path;
        EXPECT_EQ(marovin::is_seismic_name(c.path), c.seismic) << c.path;
    }
}

TEST(KmlNaming, SeismicNameCutsTwoOrThreeCharactersAndCapitalisesTheFileName)
{
    struct {
        const char* path;
        const char* kml;
    } const cases[] = {
        {"/data/seis/line1.sgy", "/data/seis/LINE1.KML"},
        {"/data/seis/line1.su", "/data/seis/LINE1.KML"},
        {"/data/seis/line1.segy", "/data/seis/LINE1.SKML"},
        {"/data/Seis/dosu", "/data/Seis/DOKML"},
        {"relative.sgy", "RELATIVE.KML"},
        {"/data/été/ligne.sgy", "/data/été/LIGNE.KML"},
    };
    for (const auto& c : cases) {
        auto name = marovin::seismic_kml_name(c.path);
        ASSERT_TRUE(name.ok()) << c.path;
        EXPECT_EQ(*name, c.kml) << c.path;
    }
    EXPECT_FALSE(marovin::seismic_kml_name("ab").ok());
    EXPECT_FALSE(marovin::seismic_kml_name("u").ok());
    EXPECT_EQ(*marovin::seismic_kml_name("su"), "KML");
}

TEST(KmlNaming, TextNameCutsThreeCharactersKeepingCase)
{
    EXPECT_EQ(*marovin::text_kml_name("/Survey/line1.xyz"), "/Survey/line1.KML");
    EXPECT_EQ(*marovin::text_kml_name("/Survey/points.data"), "/Survey/points.dKML");
    EXPECT_EQ(*marovin::text_kml_name("/Survey/pts.été"), "/Survey/pts.KML"); // characters, not bytes
    EXPECT_EQ(*marovin::text_kml_name("abc"), "KML");
    EXPECT_FALSE(marovin::text_kml_name("ab").ok());
}

TEST(FileNames, CsvBesideKmlAndTheResultBesideItsJob)
{
    EXPECT_EQ(marovin::csv_name("/data/LINE1.KML"), "/data/LINE1.CSV");
    EXPECT_EQ(marovin::csv_name("pts.dKML"), "pts.dCSV");
    EXPECT_EQ(marovin::kmz_name("/data/LINE1.KML"), "/data/LINE1.kmz");
    EXPECT_EQ(marovin::kmz_name("pts.dKML"), "pts.dKML.kmz");
    EXPECT_TRUE(marovin::is_kmz_name("/data/a.KmZ"));
    EXPECT_FALSE(marovin::is_kmz_name("/data/a.kmz/LINE1.KML"));
    const struct {
        const char* path;
        bool result;
        const char* result_of_job;
    } cases[] = {
        {"/tmp/w/File.cvd", false, "/tmp/w/File.cva"},       {"/tmp/w/File.cva", true, "/tmp/w/File.cva"},
        {"/tmp/w/FILE.CVA", true, "/tmp/w/FILE.cva"},        {"/tmp/w/job", false, "/tmp/w/job.cva"},
        {"/tmp/w.cva/job.cvd", false, "/tmp/w.cva/job.cva"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(marovin::is_result_file(c.path), c.result) << c.path;
        EXPECT_EQ(marovin::result_file_of(c.path), c.result_of_job) << c.path;
    }
}

} // namespace
