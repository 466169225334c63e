#pragma once
// What a road's tab gives the KML writer and the earth-viewer button that
// follows it, how the tab's step buttons follow their runs, and what the two
// buttons do. Both input tabs are writer tabs: "Write KML file" and the
// viewer button of each.

#include <QString>

struct WindowParts;

class WriterTab {
public:
    virtual ~WriterTab() = default;

    // The KML path box, and the label frequency the writer reads.
    virtual QString kmlPath() const = 0;
    virtual void setKmlPath(const QString& path) = 0;
    virtual QString labelFrequency() const = 0;

    // The writer's own button: grey while it writes, red again after a
    // failure, so the user can retry once the cause is corrected.
    virtual void writing() = 0;
    virtual void writeFailed() = 0;
    // The run was cancelled: the button is as it was before writing().
    virtual void writeCancelled() = 0;
    // The file is written: the viewer button is the next step.
    virtual void written() = 0;
    // The viewer was asked to open the file, whatever came of it.
    virtual void viewerOpened() = 0;
};

// One run of a writer button ("Write KML file"). A name ending in ".kmz"
// writes the KMZ archive; a ".kml" name for a large table first offers it.
// Every failure (a label frequency out of range, a file that cannot be
// created or written) is told in a message; nothing is written under the
// chosen name then, the viewer button is left as it was, and the writer's
// own button turns red again. A cancelled run leaves everything as it was.
void writeKml(WindowParts& window, WriterTab& tab);

// Opens the tab's KML file in the desktop's program for it without waiting
// for that program; the outcome is told when the opener ends. A path that
// names no file is told at once.
void launchViewer(WindowParts& window, WriterTab& tab);
