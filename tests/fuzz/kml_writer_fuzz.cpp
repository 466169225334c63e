// The KML writer with any label texts and point values.
//
// Input: a byte giving the label frequency (1 to 8), a byte giving the number
// of points (0 to 15), three little-endian 16-bit words per point (longitude
// and latitude in hundredths of a degree, the point number), then the prefix
// up to a NUL byte and the description (the rest).
//
// Properties: whatever bytes the prefix and description hold, the document
// is well-formed XML (xml_check.h): a kml root, one Document, in it one
// Placemark per point, with a name and a description on every k-th point
// only, the name ending in the point number as number_text gives it, the
// coordinates "lon,lat" reading back as the table's numbers; and where the
// labels are text XML can carry (UTF-8 of allowed characters), an XML reader
// gets them back exactly.
#include "fuzz_support.h"
#include "xml_check.h"

#include "kml/kml_writer.h"
#include "base/number_text.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using namespace marovin;
using marovin::fuzz::Input;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    KmlLabels labels;
    labels.frequency = input.byte() % 8 + 1;
    const std::int32_t points = input.byte() % 16;
    std::vector<double> longitude, latitude;
    std::vector<std::int32_t> number;
    for (std::int32_t row = 1; row <= points; ++row) {
        longitude.push_back(input.i16() / 100.0);
        latitude.push_back(input.i16() / 100.0);
        number.push_back(input.i16());
    }
    const PointTable table(std::move(longitude), std::move(latitude), std::move(number));
    labels.prefix = std::string(input.text());
    labels.description = std::string(input.rest());

    std::ostringstream out;
    const Status written = write_kml_document(out, table, labels);
    FUZZ_CHECK(written.ok(), written.error());
    const std::string doc = out.str();
    const std::string about =
        "prefix " + fuzz::printable(labels.prefix) + ", description " + fuzz::printable(labels.description) + ": ";

    const fuzz::XmlReading xml = fuzz::read_xml(doc);
    FUZZ_CHECK(xml.problem.empty(), about + "not well-formed XML: " + xml.problem);
    FUZZ_CHECK(!xml.elements.empty() && xml.elements[0].name == "kml", about + "the root is not kml");

    // Each Placemark (a child of the Document) with the parts found inside it.
    struct Placemark {
        const fuzz::XmlElement* name = nullptr;
        const fuzz::XmlElement* description = nullptr;
        const fuzz::XmlElement* coordinates = nullptr;
    };
    std::vector<Placemark> placemarks;
    int documents = 0;
    bool inside = false;
    for (const fuzz::XmlElement& element : xml.elements) {
        if (element.depth <= 2)
            inside = false;
        if (element.name == "Document")
            FUZZ_CHECK(element.depth == 1 && ++documents == 1, about + "a Document that is not the one child of kml");
        if (element.name == "Placemark") {
            FUZZ_CHECK(element.depth == 2, about + "a Placemark outside the Document");
            placemarks.emplace_back();
            inside = true;
        } else if (inside && element.name == "name") {
            placemarks.back().name = &element;
        } else if (inside && element.name == "description") {
            placemarks.back().description = &element;
        } else if (inside && element.name == "coordinates") {
            placemarks.back().coordinates = &element;
        }
    }
    FUZZ_CHECK(placemarks.size() == static_cast<std::size_t>(points),
               about + std::to_string(placemarks.size()) + " placemarks for " + std::to_string(points) + " points");

    const bool labels_readable = fuzz::xml_text_allowed(labels.prefix) && fuzz::xml_text_allowed(labels.description);
    for (std::int32_t row = 1; row <= points; ++row) {
        const Placemark& p = placemarks[static_cast<std::size_t>(row - 1)];
        const std::string where = about + "point " + std::to_string(row) + ": ";
        const bool labelled = row % labels.frequency == 0;
        FUZZ_CHECK((p.name != nullptr) == labelled && (p.description != nullptr) == labelled,
                   where + (labelled ? "no name or description" : "a name or description where none belongs"));
        if (labelled) {
            const std::string number = number_text(table.number()[static_cast<std::size_t>(row - 1)]);
            const std::string& name = p.name->text;
            FUZZ_CHECK(name.size() >= number.size() &&
                           name.compare(name.size() - number.size(), number.size(), number) == 0,
                       where + "the name " + fuzz::printable(name) + " does not end in the number");
            if (labels_readable) {
                FUZZ_CHECK(name == labels.prefix + number, where + "the name reads " + fuzz::printable(name));
                FUZZ_CHECK(p.description->text == labels.description,
                           where + "the description reads " + fuzz::printable(p.description->text));
            }
        }
        // "lon,lat": both numbers read back as the table holds them.
        FUZZ_CHECK(p.coordinates != nullptr, where + "no coordinates");
        const std::string& tuple = p.coordinates->text;
        char* end = nullptr;
        const double longitude = std::strtod(tuple.c_str(), &end);
        FUZZ_CHECK(*end == ',', where + "coordinates " + fuzz::printable(tuple));
        const double latitude = std::strtod(end + 1, &end);
        FUZZ_CHECK(*end == '\0' && longitude == table.longitude()[static_cast<std::size_t>(row - 1)] &&
                       latitude == table.latitude()[static_cast<std::size_t>(row - 1)],
                   where + "coordinates " + fuzz::printable(tuple));
    }
    return 0;
}
