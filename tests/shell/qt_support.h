#pragma once
// What the window's tests add to tests/support for Qt: readable GoogleTest
// output for Qt strings, and scratch folders and file bytes by Qt paths.

#include "support/scratch_folder.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{';
    for (const QString& text : texts)
        *out << " \"" << text.toStdString() << '"';
    *out << " }";
}

inline std::filesystem::path fsPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Whole contents of a file; empty when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    return QByteArray::fromStdString(support::read_bytes(fsPath(path)));
}

// Replaces a file's contents (throws when it cannot).
inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    support::write_bytes(fsPath(path), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// support::ScratchFolder by Qt paths.
class QtScratchFolder : public support::ScratchFolder {
public:
    QString path() const { return QFile::decodeName(ScratchFolder::path().c_str()); }
    QString filePath(const QString& name) const { return path() + QLatin1Char('/') + name; }
};
