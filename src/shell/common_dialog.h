#pragma once
// CmDialog1, the window's file dialog: its settings are kept between uses,
// like the original control's properties, and it is shown through the
// Desktop.

#include "shell/desktop.h"

#include <QString>

#include <optional>

class QWidget;

struct CommonDialog {
    QString InitDir;
    QString DialogTitle;
    QString Filter;   // "Topo File |*.XYZ|All files|*.*|"
    QString FileName; // preset name before showing; chosen path after
    bool CancelError = false;

    enum class Kind { Open, Save };
    // Shows the dialog; on a choice FileName holds the chosen path. Nothing
    // is returned on cancel.
    std::optional<QString> show(Desktop& desktop, QWidget* owner, Kind kind)
    {
        const Desktop::FileRequest request{DialogTitle, Filter, InitDir, FileName};
        std::optional<QString> chosen =
            kind == Kind::Open ? desktop.openFileName(owner, request) : desktop.saveFileName(owner, request);
        if (chosen)
            FileName = *chosen;
        return chosen;
    }
};
