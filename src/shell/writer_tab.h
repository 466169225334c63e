#pragma once
// What a road's tab gives the KML writer and the earth-viewer button that
// follows it, and how the tab's step buttons follow their runs. Both input
// tabs are writer tabs; what the two buttons do is writeKml and launchViewer
// (window_parts.h).

#include <QString>

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
