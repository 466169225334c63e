#include "window_fixture.h"

#include "base/converter_job.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sstream>

class ExchangeTest : public WindowTest {
protected:
    static void setOpenJob(KML_Main& w, std::ostream* job) { w.openJob_ = job; }

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

TEST_F(ExchangeTest, SystemBlockGoesOnlyIntoAnOpenJob)
{
    KML_Main& w = window();
    std::ostringstream job;
    // No job open: edits of Combo2 write nowhere and do no harm.
    w.Combo2->setEditText(QStringLiteral("LT93"));
    w.Transform_System();

    setOpenJob(w, &job);
    w.Combo2->setEditText(QStringLiteral("UTM31")); // fires Combo2_Change
    EXPECT_EQ(job.str(), marovin::system_block("UTM31"));
    EXPECT_EQ(job.str(), "Depart = UTM31\r\nUniteDepart = M\r\nOrigineDepart = GR\r\n\r\n"
                         "Arrivee = WGS84\r\nUniteArrivee = DDEC\r\n\r\n");
    setOpenJob(w, nullptr);
    w.Combo2->setEditText(QStringLiteral("ED50"));
    EXPECT_EQ(job.str(), marovin::system_block("UTM31"));
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
