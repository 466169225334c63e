#pragma once
// The placemark of one point exactly as the KML document writes it, for
// every writer of placemarks (the plain document and the KMZ tiles), and the
// buffered sinks they write into. Internal to the kml layer.

#include "base/number_text.h"
#include "conversion/point_table.h"
#include "kml/kml_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace marovin::kml_detail {

// Collects text in a buffer that grows as needed: the tiles of a KMZ.
class TextSink {
public:
    // Room for `size` more bytes, to be ended with advance_to().
    char* reserve(std::size_t size)
    {
        if (text_.size() < used_ + size)
            text_.resize(std::max(2 * text_.size(), used_ + size));
        return text_.data() + used_;
    }
    void advance_to(char* end) { used_ = static_cast<std::size_t>(end - text_.data()); }
    void write(std::string_view text)
    {
        char* p = reserve(text.size());
        std::memcpy(p, text.data(), text.size());
        used_ += text.size();
    }
    void line(std::string_view text)
    {
        write(text);
        write("\r\n");
    }
    std::string_view text() const { return {text_.data(), used_}; }
    void clear() { used_ = 0; }

private:
    std::string text_;
    std::size_t used_ = 0;
};

// Collects lines in a large buffer and hands it to the stream when full, so
// the stream sees few large writes instead of millions of small ones.
class LineSink {
public:
    explicit LineSink(std::ostream& out) : out_(out), buffer_(std::make_unique<char[]>(kCapacity)) {}

    // Room for `size` (at most half the buffer) more bytes; flushes when
    // needed. Longer texts go through write().
    char* reserve(std::size_t size)
    {
        if (size_ + size > kCapacity)
            flush();
        return buffer_.get() + size_;
    }
    void advance_to(char* end) { size_ = static_cast<std::size_t>(end - buffer_.get()); }

    void write(std::string_view text)
    {
        if (text.size() > kCapacity / 2) {
            flush();
            out_.write(text.data(), static_cast<std::streamsize>(text.size()));
            return;
        }
        char* p = reserve(text.size());
        std::memcpy(p, text.data(), text.size());
        size_ += text.size();
    }
    void line(std::string_view text)
    {
        write(text);
        write("\r\n");
    }

    void flush()
    {
        if (size_ > 0)
            out_.write(buffer_.get(), static_cast<std::streamsize>(size_));
        size_ = 0;
    }
    bool good() const { return static_cast<bool>(out_); }

private:
    static constexpr std::size_t kCapacity = 1024 * 1024;
    std::ostream& out_;
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0;
};

// The document's first lines, up to its <Document>.
template <class Sink>
void write_document_head(Sink& sink)
{
    sink.line(R"(<?xml version="1.0" encoding="UTF-8"?>)");
    sink.write(R"(<kml xmlns=")");
    sink.write(kKmlNamespace);
    sink.line(R"(">)");
    sink.line("<Document>");
}

// The one icon style every point's placemark refers to, its icon at
// `icon_href`.
template <class Sink>
void write_icon_style(Sink& sink, std::string_view icon_href)
{
    sink.write(R"(<Style id=")");
    sink.write(kKmlStyleId);
    sink.line(R"(">)");
    sink.line("<IconStyle>");
    sink.line("<scale>0.2</scale>");
    sink.line("<Icon>");
    sink.write("<href>");
    sink.write(icon_href);
    sink.line("</href>");
    sink.line("</Icon>");
    sink.line("</IconStyle>");
    sink.line("</Style>");
}

// The placemark blocks of a table's points: everything of a block that does
// not depend on the point is made once.
class PlacemarkBlocks {
public:
    PlacemarkBlocks(const PointTable& table, const KmlLabels& labels)
        : longitude_(table.longitude()), latitude_(table.latitude()), number_(table.number()), table_(table),
          frequency_(labels.frequency), prefix_(xml_text(labels.prefix)),
          style_point_("<styleUrl>#" + std::string(kKmlStyleId) + "</styleUrl>\r\n<Point>\r\n<coordinates>"),
          plain_open_("<Placemark>\r\n" + style_point_), name_open_("<Placemark>\r\n<name>" + prefix_),
          name_close_description_("</name>\r\n<description>" + xml_text(labels.description) + "</description>\r\n" +
                                  style_point_),
          labelled_size_(name_open_.size() + name_close_description_.size()), labels_fit_(labelled_size_ < 64 * 1024)
    {}

    // The name point i carries when labelled, as XML text: "Station 5",
    // "Station BX23-001".
    std::string label(std::size_t i) const
    {
        const std::string_view name = table_.name(i);
        return prefix_ + (name.empty() ? number_text(number_[i]) : " " + xml_text(name));
    }

    // Whether point i (0-based) carries its name: i + 1 is a multiple of the
    // label frequency, whatever else is written with it.
    bool labelled(std::size_t i) const { return (i + 1) % static_cast<std::size_t>(frequency_) == 0; }

    // Writes the block of point i, labelled or not.
    template <class Sink>
    void write(Sink& sink, std::size_t i, bool labelled) const
    {
        const std::string_view name = labelled ? table_.name(i) : std::string_view();
        if (!name.empty()) {
            // A name that is text: "<prefix> <name>".
            sink.write(name_open_);
            sink.write(" ");
            sink.write(xml_text(name));
            sink.write(name_close_description_);
        } else if (labelled && !labels_fit_) {
            // Huge prefix or description: written piece by piece.
            sink.write(name_open_);
            char* p = sink.reserve(kNumberTextMax);
            sink.advance_to(write_number_text(p, number_[i]));
            sink.write(name_close_description_);
        } else if (labelled) {
            char* p = sink.reserve(labelled_size_ + kNumberTextMax);
            std::memcpy(p, name_open_.data(), name_open_.size());
            p = write_number_text(p + name_open_.size(), number_[i]);
            std::memcpy(p, name_close_description_.data(), name_close_description_.size());
            sink.advance_to(p + name_close_description_.size());
        } else {
            char* p = sink.reserve(plain_open_.size());
            std::memcpy(p, plain_open_.data(), plain_open_.size());
            sink.advance_to(p + plain_open_.size());
        }
        static constexpr std::string_view kClose = "</coordinates>\r\n</Point>\r\n</Placemark>\r\n";
        char* p = sink.reserve(2 * kNumberTextMax + 1 + kClose.size());
        p = write_plain_number_text(p, longitude_[i]);
        *p++ = ',';
        p = write_plain_number_text(p, latitude_[i]);
        std::memcpy(p, kClose.data(), kClose.size());
        sink.advance_to(p + kClose.size());
    }

private:
    const std::vector<double>& longitude_;
    const std::vector<double>& latitude_;
    const std::vector<std::int32_t>& number_;
    const PointTable& table_;
    int frequency_;
    std::string prefix_;
    std::string style_point_;
    std::string plain_open_;
    std::string name_open_;
    std::string name_close_description_;
    std::size_t labelled_size_;
    bool labels_fit_;
};

// Checks what every writer of a table's placemarks relies on: a label
// frequency of at least 1 and finite coordinates; names the first row at
// fault.
Status check_table(const PointTable& table, const KmlLabels& labels);

} // namespace marovin::kml_detail
