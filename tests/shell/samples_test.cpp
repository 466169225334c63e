// The sample line the build writes into the program folder: the SU and SEG-Y
// files hold the same traces, and stations.xyz the same receivers.
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <string>

namespace {

QByteArray sample(const char* name)
{
    QFile file(QStringLiteral(MAROVIN_PROGRAM_DIR "/samples/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

std::int32_t word(const QByteArray& bytes, qsizetype position, int size, bool bigEndian)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[position - 1 + (bigEndian ? i : size - 1 - i)]);
        value = (value << 8) | byte;
    }
    if (size == 2)
        return static_cast<std::int16_t>(value);
    return static_cast<std::int32_t>(value);
}

TEST(SampleLine, SuAndSegyHoldTheSameTracesAsTheStationFile)
{
    const QByteArray su = sample("aire.su");
    const QByteArray segy = sample("aire.sgy");
    const QByteArray xyz = sample("stations.xyz");
    constexpr int traces = 300, samples = 250, traceLength = 240 + 4 * samples;
    ASSERT_EQ(su.size(), traces * traceLength);
    ASSERT_EQ(segy.size(), 3600 + traces * traceLength);

    // SEG-Y file header: EBCDIC "C 1" card, then the binary header.
    EXPECT_EQ(static_cast<std::uint8_t>(segy[0]), 0xC3);
    EXPECT_EQ(word(segy, 3217, 2, true), 4000);
    EXPECT_EQ(word(segy, 3221, 2, true), samples);
    EXPECT_EQ(word(segy, 3225, 2, true), 5);

    const QStringList lines = QString::fromLatin1(xyz).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), traces);
    ASSERT_TRUE(xyz.endsWith("\r\n"));

    for (int t = 0; t < traces; ++t) {
        const qsizetype su0 = qsizetype(t) * traceLength;
        const qsizetype sg0 = 3600 + qsizetype(t) * traceLength;
        for (const auto& [position, size] : {std::pair{1, 4}, {9, 4}, {13, 4}, {17, 4}, {21, 4}, {71, 2},
                                             {73, 4}, {77, 4}, {81, 4}, {85, 4}, {115, 2}, {117, 2}})
            ASSERT_EQ(word(su, su0 + position, size, false), word(segy, sg0 + position, size, true))
                << "trace " << t + 1 << " word " << position;
        EXPECT_EQ(word(su, su0 + 1, 4, false), t + 1);
        EXPECT_EQ(word(su, su0 + 9, 4, false), 101 + t / 30);     // FFID
        EXPECT_EQ(word(su, su0 + 13, 4, false), 1 + t % 30);      // channel
        EXPECT_EQ(word(su, su0 + 17, 4, false), 1000 + 30 * (t / 30)); // shot point
        EXPECT_GT(word(su, su0 + 21, 4, false), 2000);            // CDP
        EXPECT_EQ(word(su, su0 + 71, 2, false), -100);
        EXPECT_EQ(word(su, su0 + 115, 2, false), samples);

        // Receiver X/Y, in centimetres, are the station's metres.
        const QStringList fields = lines[t].split(QLatin1Char(';'));
        ASSERT_EQ(fields.size(), 4) << lines[t].toStdString();
        EXPECT_EQ(fields[0].toInt(), 1001 + t);
        EXPECT_EQ(word(su, su0 + 81, 4, false), qRound64(fields[1].toDouble() * 100));
        EXPECT_EQ(word(su, su0 + 85, 4, false), qRound64(fields[2].toDouble() * 100));
        // Inside UTM zone 32 near 9 deg E, 48 deg N, 25 m apart.
        EXPECT_NEAR(fields[1].toDouble(), 499000, 3500);
        EXPECT_NEAR(fields[2].toDouble(), 5316000, 3000);
        if (t > 0) {
            const QStringList previous = lines[t - 1].split(QLatin1Char(';'));
            EXPECT_NEAR(std::hypot(fields[1].toDouble() - previous[1].toDouble(),
                                   fields[2].toDouble() - previous[2].toDouble()),
                        25.0, 1e-9);
        }
    }
}

} // namespace
