#pragma once
// A window of its own for each test: its own program folder (a temporary
// copy of what the build put in the program folder, as needed) and its own
// user folders (INI path, job folders, sample copy), so tests run in
// parallel.

#include "scripted_desktop.h"
#include "shell/kml_main.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

// Whole contents of a file; empty when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces a file's contents (the test fails when it cannot).
inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
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

    QTemporaryDir folder;
    QString programDir;
    QString iniPath;
    UserFolders user;
    ScriptedDesktop desktop;

private:
    std::unique_ptr<KML_Main> window_;
};
