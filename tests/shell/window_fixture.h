#pragma once
// A window of its own for each test: its own program folder (a temporary
// copy of what the build put in the program folder, as needed) and its own
// user folders (INI path, job folders, sample copy), so tests run in
// parallel.

#include "qt_support.h"
#include "scripted_desktop.h"
#include "shell/flex_grid.h"
#include "shell/form_layout.h"
#include "shell/info_view.h"
#include "shell/kml_main.h"
#include "shell/tab_control.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Everything a handler that fails must leave as it was: every control of
// the form but the labels (its text, whether it is enabled or checked, a
// step button's colour), the tab shown, the header state (the very file
// read), the point table, and the grid.
struct WindowState {
    QStringList controls;
    int tab = 0;
    const marovin::SeismicFile* header = nullptr;
    std::vector<double> table; // longitude, latitude and number of each point
    QStringList grid;

    static WindowState of(const KML_Main& w)
    {
        WindowState state{{}, w.SSTab1->currentIndex(), w.Header.get(), {}, {}};
        for (const FormControl& row : formControls) {
            const auto* widget = w.findChild<QWidget*>(QString::fromLatin1(row.name));
            if (row.kind == FormControl::Kind::Label || !widget)
                continue;
            QString shown = QString::fromLatin1(row.name) + (widget->isEnabled() ? " on " : " off ");
            if (const auto* view = qobject_cast<const InfoView*>(widget))
                shown += view->text();
            else
                shown += widget->property(row.kind == FormControl::Kind::Combo ? "currentText" : "text").toString();
            if (const auto* box = qobject_cast<const QAbstractButton*>(widget); box && box->isChecked())
                shown += " checked";
            if (const auto* button = qobject_cast<const QPushButton*>(widget))
                shown += " " + KML_Main::backColour(button).name();
            state.controls << shown;
        }
        const marovin::PointTable& t = w.Point_Table;
        for (std::int32_t i = 0; i < t.size(); ++i)
            state.table.insert(state.table.end(), {t.longitude()[i], t.latitude()[i], double(t.number()[i])});
        for (int row = 0; row < w.VSFlexGrid1->rows(); ++row)
            for (int column = 0; column < w.VSFlexGrid1->cols(); ++column)
                state.grid << QString::fromStdString(w.VSFlexGrid1->textMatrix(row, column));
        return state;
    }
    bool operator==(const WindowState&) const = default;
    friend void PrintTo(const WindowState& s, std::ostream* out)
    {
        *out << "tab " << s.tab << ", " << s.table.size() / 3 << " points, grid";
        PrintTo(s.grid, out);
        *out << ", controls";
        PrintTo(s.controls, out);
    }
};

// An earlier run's result no run makes: the point table and grid hold one
// row numbered 77 (and an empty one), the label box "Station", the writer
// disabled, the extraction red, tab 3 shown.
inline void seedEarlierResult(KML_Main& w)
{
    w.Point_Table = marovin::PointTable({0, 0}, {0, 0}, {0, 77});
    w.VSFlexGrid1->setCols(3);
    w.VSFlexGrid1->setRows(3);
    w.VSFlexGrid1->setTextMatrix(2, 0, " 77");
    w.Combo3->setEditText(QStringLiteral("Station"));
    w.Command3->setEnabled(false);
    KML_Main::setBackColour(w.Command8, StepColour::Red);
    w.SSTab1->setCurrentIndex(3);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programDir = folder.filePath(QStringLiteral("program"));
        QDir().mkpath(programDir);
        iniPath = folder.filePath(QStringLiteral("config/Tervalo.ini"));
        QDir().mkpath(folder.filePath(QStringLiteral("config")));
        user = {iniPath, folder.filePath(QStringLiteral("cache/marovin")),
                folder.filePath(QStringLiteral("data/marovin/samples"))};
    }

    // Creates the window (without running Form_Load).
    KML_Main& window()
    {
        if (!window_)
            window_ = std::make_unique<KML_Main>(desktop, programDir, user);
        return *window_;
    }

    // A path inside the test's own temporary folder.
    QString path(const QString& name) const { return folder.filePath(name); }

    QtScratchFolder folder;
    QString programDir;
    QString iniPath;
    UserFolders user;
    ScriptedDesktop desktop;

private:
    std::unique_ptr<KML_Main> window_;
};
