#include "settings/remembered_file.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// The remembered seismic file is "Fichier 1" of section "TERVALO", given
// whole: the cut to 89 characters is made on the decoded path.
TEST(RememberedFile, IsFichier1OfTheTervaloSectionGivenWhole)
{
    const support::ScratchFolder dir;
    const std::string ini = dir.file("Tervalo.ini");
    EXPECT_EQ(*marovin::read_remembered_seismic_file(ini), std::nullopt);
    const std::string longPath = "/data/" + std::string(114, 'x') + ".sgy";
    ASSERT_TRUE(marovin::write_remembered_seismic_file(ini, longPath));
    EXPECT_EQ(support::read_bytes(ini), "[TERVALO]\r\nFichier 1=" + longPath + "\r\n");
    EXPECT_EQ(*marovin::read_remembered_seismic_file(ini), longPath);
    // A lone quote is stored and read back as it is, not as half a pair.
    ASSERT_TRUE(marovin::write_remembered_seismic_file(ini, "\""));
    EXPECT_EQ(*marovin::read_remembered_seismic_file(ini), "\"");
}

} // namespace
