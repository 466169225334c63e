#pragma once
// The KMZ archive of a point table, for surveys too large for one KML
// document: an earth viewer shows its base map at once and loads the points
// only where it looks, at the detail its view needs. The plain document
// (kml_writer.h) stays what it is; this is a second way to write the same
// placemarks.
//
// The archive's entries, in order, all with CR LF line ends:
//
//   doc.kml            the root document, small whatever the survey's size:
//                      a LookAt on the survey; its outline as a Polygon;
//                      one LineString per seismic line drawn (at most
//                      kMostLinesDrawn, see survey_shape.h); each line's name on
//                      a placemark at its first and at its last point (the
//                      point's own label as description); one NetworkLink,
//                      with a Region on the survey's box, to the root tile.
//                      Lines and outline: survey_shape.h.
//   files/pushpin.png  the icon of the points and of the line ends
//   t/0.kml ...        the tiles, a quadtree over a square box around the
//                      survey, root first, then level by level. Tile "0"'s
//                      children are "00" to "03" (south-west, south-east,
//                      north-west, north-east quarter), theirs "000" and so
//                      on; quarters without points have no tile.
//
// Each point is written in exactly one tile. A tile of more than 2,000
// points keeps 1,024 of them, spread evenly over its box (a 32 by 32 grid
// of cells, each given an even share, the labelled points first), and hands
// the others to its quarters; a tile of 2,000 points or fewer keeps them all.
// A tile holds, in order: its own Region (its box, minLodPixels 128,
// maxLodPixels -1), the shared pushpin style, one NetworkLink per child
// (the child's box as Region, the same Lod, viewRefreshMode onRegion), and
// its points in file order, each placemark exactly as the plain document
// writes it (the same coordinates text; a name and a description on every
// k-th point of the table, wherever it lands).
//
// A survey across the 180th meridian gets boxes on either side of it: the
// root box is centred on the meridian, and its Region (the one box that
// crosses it, which KML's boxes from -180 to 180 cannot say) spans every
// longitude between its latitudes; the LookAt looks at the survey's middle.
//
// Tiles are made and deflated on every core while the base map is drawn,
// each as soon as its parent has handed it its points, and laid into the
// archive in their order as they come; the archive is written atomically, as
// the plain document is.

#include "base/file_names.h"
#include "base/progress.h"
#include "base/result.h"
#include "conversion/point_table.h"
#include "kml/kml_writer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace marovin {

// A node keeps at most this many points when it has children...
inline constexpr std::size_t kTileKeeps = 1024;
// ... and a tile of at most this many points has none.
inline constexpr std::size_t kTileLeafMost = 2000;
inline constexpr int kTileMinLodPixels = 128;

// Above this many points a KML document opens slowly or not at all in an
// earth viewer, and a KMZ is proposed in its place.
inline constexpr std::int32_t kKmzAdvisedAbove = 100000;

// Whether to propose the KMZ in place of the KML file `name`: the table
// holds more than kKmzAdvisedAbove points and the name ends in ".kml" (any
// case).
inline bool kmz_advised(std::int32_t points, std::string_view name)
{
    return points > kKmzAdvisedAbove && is_kml_name(name);
}

struct KmzWritten {
    std::string document; // the text of doc.kml
    std::size_t tiles = 0;
    std::size_t lines = 0; // the lines found; doc.kml draws at most kMostLinesDrawn
};

// Writes the KMZ of the table to `path`: an existing file is replaced only
// when the whole archive was written; on any failure the path keeps what it
// held and the message names it. Checks the table as write_kml_file() does.
// Tells `progress` the step WritingKml, in points written into tiles; when
// it asks to stop, stops within a tenth of a second or so and fails with
// kCancelled, leaving the path as it was and no temporary file.
Result<KmzWritten> write_kmz_file(const std::string& path, const PointTable& table, const KmlLabels& labels,
                                  Progress& progress = no_progress());

} // namespace marovin
