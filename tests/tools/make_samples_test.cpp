// The sample line the build writes into the program folder: the SU and SEG-Y
// files hold the same traces, and stations.xyz the same receivers.
#include "support/scratch_folder.h"
#include "support/seismic_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using support::word_at;

std::string sample(const char* name)
{
    return support::read_bytes(std::string(MAROVIN_PROGRAM_DIR "/samples/") + name);
}

TEST(SampleLine, SuAndSegyHoldTheSameTracesAsTheStationFile)
{
    const std::string su = sample("aire.su");
    const std::string segy = sample("aire.sgy");
    const std::string xyz = sample("stations.xyz");
    constexpr std::size_t traces = 300, samples = 250, traceLength = 240 + 4 * samples;
    ASSERT_EQ(su.size(), traces * traceLength);
    ASSERT_EQ(segy.size(), 3600 + traces * traceLength);

    // SEG-Y file header: EBCDIC "C 1" card, then the binary header.
    EXPECT_EQ(static_cast<std::uint8_t>(segy[0]), 0xC3);
    EXPECT_EQ(word_at(segy, 3217, 2, true), 4000);
    EXPECT_EQ(word_at(segy, 3221, 2, true), 250);
    EXPECT_EQ(word_at(segy, 3225, 2, true), 5);

    std::vector<std::vector<double>> stations; // number, X, Y, Z
    std::istringstream lines(xyz);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_TRUE(line.ends_with('\r')) << line;
        std::vector<double> fields;
        std::istringstream values(line);
        for (std::string field; std::getline(values, field, ';');)
            fields.push_back(std::stod(field));
        ASSERT_EQ(fields.size(), 4u) << line;
        stations.push_back(fields);
    }
    ASSERT_EQ(stations.size(), traces);

    for (std::size_t t = 0; t < traces; ++t) {
        const std::size_t su0 = t * traceLength, sg0 = 3600 + t * traceLength;
        const auto word = [&](std::size_t position, int size) { return word_at(su, su0 + position, size, false); };
        for (const auto& [position, size] : {std::pair{1, 4},
                                             {9, 4},
                                             {13, 4},
                                             {17, 4},
                                             {21, 4},
                                             {71, 2},
                                             {73, 4},
                                             {77, 4},
                                             {81, 4},
                                             {85, 4},
                                             {115, 2},
                                             {117, 2}})
            ASSERT_EQ(word(position, size), word_at(segy, sg0 + position, size, true))
                << "trace " << t + 1 << " word " << position;
        const auto n = static_cast<std::int32_t>(t);
        EXPECT_EQ(word(1, 4), n + 1);
        EXPECT_EQ(word(9, 4), 101 + n / 30);          // FFID
        EXPECT_EQ(word(13, 4), 1 + n % 30);           // channel
        EXPECT_EQ(word(17, 4), 1000 + 30 * (n / 30)); // shot point
        EXPECT_GT(word(21, 4), 2000);                 // CDP
        EXPECT_EQ(word(71, 2), -100);
        EXPECT_EQ(word(115, 2), 250);

        // Receiver X/Y, in centimetres, are the station's metres.
        const std::vector<double>& s = stations[t];
        EXPECT_EQ(s[0], 1001 + n);
        EXPECT_EQ(word(81, 4), std::llround(s[1] * 100));
        EXPECT_EQ(word(85, 4), std::llround(s[2] * 100));
        // Inside UTM zone 32 near 9 deg E, 48 deg N, 25 m apart.
        EXPECT_NEAR(s[1], 499000, 3500);
        EXPECT_NEAR(s[2], 5316000, 3000);
        if (t > 0) {
            EXPECT_NEAR(std::hypot(s[1] - stations[t - 1][1], s[2] - stations[t - 1][2]), 25.0, 1e-9);
        }
    }
}

} // namespace
