#pragma once
// The viewer of the "Information" tab. It shows either a rich-text document
// (the manual) or a plain-text file. A plain-text file is indexed by lines and
// only the visible lines are read and laid out, so a file of a million KML
// placemarks is in view at once and scrolls to its end. Over plain text it
// may show a link that leads elsewhere (back to the manual).

#include "base/result.h"

#include <QByteArray>
#include <QWidget>

#include <memory>

class QTextDocument;

class InfoView : public QWidget {
    Q_OBJECT
public:
    explicit InfoView(QWidget* parent = nullptr);
    ~InfoView() override;

    // Shows a rich-text document, replacing what was shown.
    void showDocument(std::unique_ptr<QTextDocument> document);

    // Shows a plain-text file as it is, replacing what was shown. On failure
    // (missing or unreadable file, or no regular file) the view keeps what
    // it showed and the message says why, naming the file. Small files are
    // read whole; a large one stays open for reading while it is shown, and
    // is expected not to change meanwhile (the program replaces files by
    // renaming).
    marovin::Status loadPlainTextFile(const QString& path);

    // Shows `text` as plain text, replacing what was shown.
    void setPlainText(const QString& text);
    // Shows bytes as a plain-text file holding them would be shown.
    void setPlainBytes(QByteArray bytes);

    // Whole text currently shown. Plain text comes back exactly as it was
    // given or as the file holds it, line ends included, read as UTF-8 (or,
    // when it is not valid UTF-8, as Latin-1); a rich document gives its
    // plain text.
    QString text() const;

    void clear();

    // The plain-text lines (empty while a rich document is shown). Lines
    // longer than a few thousand bytes are shown as several lines.
    qint64 lineCount() const;
    QString lineText(qint64 line) const;
    // The first line at the top of the view, the number of lines that fit,
    // and scrolling to the last line.
    qint64 firstVisibleLine() const;
    int visibleLineCount() const;
    void scrollToEnd();

    // A link shown above any plain text, as its first line that does not
    // scroll away (a rich document shows none): activating it signals
    // topLinkActivated. An empty text shows no link.
    void setTopLink(const QString& text);

signals:
    void topLinkActivated();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
