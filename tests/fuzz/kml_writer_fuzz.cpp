// The KML writer with any label texts and point values.
//
// Input: a byte giving the label frequency (1 to 8), a byte giving the number
// of points (0 to 15), three little-endian 16-bit words per point (longitude
// and latitude in hundredths of a degree, the point number), then the prefix
// up to a NUL byte and the description (the rest).
//
// Properties: whatever bytes the prefix and description hold, the document
// is well-formed XML (xml_check.h) with the layout of kml/kml_writer.h: a
// kml root, one Placemark per point, a name and a description on every k-th
// point, the coordinates as number_text gives them; and where the labels are
// text XML can carry (UTF-8 of allowed characters), an XML reader gets them
// back exactly.
#include "fuzz_support.h"
#include "xml_check.h"

#include "kml/kml_writer.h"
#include "kml/number_text.h"

#include <cstdint>
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
    PointTable table;
    table.recreate(points);
    for (std::int32_t row = 1; row <= points; ++row) {
        table.set_real(row, 1, input.i16() / 100.0);
        table.set_real(row, 2, input.i16() / 100.0);
        FUZZ_CHECK(table.set(row, 3, Cell::int32(input.i16())).ok(), std::string("set"));
    }
    labels.prefix = std::string(input.text());
    labels.description = std::string(input.rest());

    std::ostringstream out;
    const Status written = write_kml_document(out, table, points, labels);
    FUZZ_CHECK(written.ok(), written.error());
    const std::string doc = out.str();
    const std::string about = "prefix " + fuzz::printable(labels.prefix) + ", description " +
                              fuzz::printable(labels.description) + ": ";

    const fuzz::XmlReading xml = fuzz::read_xml(doc);
    FUZZ_CHECK(xml.problem.empty(), about + "not well-formed XML: " + xml.problem);

    // The elements in document order: kml, extrude, tessellate, Document,
    // IconStyle, Icon, href, scale, then per point Placemark, [name,
    // description,] Point, coordinates.
    std::vector<const fuzz::XmlElement*> placemark_parts;
    FUZZ_CHECK(xml.elements.size() >= 8 && xml.elements[0].name == "kml" && xml.elements[3].name == "Document",
               about + "the document does not start with kml and Document");
    const bool labels_readable = fuzz::xml_text_allowed(labels.prefix) && fuzz::xml_text_allowed(labels.description);
    std::size_t e = 8;
    for (std::int32_t row = 1; row <= points; ++row) {
        const std::string where = about + "point " + std::to_string(row) + ": ";
        FUZZ_CHECK(e < xml.elements.size() && xml.elements[e].name == "Placemark", where + "no Placemark");
        ++e;
        if (row % labels.frequency == 0) {
            FUZZ_CHECK(e + 1 < xml.elements.size() && xml.elements[e].name == "name" &&
                           xml.elements[e + 1].name == "description",
                       where + "no name and description");
            const std::string number = number_text(table.number(row, 3));
            const std::string& name = xml.elements[e].text;
            FUZZ_CHECK(name.size() >= number.size() && name.compare(name.size() - number.size(), number.size(),
                                                                    number) == 0,
                       where + "the name " + fuzz::printable(name) + " does not end in the number");
            if (labels_readable) {
                FUZZ_CHECK(name == labels.prefix + number, where + "the name reads " + fuzz::printable(name));
                FUZZ_CHECK(xml.elements[e + 1].text == labels.description,
                           where + "the description reads " + fuzz::printable(xml.elements[e + 1].text));
            }
            e += 2;
        }
        FUZZ_CHECK(e + 1 < xml.elements.size() && xml.elements[e].name == "Point" &&
                       xml.elements[e + 1].name == "coordinates",
                   where + "no Point");
        const std::string coordinates = number_text(table.number(row, 1)) + "," + number_text(table.number(row, 2));
        FUZZ_CHECK(xml.elements[e + 1].text == coordinates,
                   where + "coordinates " + fuzz::printable(xml.elements[e + 1].text));
        e += 2;
    }
    FUZZ_CHECK(e == xml.elements.size(), about + "elements after the last point");
    return 0;
}
