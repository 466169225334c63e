#include "base/file_names.h"

#include <gtest/gtest.h>

namespace {

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

} // namespace
