"""The reference the seismic-road benchmark times Marovin against: the same
work done the way a Python user would do it, as one process.

    /usr/bin/python3 seismic_road_reference.py LINE.sgy OUT.kml [frequency] [checked]

With "checked" it also refuses impossible points as the converter does: a
point more than 5 degrees outside the area of use of UTM zone 32 north, or one
whose degrees do not project back onto it within a millimetre, stops the run
with a message and no document. That is the same work as the road's, whose
converter checks every point so.

segyio reads the CDP number and the receiver X and Y of every trace and the
coordinate scalar of the first trace; the coordinates are divided by the
scalar's magnitude; pyproj turns them from UTM zone 32 north (EPSG:32632)
into WGS84 degrees (EPSG:4326) in one vectorised call; the KML document is
written in the layout Marovin writes: the pushpin style, a placemark a
point, "CDP N" and "Seismic line 1" on every frequency-th point, the
coordinates with the nine decimals the converter keeps, no trailing zeros
and no "0" before the point, CR LF line ends.
"""
import sys

import numpy as np
import pyproj
import segyio

HEAD = (
    '<?xml version="1.0" encoding="UTF-8"?>\r\n'
    '<kml xmlns="http://www.opengis.net/kml/2.2">\r\n'
    "<Document>\r\n"
    '<Style id="pushpin">\r\n'
    "<IconStyle>\r\n"
    "<scale>0.2</scale>\r\n"
    "<Icon>\r\n"
    "<href>http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png</href>\r\n"
    "</Icon>\r\n"
    "</IconStyle>\r\n"
    "</Style>\r\n"
)
TAIL = "</Document>\r\n</kml>\r\n"
STYLE_POINT = "<styleUrl>#pushpin</styleUrl>\r\n<Point>\r\n<coordinates>"
CLOSE = "</coordinates>\r\n</Point>\r\n</Placemark>\r\n"


def number(value):
    """The degrees as the converter writes them, nine decimals, and as the KML
    shows them: no trailing zeros, no "0" before the point. (The same text as
    Marovin's for every value from 1E-04 up to a million, every coordinate.)"""
    text = ("%.9f" % value).rstrip("0").rstrip(".")
    if text.startswith("0."):
        return text[1:]
    if text.startswith("-0."):
        return "-" + text[2:]
    return text


def refuse_impossible_points(x, y, longitudes, latitudes):
    area = pyproj.CRS("EPSG:32632").area_of_use
    margin = 5.0
    back = pyproj.Transformer.from_crs("EPSG:4326", "EPSG:32632", always_xy=True)
    bx, by = back.transform(longitudes, latitudes)
    bad = (
        ~np.isfinite(longitudes)
        | (longitudes < area.west - margin)
        | (longitudes > area.east + margin)
        | (latitudes < area.south - margin)
        | (latitudes > area.north + margin)
        | ~(np.abs(bx - x) <= 0.001)
        | ~(np.abs(by - y) <= 0.001)
    )
    if bad.any():
        first = int(np.argmax(bad))
        sys.exit("point %d (%s, %s) lies outside UTM32" % (first + 1, x[first], y[first]))


def main():
    line, out_path = sys.argv[1], sys.argv[2]
    frequency = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    checked = len(sys.argv) > 4 and sys.argv[4] == "checked"
    prefix, description = "CDP", "Seismic line 1"

    with segyio.open(line, ignore_geometry=True) as f:
        f.mmap()
        labels = f.attributes(segyio.TraceField.CDP)[:]
        x = f.attributes(segyio.TraceField.GroupX)[:].astype(np.float64)
        y = f.attributes(segyio.TraceField.GroupY)[:].astype(np.float64)
        scalar = f.header[0][segyio.TraceField.SourceGroupScalar] if f.tracecount else 0
    divisor = abs(scalar) or 1
    x /= divisor
    y /= divisor

    transformer = pyproj.Transformer.from_crs("EPSG:32632", "EPSG:4326", always_xy=True)
    longitudes, latitudes = transformer.transform(x, y)
    if checked:
        refuse_impossible_points(x, y, longitudes, latitudes)
    longitudes = longitudes.tolist()
    latitudes = latitudes.tolist()

    plain = "<Placemark>\r\n" + STYLE_POINT
    named = "<Placemark>\r\n<name>" + prefix
    described = "</name>\r\n<description>" + description + "</description>\r\n" + STYLE_POINT
    parts = [HEAD]
    append = parts.append
    for i, (lon, lat, label) in enumerate(zip(longitudes, latitudes, labels.tolist()), start=1):
        if i % frequency == 0:
            append(named + (" %d" % label if label >= 0 else "%d" % label) + described)
        else:
            append(plain)
        append(number(lon) + "," + number(lat) + CLOSE)
    append(TAIL)
    with open(out_path, "w", encoding="utf-8", newline="") as out:
        out.write("".join(parts))


if __name__ == "__main__":
    main()
