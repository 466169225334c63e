#include "shell/program_folder.h"

#include <QDir>
#include <QFileInfo>

#include <initializer_list>

namespace {

#ifdef Q_OS_WIN
const QString kConverterName = QStringLiteral("convers.exe");
#else
const QString kConverterName = QStringLiteral("convers");
#endif

// The first of the candidates that exists; the first one when none does, so
// that a message about a missing file names the place beside the executable.
QString firstExisting(std::initializer_list<QString> candidates)
{
    for (const QString& candidate : candidates)
        if (QFileInfo::exists(candidate))
            return candidate;
    return *candidates.begin();
}

QString under(const QString& folder, const QString& relativePath)
{
    return QDir::cleanPath(folder + QLatin1Char('/') + relativePath);
}

// An XDG base folder: the variable's value when it is an absolute path, else
// the given folder under the home folder.
QString baseFolder(const char* variable, const QString& homeRelative)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return under(QDir::homePath(), homeRelative);
}

} // namespace

ProgramFolder::ProgramFolder(QString executableDir) : dir_(std::move(executableDir)) {}

QString ProgramFolder::converter() const
{
    return firstExisting(
        {under(dir_, kConverterName), under(dir_, QStringLiteral(MAROVIN_BIN_TO_CONVERTER "/") + kConverterName)});
}

QString ProgramFolder::file(const QString& relativePath) const
{
    return firstExisting(
        {under(dir_, relativePath), under(dir_, QStringLiteral(MAROVIN_BIN_TO_DATA "/") + relativePath)});
}

bool ProgramFolder::isBesideExecutable(const QString& path) const
{
    return QDir::cleanPath(path).startsWith(QDir::cleanPath(dir_) + QLatin1Char('/'));
}

UserFolders standardUserFolders()
{
    UserFolders folders;
    folders.iniPath = baseFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/Tervalo.ini");
    folders.jobRoot = baseFolder("XDG_CACHE_HOME", QStringLiteral(".cache")) + QStringLiteral("/marovin");
    folders.sampleCopy =
        baseFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/marovin/samples");
    return folders;
}
