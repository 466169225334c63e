#include "shell/info_view.h"

#include <QFile>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

struct InfoView::Impl {
    QTextBrowser* browser = nullptr;
};

InfoView::InfoView(QWidget* parent) : QWidget(parent), d(std::make_unique<Impl>())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    d->browser = new QTextBrowser(this);
    layout->addWidget(d->browser);
}

InfoView::~InfoView() = default;

void InfoView::showDocument(std::unique_ptr<QTextDocument> document)
{
    document->setParent(d->browser);
    d->browser->setDocument(document.release());
}

bool InfoView::loadPlainTextFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    d->browser->setPlainText(QString::fromUtf8(file.readAll()));
    return true;
}

QString InfoView::text() const { return d->browser->toPlainText(); }

void InfoView::clear() { d->browser->clear(); }
