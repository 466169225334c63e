#pragma once
// The viewer of the "Information" tab. It shows either a rich-text document
// (the manual) or a plain-text file. A plain-text file is indexed by lines and
// only the visible lines are laid out, so a file of a million KML placemarks
// is in view at once.

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
    // (missing or unreadable file) the view keeps what it showed and the
    // message says why.
    bool loadPlainTextFile(const QString& path, QString* error = nullptr);

    // Whole text currently shown (rich documents as plain text).
    QString text() const;

    void clear();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
