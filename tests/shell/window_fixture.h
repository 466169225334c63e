#pragma once
// A window of its own for each test: its own program folder (a temporary
// copy of what the build put in the program folder, as needed) and its own
// user folders (INI path, job folders, sample copy), so tests run in
// parallel.

#include "qt_support.h"
#include "scripted_desktop.h"
#include "shell/kml_main.h"

#include <gtest/gtest.h>

#include <memory>

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
