#pragma once
// The form's controls as the panels make them: each control of one row of
// the form's table, in the window's fonts, and the step colours of the
// buttons. A panel makes the controls of its tab with FormTab and takes
// each by its form name.

#include "shell/form_layout.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QString>
#include <QStringList>

#include <span>
#include <string_view>

class QComboBox;
class QPushButton;
class QWidget;

// The captions were sized for a narrow sans-serif face; the window prefers
// the faces with those metrics where the desktop has them.
QFont controlFont(bool bold = false, double pointSize = controlPointSize);

// Where the desktop only has a wide face, a one-line caption may not fit its
// place: narrows the control's font just enough rather than clip the text.
void fitCaption(QWidget* widget, const QString& text, int indent = 0);

// The colour a button shows for a step colour, and the one it shows now.
QColor stepColourValue(StepColour colour);
void setBackColour(QPushButton* button, StepColour colour);
QColor backColour(const QPushButton* button);

// Appends entries to a combo list and keeps the text the box shows (an
// editable combo would otherwise take the first entry as its text).
void appendComboEntries(QComboBox* combo, const QStringList& entries);

// The list entries of a library table of names (the systems' short names).
QStringList listEntries(std::span<const std::string_view> names);

// The controls of one tab, made on its page in the order of the form's
// table (the order the Tab key follows).
class FormTab {
public:
    FormTab(int tab, QWidget* page);

    // The control of that form name; it is of that kind, as the table says.
    template <class Control>
    Control* take(const char* name) const
    {
        return qobject_cast<Control*>(controls_.value(QLatin1String(name)));
    }

private:
    QHash<QString, QWidget*> controls_;
};
