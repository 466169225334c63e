#pragma once
// A window of its own for each test: its own program folder and user
// folders (INI path, job folders, sample copy), so tests run in parallel; a
// driver that finds its controls by their form names; and the conversions
// it runs, made in process and recorded, so a test sees the request the
// window built from its controls and the result it wrote back.

#include "qt_support.h"
#include "form_driver.h"
#include "scripted_desktop.h"

#include "conversion/road.h"
#include "shell/flex_grid.h"
#include "shell/form_controls.h"
#include "shell/form_layout.h"
#include "shell/info_view.h"
#include "shell/kml_main.h"
#include "shell/tab_control.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
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

// The window's converter in tests: the converter's geodesy in process,
// recording what it was asked, failing as it is told to, or holding until
// its run is cancelled.
class TestConverter final : public marovin::Converter {
public:
    // What the window asked: the system and the points.
    struct Conversion {
        std::string system;
        std::vector<double> x, y;
    };
    enum class Fault {
        None,
        Refuses,     // fails as the converter program fails on a system it does not know
        ShortResult, // the program ran, and its result cannot be read
    };

    marovin::Result<marovin::Degrees, marovin::RoadError> convert(std::span<const double> x, std::span<const double> y,
                                                                  const marovin::ConversionJob& job,
                                                                  marovin::Progress& progress) override
    {
        using marovin::RoadError, marovin::RoadFailure;
        conversions.push_back({std::string(job.source_system()), {x.begin(), x.end()}, {y.begin(), y.end()}});
        if (hold) {
            progress.begin(marovin::Progress::Step::Converting, x.size());
            while (!progress.cancelled())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return RoadError{RoadFailure::Cancelled, std::string(marovin::kCancelled)};
        }
        if (fault == Fault::Refuses)
            return RoadError{RoadFailure::RunConverter, "The conversion failed: convers: unknown system \"XX\""};
        auto degrees = inProcess_.convert(x, y, job, progress);
        if (degrees && fault == Fault::ShortResult)
            return RoadError{RoadFailure::ReadResult, "the result holds fewer points than the job"};
        return degrees;
    }

    // Every conversion asked for, in order (read once its run has ended).
    std::vector<Conversion> conversions;
    Fault fault = Fault::None;
    // While true, a conversion waits until its run is cancelled.
    bool hold = false;

private:
    marovin::InProcessConverter inProcess_;
};

class WindowTest : public ::testing::Test {
protected:
    using Conversion = TestConverter::Conversion;
    using Fault = TestConverter::Fault;

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
        if (!window_) {
            window_ = std::make_unique<KML_Main>(desktop, programDir, user, converter);
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
    // Every file under that folder (user folders included): a cancelled run
    // leaves none of its own.
    QStringList files() const
    {
        QStringList found;
        for (QDirIterator it(folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            found << it.next();
        found.sort();
        return found;
    }

    QtScratchFolder folder;
    QString programDir;
    QString iniPath;
    UserFolders user;
    ScriptedDesktop desktop;
    TestConverter converter;
    std::vector<Conversion>& conversions = converter.conversions;
    Fault& fault = converter.fault;
    bool& holdConversions = converter.hold;

private:
    std::unique_ptr<KML_Main> window_;
    std::unique_ptr<FormDriver> form_;
};
