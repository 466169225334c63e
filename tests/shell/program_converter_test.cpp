// The converter program as the window runs it: the job folder of its own,
// the run with the busy pointer, what a failed run says, and a cancelled run
// that kills the program and leaves no job and no result.
#include "qt_support.h"
#include "scripted_desktop.h"

#include "base/converter_job.h"
#include "shell/long_run.h"
#include "shell/program_converter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const QByteArray kSevenLines = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n";

// A run's progress as the window gives it: it records the busy pointer and
// is asked to stop when `stop` is set.
class TestProgress : public BusyProgress {
public:
    void setBusy(bool busy) override { busyChanges.push_back(busy); }
    bool cancelled() const override { return stop; }
    std::vector<bool> busyChanges;
    std::atomic<bool> stop{false};
};

class ProgramConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        converterPath = folder.filePath(QStringLiteral("program/convers"));
        QDir().mkpath(folder.filePath(QStringLiteral("program")));
        jobRoot = folder.filePath(QStringLiteral("cache/marovin"));
    }

    // A stand-in program in place of the converter: a shell script body.
    void placeConverter(const QByteArray& body = "exit 0\n")
    {
        writeBytes(converterPath, "#!/bin/sh\n" + body);
        QFile::setPermissions(converterPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ProgramConverter& converter()
    {
        if (!converter_) {
            converter_ = std::make_unique<ProgramConverter>(desktop, converterPath, jobRoot);
            EXPECT_TRUE(converter_->makeJobFolder());
        }
        return *converter_;
    }
    QString job() { return converter().jobFile(QStringLiteral("File.cvd")); }
    // Converts the points X, Y from `system` on the seismic road.
    marovin::Result<marovin::Degrees, marovin::RoadError> convert(std::vector<double> x, std::vector<double> y,
                                                                  const char* system = "UTM32")
    {
        return converter().convert(x, y, marovin::ConversionJob{system, marovin::ConversionJob::Road::Seismic, {}},
                                   progress);
    }
    QString result() { return converter().jobFile(QStringLiteral("File.cva")); }

    QtScratchFolder folder;
    QString converterPath;
    QString jobRoot;
    ScriptedDesktop desktop;
    TestProgress progress;
    std::unique_ptr<ProgramConverter> converter_;
};

TEST_F(ProgramConverterTest, TheProgramRunsOnTheJobInTheFolderWithTheBusyPointer)
{
    placeConverter();
    desktop.fakeProgramRun = [this](const ScriptedDesktop::Launch&, const Desktop::Stop&) {
        writeBytes(result(), kSevenLines + "0,0,48.5,9.5,0\r\n");
        return Desktop::ProgramRun{true, 0, {}, false};
    };
    const auto degrees = convert({496000.5}, {5314000.25}, "UTM32");
    ASSERT_TRUE(degrees) << degrees.error();
    EXPECT_EQ(degrees->longitude, std::vector<double>{9.5});
    EXPECT_EQ(degrees->latitude, std::vector<double>{48.5});

    ASSERT_EQ(desktop.launches.size(), 1u);
    EXPECT_EQ(desktop.launches[0].program, converterPath);
    EXPECT_EQ(desktop.launches[0].arguments, QStringList{QDir::toNativeSeparators(job())});
    EXPECT_EQ(desktop.launches[0].workingDirectory, QFileInfo(job()).path());
    EXPECT_TRUE(job().startsWith(jobRoot + QStringLiteral("/window-")));
    EXPECT_EQ(readBytes(job()),
              QByteArray::fromStdString(marovin::trace_header_job_header("UTM32")) + " 496000.5  5314000.25 \r\n");
    EXPECT_EQ(progress.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ProgramConverterTest, AFailedRunSaysWhatWentWrongAndNeverUsesAnOldResult)
{
    const struct {
        const char* name;
        Desktop::ProgramRun run;
        bool writesResult;
        const char* says;
    } cases[] = {
        {"error line",
         {true, 2, "warning: grids missing\nline 9: cannot read the number \"6OOOOO\"\n", false},
         false,
         "The conversion failed: line 9: cannot read the number \"6OOOOO\""},
        {"error without a word",
         {true, 1, {}, false},
         false,
         "The conversion failed: the converter stopped with status 1."},
        {"error after a result", {true, 3, "unknown system \"XYZ\"", false}, true, "unknown system \"XYZ\""},
        {"no result", {true, 0, {}, false}, false, "ended without writing its result"},
        {"not started", {false, -1, {}, false}, false, "could not be started"},
    };
    placeConverter();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        progress.busyChanges.clear();
        writeBytes(result(), "old result\r\n");
        bool resultSeenAtLaunch = true;
        desktop.fakeProgramRun = [&](const ScriptedDesktop::Launch&, const Desktop::Stop&) {
            resultSeenAtLaunch = QFileInfo::exists(result());
            if (c.writesResult)
                writeBytes(result(), "new\r\n");
            return c.run;
        };
        const marovin::Status ran = converter().runConverter(progress);
        ASSERT_FALSE(ran);
        EXPECT_FALSE(resultSeenAtLaunch) << "the old result was removed before the launch";
        EXPECT_EQ(progress.busyChanges, (std::vector<bool>{true, false}));
        EXPECT_TRUE(ran.error().find(c.says) != std::string::npos) << ran.error();
    }
    EXPECT_TRUE(desktop.messages.empty()) << "the window tells the user";
}

TEST_F(ProgramConverterTest, AMissingConverterIsNamedAndNothingRuns)
{
    writeBytes(result(), "old result\r\n");
    const marovin::Status ran = converter().runConverter(progress);
    ASSERT_FALSE(ran);
    EXPECT_TRUE(desktop.launches.empty());
    EXPECT_TRUE(progress.busyChanges.empty());
    EXPECT_FALSE(QFileInfo::exists(result())) << "the stale result is gone all the same";
    EXPECT_NE(ran.error().find(converterPath.toStdString() + " is missing"), std::string::npos) << ran.error();
}

// Cancelled while the program runs, the run kills it and leaves no job and
// no result; the program's own later work never happens.
TEST_F(ProgramConverterTest, ACancelledRunKillsTheProgramAndLeavesNoJobOrResult)
{
    const QString late = folder.filePath(QStringLiteral("late"));
    placeConverter(QStringLiteral("sleep 30\ntouch '%1'\n").arg(late).toLocal8Bit());
    desktop.fakeProgramRun = [this](const ScriptedDesktop::Launch& launch, const Desktop::Stop& stop) {
        writeBytes(result(), "a partial result");
        progress.stop = true;
        return QtDesktop().runProgram(launch.program, launch.arguments, launch.workingDirectory, stop);
    };
    const auto degrees = convert({496000}, {5314000}, "UTM32");
    ASSERT_FALSE(degrees);
    EXPECT_TRUE(marovin::was_cancelled(degrees.error())) << degrees.error();
    EXPECT_FALSE(QFileInfo::exists(job()));
    EXPECT_FALSE(QFileInfo::exists(result()));
    EXPECT_EQ(progress.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(QFileInfo::exists(late));
}

// Each converter has a folder of its own under the user's job folder, made
// at its first conversion, closed to other users, removed with it.
TEST_F(ProgramConverterTest, EachConverterHasAFolderOfItsOwnForItsLife)
{
    ProgramConverter first(desktop, converterPath, jobRoot);
    EXPECT_TRUE(first.jobFile(QStringLiteral("File.cvd")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(jobRoot)) << "no folder before the first conversion";
    ASSERT_TRUE(first.makeJobFolder());
    const QString folderOfFirst = QFileInfo(first.jobFile(QStringLiteral("File.cvd"))).path();
    EXPECT_EQ(QFileInfo(folderOfFirst).dir().path(), jobRoot);
    EXPECT_EQ(QFileInfo(folderOfFirst).permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions())
        << "other users cannot read or plant job files";
    ASSERT_TRUE(first.makeJobFolder());
    EXPECT_EQ(QFileInfo(first.jobFile(QStringLiteral("File.cvd"))).path(), folderOfFirst);
    {
        ProgramConverter second(desktop, converterPath, jobRoot);
        ASSERT_TRUE(second.makeJobFolder());
        const QString folderOfSecond = QFileInfo(second.jobFile(QStringLiteral("File.cvd"))).path();
        EXPECT_NE(folderOfSecond, folderOfFirst);
        writeBytes(second.jobFile(QStringLiteral("File.cvd")), "job");
        EXPECT_TRUE(QFileInfo::exists(folderOfSecond));
    }
    EXPECT_EQ(QDir(jobRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1) << "the second's went with it";
    EXPECT_TRUE(desktop.messages.empty());
}

// A folder or a job that cannot be made is told once, in one sentence.
TEST_F(ProgramConverterTest, AFolderOrJobThatCannotBeMadeIsTold)
{
    writeBytes(folder.filePath(QStringLiteral("blocked")), "not a folder");
    ProgramConverter blocked(desktop, converterPath, folder.filePath(QStringLiteral("blocked/marovin")));
    const auto unconverted =
        blocked.convert(std::vector<double>{1}, std::vector<double>{2},
                        marovin::ConversionJob{"WGS84", marovin::ConversionJob::Road::Seismic, {}}, progress);
    ASSERT_FALSE(unconverted);
    EXPECT_EQ(unconverted.failure().kind, marovin::RoadFailure::RunConverter);
    EXPECT_TRUE(QString::fromStdString(unconverted.error())
                    .startsWith(QStringLiteral("Cannot make a folder for the converter's job files in ") +
                                folder.filePath(QStringLiteral("blocked/marovin"))))
        << unconverted.error();

    QDir().mkpath(job()); // a folder where the job file would be
    const auto degrees = convert({1}, {2}, "WGS84");
    ASSERT_FALSE(degrees);
    EXPECT_EQ(degrees.failure().kind, marovin::RoadFailure::WriteJob);
    const std::string& said = degrees.error();
    EXPECT_NE(said.find(job().toStdString()), std::string::npos) << said;
    EXPECT_NE(said.find(std::strerror(EISDIR)), std::string::npos) << said;
    EXPECT_TRUE(desktop.launches.empty());
}

// Under a French locale the job carries "," decimals, as the regional
// settings want.
TEST_F(ProgramConverterTest, TheJobTakesTheRegionalDecimalPoint)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        // Not installed: compiled into the test's folder from the C
        // library's locale sources, when they are there.
        const QString locales = folder.filePath("locales");
        QDir().mkpath(locales);
        QProcess::execute("localedef", {"-i", "fr_FR", "-f", "UTF-8", locales + "/fr_FR.UTF-8"});
        qputenv("LOCPATH", QFile::encodeName(locales));
        const bool made = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
        qunsetenv("LOCPATH");
        if (!made)
            GTEST_SKIP() << "no French locale, and localedef could not make one";
    }
    placeConverter();
    QByteArray written;
    desktop.fakeProgramRun = [&](const ScriptedDesktop::Launch&, const Desktop::Stop&) {
        written = readBytes(job());
        writeBytes(result(), kSevenLines + "0,0,48.5,9.5,0\r\n");
        return Desktop::ProgramRun{true, 0, {}, false};
    };
    const auto degrees = convert({496000.55}, {5314000.25}, "UTM32");
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_TRUE(degrees) << degrees.error();
    EXPECT_EQ(written,
              QByteArray::fromStdString(marovin::trace_header_job_header("UTM32")) + " 496000,55  5314000,25 \r\n");
}

} // namespace
