// How the window finds the program's files from its executable's folder, and
// the user's folders from the XDG variables.
#include "qt_support.h"
#include "shell/program_folder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <optional>

namespace {

void touch(const QString& file)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(ProgramFolder, FindsFilesBesideTheExecutableElseWhereTheyAreInstalled)
{
    QtScratchFolder root;
    const QString r = root.path();
    // A program folder as the build makes it, an installed prefix, both at
    // once, and a folder with nothing.
    for (const char* beside : {"copy/bin", "both/bin"}) {
        touch(r + "/" + beside + "/convers");
        touch(r + "/" + beside + "/Manual/KML_Help.rtf");
        touch(r + "/" + beside + "/samples/aire.su");
    }
    for (const char* prefix : {"prefix", "both"}) {
        touch(r + "/" + prefix + "/libexec/marovin/convers");
        touch(r + "/" + prefix + "/share/marovin/Manual/KML_Help.rtf");
        touch(r + "/" + prefix + "/share/marovin/samples/aire.su");
    }
    QDir().mkpath(r + "/prefix/bin");
    QDir().mkpath(r + "/empty/bin");

    const struct {
        const char* exe;
        const char* converter;
        const char* manual;
        const char* samples;
        bool beside;
    } cases[] = {
        {"copy/bin", "copy/bin/convers", "copy/bin/Manual/KML_Help.rtf", "copy/bin/samples", true},
        {"prefix/bin", "prefix/libexec/marovin/convers", "prefix/share/marovin/Manual/KML_Help.rtf",
         "prefix/share/marovin/samples", false},
        {"both/bin", "both/bin/convers", "both/bin/Manual/KML_Help.rtf", "both/bin/samples", true},
        // Nothing anywhere: the place beside the executable, for messages.
        {"empty/bin", "empty/bin/convers", "empty/bin/Manual/KML_Help.rtf", "empty/bin/samples", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exe);
        const ProgramFolder folder(r + "/" + c.exe);
        EXPECT_EQ(folder.converter(), r + "/" + c.converter);
        EXPECT_EQ(folder.file(QStringLiteral("Manual/KML_Help.rtf")), r + "/" + c.manual);
        const QString samples = folder.file(QStringLiteral("samples"));
        EXPECT_EQ(samples, r + "/" + c.samples);
        EXPECT_EQ(folder.isBesideExecutable(samples), c.beside);
    }
}

// Sets or clears environment variables for one scope.
class Environment {
public:
    void set(const char* name, std::optional<QString> value)
    {
        saved_.push_back(
            {name, qEnvironmentVariableIsSet(name) ? std::optional(qEnvironmentVariable(name)) : std::nullopt});
        value ? qputenv(name, value->toLocal8Bit()) : qunsetenv(name);
    }
    ~Environment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second ? qputenv(it->first, it->second->toLocal8Bit()) : qunsetenv(it->first);
    }

private:
    std::vector<std::pair<const char*, std::optional<QString>>> saved_;
};

TEST(UserFolders, FollowTheXdgVariablesAndIgnoreRelativeOnes)
{
    const QString home = QStringLiteral("/home/surveyor");
    const struct {
        const char* what;
        std::optional<QString> config, cache, data;
        const char* ini;
        const char* jobs;
        const char* samples;
    } cases[] = {
        {"unset", std::nullopt, std::nullopt, std::nullopt, "/home/surveyor/.config/Tervalo.ini",
         "/home/surveyor/.cache/marovin", "/home/surveyor/.local/share/marovin/samples"},
        {"absolute", "/x/config", "/x/cache/", "/x/data", "/x/config/Tervalo.ini", "/x/cache/marovin",
         "/x/data/marovin/samples"},
        {"relative", "config", "./cache", "data", "/home/surveyor/.config/Tervalo.ini", "/home/surveyor/.cache/marovin",
         "/home/surveyor/.local/share/marovin/samples"},
        {"empty", "", "", "", "/home/surveyor/.config/Tervalo.ini", "/home/surveyor/.cache/marovin",
         "/home/surveyor/.local/share/marovin/samples"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Environment env;
        env.set("HOME", home);
        env.set("XDG_CONFIG_HOME", c.config);
        env.set("XDG_CACHE_HOME", c.cache);
        env.set("XDG_DATA_HOME", c.data);
        const UserFolders folders = standardUserFolders();
        EXPECT_EQ(folders.iniPath, QString::fromLatin1(c.ini));
        EXPECT_EQ(folders.jobRoot, QString::fromLatin1(c.jobs));
        EXPECT_EQ(folders.sampleCopy, QString::fromLatin1(c.samples));
    }
}

} // namespace
