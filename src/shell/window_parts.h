#pragma once
// The parts of the window that its road controllers work with: the four
// panels of the tab control, the road state, the file dialog, the desktop
// and where the program's files are; and the two writer buttons both roads
// share (writer_buttons.cpp). The window makes them and gives each
// controller this view of them; the panels know nothing of the controllers.

#include "conversion/road.h"
#include "shell/common_dialog.h"
#include "shell/desktop.h"
#include "shell/message_title.h"
#include "shell/program_folder.h"
#include "shell/road_state.h"

#include <QString>

class DataPanel;
class InformationPanel;
class LongRun;
class QWidget;
class SeismicPanel;
class TabControl;
class WriterTab;
class XyInputPanel;

struct WindowParts {
    QWidget& window;
    Desktop& desktop;
    const ProgramFolder& program;
    TabControl& SSTab1;
    XyInputPanel& xyInput;         // tab 0
    DataPanel& data;               // tab 1
    InformationPanel& information; // tab 2
    SeismicPanel& seismic;         // tab 3
    RoadState& state;
    CommonDialog& CmDialog1;
    marovin::Converter& converter; // the converter program, or in process (tests)
    LongRun& runs;                 // the window's long runs, off its thread

    // A message box over the window, titled "Marovin".
    Desktop::Answer tell(const QString& text, Desktop::Icon icon, Desktop::Buttons buttons = Desktop::Buttons::Ok) const
    {
        return desktop.message(&window, text, kTitle, icon, buttons);
    }
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
