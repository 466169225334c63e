#pragma once
// Tab 2, "Information": the manual, or a file the roads show (a seismic
// file's headers, an XY file's points, the KML file written). Whatever it
// shows, the manual is one click away: a link above any text that is not
// the manual leads back to it.

#include "base/result.h"

#include <QByteArray>
#include <QString>

#include <functional>

class InfoView;
class QObject;
class QWidget;

class InformationPanel {
public:
    // Makes the tab's viewer on its page.
    explicit InformationPanel(QWidget* page);

    // `showManual` runs when the user follows the link to the manual.
    void connect(QObject* context, std::function<void()> showManual);

    // Shows the manual (an RTF file, or any other file as plain text),
    // replacing what was shown. On failure the view is left as it was and
    // the message names the file.
    marovin::Status showManual(const QString& path);
    // Shows a text, or bytes as a plain-text file holding them would be
    // shown, or a file.
    void showText(const QString& text);
    void showBytes(QByteArray bytes);
    marovin::Status showFile(const QString& path);

private:
    InfoView* RichTextBox1;
};
