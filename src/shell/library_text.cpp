#include "shell/library_text.h"

#include <QFile>

QString fromLibrary(std::string_view text, Shown shown)
{
    // As QFile::decodeName, without a copy of the bytes.
    QString shownText = QString::fromLocal8Bit(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (shown == Shown::AsWritten || shownText.isEmpty())
        return shownText;
    shownText[0] = shownText[0].toUpper();
    if (!shownText.endsWith(QLatin1Char('.')) && !shownText.endsWith(QLatin1Char('!')) &&
        !shownText.endsWith(QLatin1Char('?')))
        shownText += QLatin1Char('.');
    return shownText;
}

std::string libraryPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
