#pragma once
// A window of its own for each test: its own program folder and user
// folders (INI path, job folders, sample copy), so tests run in parallel; a
// driver that finds its controls by their form names; and the conversions
// it runs, made in process and recorded, so a test sees the request the
// window built from its controls and the result it wrote back.

#include "qt_support.h"
#include "form_driver.h"
#include "scripted_desktop.h"

#include "base/converter_job.h"
#include "conversion/road_conversion.h"
#include "shell/flex_grid.h"
#include "shell/form_controls.h"
#include "shell/form_layout.h"
#include "shell/info_view.h"
#include "shell/kml_main.h"
#include "shell/tab_control.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// Everything a handler that fails or is cancelled must leave as it was:
// every control of the form but the labels (its text, whether it is enabled
// or checked, a step button's colour), the tab shown, the header state (the
// very file read), the point table, and the grid.
struct WindowState {
    QStringList controls;
    int tab = 0;
    const marovin::SeismicFile* header = nullptr;
    std::vector<double> table; // longitude, latitude and number of each point
    QStringList grid;

    static WindowState of(const KML_Main& w)
    {
        FormDriver form(const_cast<KML_Main&>(w));
        WindowState state{{}, form.tab(), w.roadState().header.get(), {}, {}};
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
                shown += " " + backColour(button).name();
            state.controls << shown;
        }
        const marovin::PointTable& t = w.roadState().points;
        for (std::int32_t i = 0; i < t.size(); ++i)
            state.table.insert(state.table.end(), {t.longitude()[i], t.latitude()[i], double(t.number()[i])});
        for (int row = 0; row < form.grid().rows(); ++row)
            for (int column = 0; column < form.grid().cols(); ++column)
                state.grid << QString::fromStdString(form.grid().textMatrix(row, column));
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

class WindowTest : public ::testing::Test {
protected:
    // What the window asked the converter: the system and the points.
    struct Conversion {
        std::string system;
        std::vector<double> x, y;
    };
    // What the converter does besides converting in process.
    enum class Fault {
        None,
        Refuses,     // fails as the converter fails on a system it does not know
        ShortResult, // its result holds one point less than asked
    };

    void SetUp() override
    {
        programDir = folder.filePath(QStringLiteral("program"));
        QDir().mkpath(programDir);
        iniPath = folder.filePath(QStringLiteral("config/Tervalo.ini"));
        QDir().mkpath(folder.filePath(QStringLiteral("config")));
        user = {iniPath, folder.filePath(QStringLiteral("cache/marovin")),
                folder.filePath(QStringLiteral("data/marovin/samples"))};
        // The launch looks for the converter in the program folder; the
        // conversion itself is made in process.
        writeBytes(programDir + QStringLiteral("/convers"), "in process");
        desktop.fakeProgramRun = [this](const ScriptedDesktop::Launch& launch, const Desktop::Stop& stop) {
            return convertInProcess(launch, stop);
        };
    }

    // Creates the window (without running Form_Load).
    KML_Main& window()
    {
        if (!window_) {
            window_ = std::make_unique<KML_Main>(desktop, programDir, user);
            form_ = std::make_unique<FormDriver>(*window_);
        }
        return *window_;
    }
    FormDriver& form()
    {
        window();
        return *form_;
    }
    // Creates the window and starts it answering the input-road question;
    // the messages of the start are cleared.
    KML_Main& start(Desktop::Answer road)
    {
        desktop.answers.push_back(road);
        window().Form_Load();
        desktop.messages.clear();
        return *window_;
    }

    // A path inside the test's own temporary folder.
    QString path(const QString& name) const { return folder.filePath(name); }

    QtScratchFolder folder;
    QString programDir;
    QString iniPath;
    UserFolders user;
    ScriptedDesktop desktop;
    // Every conversion asked for, in order (read once its run has ended).
    std::vector<Conversion> conversions;
    Fault fault = Fault::None;
    // While true, a conversion waits until its run is cancelled.
    bool holdConversions = false;

private:
    Desktop::ProgramRun convertInProcess(const ScriptedDesktop::Launch& launch, const Desktop::Stop& stop)
    {
        if (holdConversions) {
            while (!stop())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return {true, -1, {}, true};
        }
        const QList<QByteArray> lines = readBytes(launch.arguments.value(0)).split('\n');
        Conversion asked{lines.value(0).trimmed().mid(7).toStdString(), {}, {}};
        for (qsizetype i = 7; i < lines.size(); ++i) {
            // The regional decimal comma is read as the converter reads it.
            const QList<QByteArray> xy = lines[i].simplified().replace(',', '.').split(' ');
            if (xy.size() == 2) {
                asked.x.push_back(xy[0].toDouble());
                asked.y.push_back(xy[1].toDouble());
            }
        }
        conversions.push_back(asked);
        if (fault == Fault::Refuses)
            return {true, 2, QStringLiteral("convers: unknown system \"XX\"\n"), false};
        const marovin::ConversionJob job{asked.system, marovin::ConversionJob::Road::Seismic,
                                         [](std::size_t i) { return std::to_string(i + 1) + ": "; }};
        marovin::InProcessConverter converter;
        const auto degrees = converter.convert(asked.x, asked.y, job, marovin::no_progress());
        if (!degrees)
            return {true, 1, QString::fromStdString("convers: " + degrees.error() + "\n"), false};
        QByteArray result = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n";
        std::size_t records = degrees->longitude.size();
        if (fault == Fault::ShortResult && records > 0)
            --records;
        for (std::size_t i = 0; i < records; ++i)
            result += "0,0," + QByteArray::number(degrees->latitude[i], 'g', 17) + "," +
                      QByteArray::number(degrees->longitude[i], 'g', 17) + ",0\r\n";
        writeBytes(QFileInfo(launch.arguments.value(0)).path() + QStringLiteral("/File.cva"), result);
        return {true, 0, {}, false};
    }

    std::unique_ptr<KML_Main> window_;
    std::unique_ptr<FormDriver> form_;
};
