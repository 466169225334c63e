#pragma once
// The parts of the window that its road controllers work with: the four
// panels of the tab control, the road state, the file dialog, the desktop
// and where the program's files are. The window makes them and gives each
// controller this view of them; the panels know nothing of the controllers.

#include "shell/common_dialog.h"
#include "shell/desktop.h"
#include "shell/message_title.h"
#include "shell/program_folder.h"
#include "shell/road_state.h"

#include <QString>

class DataPanel;
class InformationPanel;
class LongRun;
class ProgramConverter;
class QWidget;
class SeismicPanel;
class TabControl;
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
    ProgramConverter& converter;
    LongRun& runs; // the window's long runs, off its thread

    // A message box over the window, titled "Marovin".
    Desktop::Answer tell(const QString& text, Desktop::Icon icon, Desktop::Buttons buttons = Desktop::Buttons::Ok) const
    {
        return desktop.message(&window, text, kTitle, icon, buttons);
    }
};
