// Writes the sample seismic line that ships with the program, in three forms:
//
//   aire.su       SU: 240-byte trace headers and float samples, little-endian
//   aire.sgy      SEG-Y rev 1 of the same traces: 3200-byte EBCDIC text
//                 header, 400-byte binary header, big-endian IEEE floats
//   stations.xyz  the receiver stations as "Number;X;Y;Z" text lines
//
// The line: 10 shots into a 30-channel end-on spread that rolls along by 30
// stations, so the 300 traces have 300 different receiver stations (1001 to
// 1300, one every 25 m). Coordinates are UTM zone 32 north metres (WGS84
// datum) near 9 deg E, 48 deg N; the trace headers hold them in centimetres
// with the coordinate scalar -100. Usage: make_samples <output folder>.

#include "base/atomic_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kShots = 10;
constexpr int kChannels = 30;
constexpr int kTraces = kShots * kChannels;
constexpr int kSamples = 250;
constexpr int kSampleIntervalUs = 4000;
constexpr int kFirstStation = 1001;
constexpr std::int16_t kScalar = -100; // words hold value * 100

// Station n lies on a straight line heading 53 degrees east of north: 20 m
// east and 15 m north per station, 25 m apart.
struct Station {
    double x, y, z;
};

Station station(int number)
{
    const int k = number - kFirstStation;
    return {496000.0 + 20.0 * k, 5314000.0 + 15.0 * k, std::round(100.0 * (450.0 + 20.0 * std::sin(k / 40.0))) / 100.0};
}

std::int32_t centimetres(double metres) { return static_cast<std::int32_t>(std::lround(metres * 100.0)); }

// One trace header, by SEG-Y word (1-based byte positions).
struct TraceHeader {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(240, 0);
    bool big_endian = true;

    void put(int position, std::uint32_t value, int size)
    {
        for (int i = 0; i < size; ++i) {
            const int shift = big_endian ? 8 * (size - 1 - i) : 8 * i;
            bytes[static_cast<std::size_t>(position - 1 + i)] = static_cast<unsigned char>(value >> shift);
        }
    }
    void put32(int position, std::int32_t value) { put(position, static_cast<std::uint32_t>(value), 4); }
    void put16(int position, std::int16_t value) { put(position, static_cast<std::uint16_t>(value), 2); }
};

void append_word(std::string& out, std::uint32_t value, int size, bool big_endian)
{
    for (int i = 0; i < size; ++i) {
        const int shift = big_endian ? 8 * (size - 1 - i) : 8 * i;
        out += static_cast<char>(static_cast<unsigned char>(value >> shift));
    }
}

// A reflection at two-way time t0 seen at the given offset: a Ricker wavelet
// on the moveout hyperbola.
float sample_value(int index, double offset_m)
{
    const double t = index * kSampleIntervalUs * 1e-6;
    const double velocity = 2000.0;
    const double peak_hz = 25.0;
    double value = 0.0;
    for (const double t0 : {0.30, 0.62}) {
        const double arrival = std::sqrt(t0 * t0 + (offset_m / velocity) * (offset_m / velocity));
        const double a = M_PI * peak_hz * (t - arrival);
        value += (1.0 - 2.0 * a * a) * std::exp(-a * a);
    }
    return static_cast<float>(value);
}

std::string traces(bool big_endian)
{
    std::string out;
    int sequence = 0;
    for (int shot = 0; shot < kShots; ++shot) {
        const int source_station = kFirstStation - 1 + shot * kChannels;
        const Station source = station(source_station);
        for (int channel = 1; channel <= kChannels; ++channel) {
            ++sequence;
            const int receiver_station = source_station + channel;
            const Station receiver = station(receiver_station);
            const double offset = 25.0 * channel;
            TraceHeader h;
            h.big_endian = big_endian;
            h.put32(1, sequence);                           // trace sequence within line
            h.put32(5, sequence);                           // trace sequence within file
            h.put32(9, 101 + shot);                         // field record number (FFID)
            h.put32(13, channel);                           // trace within field record
            h.put32(17, source_station);                    // energy source point number
            h.put32(21, source_station + receiver_station); // CDP: midpoint, half-station bins
            h.put32(25, 1);                                 // trace within CDP
            h.put16(29, 1);                                 // seismic data
            h.put16(35, 1);                                 // production
            h.put32(37, static_cast<std::int32_t>(offset)); // source-receiver offset, m
            h.put32(41, centimetres(receiver.z));           // receiver elevation
            h.put32(45, centimetres(source.z));             // source elevation
            h.put16(69, kScalar);                           // elevation scalar
            h.put16(71, kScalar);                           // coordinate scalar
            h.put32(73, centimetres(source.x));
            h.put32(77, centimetres(source.y));
            h.put32(81, centimetres(receiver.x));
            h.put32(85, centimetres(receiver.y));
            h.put16(89, 1); // coordinates are lengths (m)
            h.put16(115, kSamples);
            h.put16(117, kSampleIntervalUs);
            out.append(reinterpret_cast<const char*>(h.bytes.data()), h.bytes.size());
            for (int i = 0; i < kSamples; ++i) {
                const float value = sample_value(i, offset);
                std::uint32_t bits = 0;
                std::memcpy(&bits, &value, sizeof bits);
                append_word(out, bits, 4, big_endian);
            }
        }
    }
    return out;
}

