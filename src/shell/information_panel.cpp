#include "shell/information_panel.h"

#include "base/regular_file.h"
#include "readers/rtf_reader.h"
#include "shell/form_controls.h"
#include "shell/info_view.h"
#include "shell/library_text.h"
#include "shell/rtf_document.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

// The bytes of the file at `path`; the message names the file.
marovin::Result<QByteArray> readDocument(const QString& path)
{
    const std::string shown = libraryPath(QDir::toNativeSeparators(path));
    marovin::Result<marovin::RegularFile, marovin::OpenError> opened = marovin::open_regular_file(libraryPath(path));
    if (!opened) {
        const marovin::OpenError& why = opened.failure();
        if (why.names_nothing())
            return marovin::fail("the file " + shown + " is missing");
        if (why.kind == marovin::OpenError::Kind::Folder || why.kind == marovin::OpenError::Kind::NotRegular)
            return marovin::fail(shown + " is not a file");
        return marovin::fail("the file " + shown + " cannot be read: " + std::strerror(why.system_error));
    }
    QFile file;
    if (!file.open(opened->descriptor.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return marovin::fail("the file " + shown + " cannot be read: " + file.errorString().toStdString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return marovin::fail("the file " + shown + " cannot be read: " + file.errorString().toStdString());
    return bytes;
}

} // namespace

InformationPanel::InformationPanel(QWidget* page) : RichTextBox1(FormTab(2, page).take<InfoView>("RichTextBox1"))
{
    RichTextBox1->setTopLink(QStringLiteral("Show the manual"));
}

void InformationPanel::connect(QObject* context, std::function<void()> showManual)
{
    QObject::connect(RichTextBox1, &InfoView::topLinkActivated, context, std::move(showManual));
}

marovin::Status InformationPanel::showManual(const QString& path)
{
    marovin::Result<QByteArray> bytes = readDocument(path);
    if (!bytes)
        return marovin::fail(bytes.error());
    const std::string_view content(bytes->constData(), static_cast<std::size_t>(bytes->size()));
    if (marovin::rtf::looks_like_rtf(content)) {
        RichTextBox1->showDocument(buildTextDocument(marovin::rtf::parse(content)));
    } else {
        auto document = std::make_unique<QTextDocument>();
        document->setPlainText(QString::fromUtf8(*bytes));
        RichTextBox1->showDocument(std::move(document));
    }
    return marovin::ok();
}

void InformationPanel::showText(const QString& text) { RichTextBox1->setPlainText(text); }
void InformationPanel::showBytes(QByteArray bytes) { RichTextBox1->setPlainBytes(std::move(bytes)); }
marovin::Status InformationPanel::showFile(const QString& path) { return RichTextBox1->loadPlainTextFile(path); }
