#include "window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

class ExchangeTest : public WindowTest {
protected:
    // A stand-in converter in the test's program folder; the run itself is
    // faked through the desktop.
    void placeConverter()
    {
        QFile file(window().converterPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
    }

    void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // The result file in the window's job folder (made here, before the
    // launch makes it).
    QString resultPath()
    {
        EXPECT_TRUE(window().makeJobFolder());
        return window().jobFile(QStringLiteral("File.cva"));
    }
};

namespace {

// Each run writes its own header block: an edit of the system box between
// runs writes nothing, in the job folder or anywhere else.
TEST_F(ExchangeTest, AnEditOfTheSystemBoxWritesNothing)
{
    KML_Main& w = window();
    ASSERT_TRUE(w.makeJobFolder());
    writeFile(w.jobFile(QStringLiteral("File.cvd")), "an earlier job\r\n");
    const auto everything = [this] {
        QStringList files;
        for (QDirIterator it(path(QString()), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QFile file(it.next());
            files << it.filePath() + QLatin1Char('=') + (file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
        }
        files.sort();
        return files;
    };
    const QStringList before = everything();
    for (const char* system : {"LT93", "UTM31", ""}) {
        w.Combo2->setEditText(QString::fromLatin1(system)); // Combo2_Change
        w.Transform_System();
    }
    EXPECT_EQ(everything(), before);
}

TEST_F(ExchangeTest, SuccessfulRunShowsConversionDone)
{
    KML_Main& w = window();
    placeConverter();
    desktop.fakeProgramRun = [this](const ScriptedDesktop::Launch&) {
        writeFile(resultPath(), "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
        return Desktop::ProgramRun{true, 0, {}};
    };
    EXPECT_TRUE(w.launchConverter());

    ASSERT_EQ(desktop.launches.size(), 1u);
    const auto& launch = desktop.launches.front();
    EXPECT_EQ(launch.program, w.converterPath());
    EXPECT_EQ(launch.arguments, QStringList{QDir::toNativeSeparators(w.jobFile(QStringLiteral("File.cvd")))});
    EXPECT_EQ(launch.workingDirectory, QFileInfo(w.jobFile(QStringLiteral("File.cvd"))).path());
    EXPECT_TRUE(w.jobFile(QStringLiteral("File.cvd")).startsWith(user.jobRoot + QStringLiteral("/window-")));
    EXPECT_EQ(desktop.busyChanges, (std::vector<bool>{true, false}));

    ASSERT_EQ(desktop.messages.size(), 1u);
    const auto& m = desktop.messages.front();
    EXPECT_EQ(m.text, QStringLiteral("Conversion done !"));
    EXPECT_EQ(m.title, QStringLiteral("Marovin"));
    EXPECT_EQ(m.icon, Desktop::Icon::Information);
    EXPECT_EQ(m.buttons, Desktop::Buttons::Ok);
}

TEST_F(ExchangeTest, FailedRunsSayWhatWentWrongAndNeverUseAnOldResult)
{
    struct Case {
        const char* name;
        Desktop::ProgramRun run;
        bool writesResult;
        const char* says;
    };
    const Case cases[] = {
        {"error line", {true, 2, "warning: grids missing\nline 9: cannot read the number \"6OOOOO\"\n"}, false,
         "The conversion failed: line 9: cannot read the number \"6OOOOO\""},
        {"error without a word", {true, 1, {}}, false, "The conversion failed: the converter stopped with status 1."},
        {"error after a result", {true, 3, "unknown system \"XYZ\""}, true, "unknown system \"XYZ\""},
        {"no result", {true, 0, {}}, false, "ended without writing its result"},
        {"not started", {false, -1, {}}, false, "could not be started"},
    };
    for (const Case& c : cases) {
        KML_Main& w = window();
        placeConverter();
        desktop.messages.clear();
        desktop.busyChanges.clear();
        // A result of an earlier job is there before every launch.
        writeFile(resultPath(), "old result\r\n");
        bool resultSeenAtLaunch = true;
        desktop.fakeProgramRun = [&](const ScriptedDesktop::Launch&) {
            resultSeenAtLaunch = QFileInfo::exists(resultPath());
            if (c.writesResult)
                writeFile(resultPath(), "new\r\n");
            return c.run;
        };
        EXPECT_FALSE(w.launchConverter()) << c.name;
        EXPECT_FALSE(resultSeenAtLaunch) << c.name << ": the old result was removed before the launch";
        EXPECT_EQ(desktop.busyChanges, (std::vector<bool>{true, false})) << c.name;
        ASSERT_EQ(desktop.messages.size(), 1u) << c.name;
        const auto& m = desktop.messages.front();
        EXPECT_TRUE(m.text.contains(QString::fromUtf8(c.says))) << c.name << ": " << m.text.toStdString();
        EXPECT_NE(m.text, QStringLiteral("Conversion done !"));
        EXPECT_EQ(m.title, QStringLiteral("Marovin"));
        EXPECT_EQ(m.icon, Desktop::Icon::Critical);
    }
}

TEST_F(ExchangeTest, MissingConverterIsNamedAndNothingRuns)
{
    KML_Main& w = window();
    writeFile(resultPath(), "old result\r\n");
    EXPECT_FALSE(w.launchConverter());
    EXPECT_TRUE(desktop.launches.empty());
    EXPECT_TRUE(desktop.busyChanges.empty());
    EXPECT_FALSE(QFileInfo::exists(resultPath())); // the stale result is gone all the same
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages.front().text.contains(QDir::toNativeSeparators(w.converterPath())))
        << desktop.messages.front().text.toStdString();
    EXPECT_TRUE(desktop.messages.front().text.contains(QStringLiteral("missing")));
    EXPECT_EQ(desktop.messages.front().title, QStringLiteral("Marovin"));
}

} // namespace
