#pragma once
// What the window holds between its handlers besides its controls: the road
// chosen at start-up, the seismic file whose headers tab 3 shows, and the
// points of the last conversion run, which the grid shows and the KML
// writers write.

#include "conversion/point_table.h"
#include "readers/seismic_header.h"

#include <QString>

#include <memory>

// The road chosen at start-up, once for the whole run; Unset before.
enum class Input_Mode { Unset, SEGY, TEXT_XY };

struct RoadState {
    Input_Mode mode = Input_Mode::Unset;

    // The seismic file whose headers the last good read took, held open
    // with its layout, so that the extraction reads the file the tab shows;
    // none before a read has succeeded.
    std::shared_ptr<const marovin::SeismicFile> header;
    // The text of Text4 that `header` was read from; empty before a read has
    // succeeded. Extraction runs only on that file.
    QString headerFile;
    // What the header read found, the line under tab 3's buttons.
    QString headerLine;

    // The points of the last conversion run, whichever road made them.
    marovin::PointTable points;
};