// EBCDIC (code page 037) for the characters the text header uses; anything
// else becomes a blank.
unsigned char to_ebcdic(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned char>(0xF0 + (c - '0'));
    if (c >= 'A' && c <= 'I')
        return static_cast<unsigned char>(0xC1 + (c - 'A'));
    if (c >= 'J' && c <= 'R')
        return static_cast<unsigned char>(0xD1 + (c - 'J'));
    if (c >= 'S' && c <= 'Z')
        return static_cast<unsigned char>(0xE2 + (c - 'S'));
    switch (c) {
    case '.': return 0x4B;
    case '(': return 0x4D;
    case '+': return 0x4E;
    case ')': return 0x5D;
    case '-': return 0x60;
    case '/': return 0x61;
    case ',': return 0x6B;
    case ':': return 0x7A;
    case '=': return 0x7E;
    default: return 0x40;
    }
}

std::string text_header()
{
    const char* const cards[] = {
        "SAMPLE LINE AIRE - SYNTHETIC DATA WRITTEN BY THE MAROVIN BUILD",
        "10 SHOTS (FFID 101-110), 30 CHANNELS, END-ON SPREAD ROLLED BY 30 STATIONS",
        "RECEIVER STATIONS 1001-1300, 25 M APART, SHOT POINTS AT STATIONS 1000-1270",
        "COORDINATES UTM ZONE 32 NORTH (WGS84), METRES, SCALAR -100 (WORDS IN CM)",
        "RECEIVERS 1001 X=496000 Y=5314000 TO 1300 X=501980 Y=5318485",
        "250 SAMPLES PER TRACE, 4 MS, IEEE FLOAT (FORMAT 5), TWO RICKER REFLECTIONS",
        "CDP = SHOT STATION + RECEIVER STATION (HALF-STATION BINS)",
    };
    std::string header;
    for (int card = 0; card < 40; ++card) {
        char line[81];
        const char* text = card < static_cast<int>(std::size(cards)) ? cards[card] : "";
        if (card == 38)
            text = "SEG Y REV1";
        if (card == 39)
            text = "END TEXTUAL HEADER";
        std::snprintf(line, sizeof line, "C%2d %-76.76s", card + 1, text);
        for (int i = 0; i < 80; ++i)
            header += static_cast<char>(to_ebcdic(line[i]));
    }
    return header;
}

std::string binary_header()
{
    std::string header(400, '\0');
    auto put = [&header](int position, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            header[static_cast<std::size_t>(position - 3201 + i)] =
                static_cast<char>(static_cast<unsigned char>(value >> (8 * (size - 1 - i))));
    };
    put(3201, 1, 4);         // job
    put(3205, 1, 4);         // line
    put(3209, 1, 4);         // reel
    put(3213, kChannels, 2); // data traces per ensemble
    put(3217, kSampleIntervalUs, 2);
    put(3219, kSampleIntervalUs, 2);
    put(3221, kSamples, 2);
    put(3223, kSamples, 2);
    put(3225, 5, 2);      // IEEE float
    put(3227, 1, 2);      // fold
    put(3229, 1, 2);      // sorted as recorded
    put(3255, 1, 2);      // metres
    put(3501, 0x0100, 2); // revision 1.0
    put(3503, 1, 2);      // every trace as long as the first
    return header;
}

std::string stations_text()
{
    std::string text;
    for (int n = kFirstStation; n < kFirstStation + kTraces; ++n) {
        const Station s = station(n);
        char line[96];
        std::snprintf(line, sizeof line, "%d;%.2f;%.2f;%.2f\r\n", n, s.x, s.y, s.z);
        text += line;
    }
    return text;
}

bool write(const std::string& path, const std::string& content)
{
    marovin::Result<marovin::AtomicFile> file = marovin::AtomicFile::create(path);
    if (!file) {
        std::fprintf(stderr, "make_samples: %s\n", file.error().c_str());
        return false;
    }
    file->stream().write(content.data(), static_cast<std::streamsize>(content.size()));
    const marovin::Status done = file->commit();
    if (!done) {
        std::fprintf(stderr, "make_samples: %s\n", done.error().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = write(folder + "/aire.su", traces(false)) &&
                    write(folder + "/aire.sgy", text_header() + binary_header() + traces(true)) &&
                    write(folder + "/stations.xyz", stations_text());
    return ok ? 0 : 1;
}
