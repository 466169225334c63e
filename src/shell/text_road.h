#pragma once
// The text road's handlers: choosing the XY text file and showing it as it
// will be converted, naming the KML file, converting the points, writing
// them as a KML file, opening that file in the earth viewer.

#include "conversion/road.h"
#include "readers/xy_text.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct WindowParts;

class TextRoad {
public:
    explicit TextRoad(WindowParts& window);

    void Command1_Click();
    void Command2_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();

private:
    // The road's request as the file and the boxes name it; nothing, after
    // telling why, when they name nothing that can be converted.
    std::optional<marovin::RoadRequest> conversionRequest();
    // Whether the file is converted as the "Information" tab shows it; if
    // not, shows it and asks the user to check it first.
    bool shownBeforeConverting(const QString& path, const marovin::XyText& text);
    void showFailure(const marovin::RoadError& failure);
    // Shows an XY file's normalised text on the "Information" tab, under
    // what the file says of itself, and keeps it as the text Command9
    // converts. Gives the system the file names.
    marovin::FileNamedSystem showXyText(const QString& path, const marovin::XyText& text);
    // Whether `text` of the file in `path` is what the tab was given last.
    bool isXyTextShown(const QString& path, const marovin::XyText& text) const;
    // Takes over what the file says of itself: the layout of an SPS file or
    // of a header line that names the columns, and the system it names.
    // Gives the reminder to show.
    QString takeWhatTheFileSays(const marovin::XyText& text, const marovin::FileNamedSystem& system);

    WindowParts& w_;
    // The XY file as the "Information" tab was last given it: its path (as
    // in Text1), its normalised text (one buffer, shared with the viewer)
    // and its blank lines. Command9 converts nothing else.
    QString shownPath_;
    QByteArray shownText_;
    std::vector<std::int64_t> shownLeftOut_;
};
