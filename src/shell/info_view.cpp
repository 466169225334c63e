#include "shell/info_view.h"

#include "base/regular_file.h"
#include "shell/library_text.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTextDocument>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {

// A line longer than this is shown as several lines, so no single line costs
// more than a few thousand characters to lay out (a file without line ends
// stays readable).
constexpr qint64 MaxRowBytes = 4096;
// The index keeps the start of every 64th line; a line is found by reading on
// from the nearest such start.
constexpr qint64 RowsPerCheckpoint = 64;
// Files up to this size are read whole and closed at once.
constexpr qint64 WholeReadLimit = 8 * 1024 * 1024;

// The bytes of the text shown: held in memory, or read from an open file.
class TextSource {
public:
    virtual ~TextSource() = default;
    virtual qint64 size() const = 0;
    // Reads up to `length` bytes at `position`; the count read, or -1.
    virtual qint64 read(qint64 position, char* out, qint64 length) const = 0;
};

class MemorySource : public TextSource {
public:
    explicit MemorySource(QByteArray bytes) : bytes_(std::move(bytes)) {}
    qint64 size() const override { return bytes_.size(); }
    qint64 read(qint64 position, char* out, qint64 length) const override
    {
        const qint64 count = std::clamp<qint64>(bytes_.size() - position, 0, length);
        std::memcpy(out, bytes_.constData() + position, static_cast<std::size_t>(count));
        return count;
    }

private:
    QByteArray bytes_;
};

class FileSource : public TextSource {
public:
    explicit FileSource(std::unique_ptr<QFile> file) : file_(std::move(file)), size_(file_->size()) {}
    qint64 size() const override { return size_; }
    qint64 read(qint64 position, char* out, qint64 length) const override
    {
        if (!file_->seek(position))
            return -1;
        return file_->read(out, length);
    }

private:
    std::unique_ptr<QFile> file_;
    qint64 size_;
};

// One shown line: `length` bytes of text, `consumed` bytes up to the start of
// the next line. consumed == 0 means more bytes are needed to tell.
struct RowSpan {
    qint64 length = 0;
    qint64 consumed = 0;
};

RowSpan nextRow(const char* data, qint64 available, bool atEnd)
{
    const qint64 window = std::min(available, MaxRowBytes + 1);
    if (window > 0) {
        if (const void* end = std::memchr(data, '\n', static_cast<std::size_t>(window))) {
            const qint64 length = static_cast<const char*>(end) - data;
            return {length, length + 1};
        }
    }
    if (available > MaxRowBytes) {
        // Break the long line, but not inside a UTF-8 sequence.
        qint64 cut = MaxRowBytes;
        for (int i = 0; i < 3 && (static_cast<unsigned char>(data[cut]) & 0xC0) == 0x80; ++i)
            --cut;
        return {cut, cut};
    }
    if (atEnd && available > 0)
        return {available, available};
    return {};
}

QString decode(const char* data, qint64 length)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(data, length));
    if (utf8.hasError())
        text = QString::fromLatin1(data, length);
    return text;
}

// Plain text shown line by line over a TextSource.
class PlainTextView : public QAbstractScrollArea {
public:
    explicit PlainTextView(QWidget* parent) : QAbstractScrollArea(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
        viewport()->setBackgroundRole(QPalette::Base);
        viewport()->setAutoFillBackground(true);
    }

    // Indexes `source` and shows it from its first line. Nothing changes
    // when the source cannot be read.
    marovin::Status show(std::unique_ptr<TextSource> source)
    {
        std::vector<qint64> checkpoints;
        qint64 rows = 0, widest = 0;
        std::vector<char> buffer(static_cast<std::size_t>(ChunkBytes + MaxRowBytes + 1));
        qint64 bufferStart = 0, have = 0, readPos = 0;
        const qint64 size = source->size();
        bool atEnd = size == 0;
        while (!atEnd || have > 0) {
            if (!atEnd) {
                const qint64 n = source->read(readPos, buffer.data() + have, ChunkBytes);
                if (n < 0)
                    return marovin::fail("could not be read");
                have += n;
                readPos += n;
                atEnd = n == 0 || readPos >= size;
            }
            qint64 p = 0;
            for (;;) {
                const RowSpan row = nextRow(buffer.data() + p, have - p, atEnd);
                if (row.consumed == 0)
                    break;
                if (rows % RowsPerCheckpoint == 0)
                    checkpoints.push_back(bufferStart + p);
                ++rows;
                widest = std::max(widest, row.length);
                p += row.consumed;
            }
            std::memmove(buffer.data(), buffer.data() + p, static_cast<std::size_t>(have - p));
            bufferStart += p;
            have -= p;
            if (atEnd)
                break;
        }
        source_ = std::move(source);
        checkpoints_ = std::move(checkpoints);
        rows_ = std::min<qint64>(rows, INT_MAX);
        contentWidth_ = static_cast<int>(std::min<qint64>(widest * fontMetrics().averageCharWidth(), INT_MAX / 2));
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
        updateScrollBars();
        viewport()->update();
        return marovin::ok();
    }

    void clear()
    {
        source_.reset();
        checkpoints_.clear();
        rows_ = 0;
        contentWidth_ = 0;
        updateScrollBars();
        viewport()->update();
    }

    qint64 lineCount() const { return rows_; }

    // Up to `count` lines from line `first`, each without its line end.
    std::vector<QString> lines(qint64 first, qint64 count) const
    {
        std::vector<QString> out;
        if (!source_ || first < 0 || first >= rows_ || count <= 0)
            return out;
        count = std::min(count, rows_ - first);
        const qint64 checkpoint = first / RowsPerCheckpoint;
        qint64 skip = first - checkpoint * RowsPerCheckpoint;
        const qint64 start = checkpoints_[static_cast<std::size_t>(checkpoint)];
        const qint64 size = source_->size();
        std::vector<char> buffer;
        qint64 have = 0, p = 0;
        bool atEnd = start >= size;
        while (static_cast<qint64>(out.size()) < count) {
            const RowSpan row = nextRow(buffer.data() + p, have - p, atEnd);
            if (row.consumed == 0) {
                if (atEnd)
                    break;
                const qint64 more = std::max<qint64>(64 * 1024, MaxRowBytes + 1);
                buffer.resize(static_cast<std::size_t>(have + more));
                const qint64 n = source_->read(start + have, buffer.data() + have, more);
                if (n <= 0) {
                    atEnd = true;
                    continue;
                }
                have += n;
                atEnd = start + have >= size;
                continue;
            }
            if (skip > 0) {
                --skip;
            } else {
                qint64 length = row.length;
                if (length > 0 && buffer[static_cast<std::size_t>(p + length - 1)] == '\r')
                    --length;
                out.push_back(decode(buffer.data() + p, length));
            }
            p += row.consumed;
        }
        return out;
    }

    QString wholeText() const
    {
        if (!source_)
            return {};
        QByteArray bytes(source_->size(), Qt::Uninitialized);
        const qint64 n = source_->read(0, bytes.data(), bytes.size());
        bytes.truncate(std::max<qint64>(0, n));
        return decode(bytes.constData(), bytes.size());
    }

    // Shows `link` above the lines, inside the frame, on the text's own
    // background; nothing when it is null.
    void setTopLink(QLabel* link)
    {
        topLink_ = link;
        placeTopLink();
        updateScrollBars();
        viewport()->update();
    }

    qint64 firstVisible() const { return verticalScrollBar()->value(); }
    int rowsInView() const { return std::max(1, (viewport()->height() - Margin) / lineHeight()); }
    void scrollToEnd() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::Text));
        const QFontMetrics metrics = fontMetrics();
        const int height = lineHeight();
        const qint64 first = verticalScrollBar()->value();
        const int x = Margin - horizontalScrollBar()->value();
        int y = Margin;
        int widest = contentWidth_;
        for (QString& line : lines(first, viewport()->height() / height + 1)) {
            expandTabs(line);
            painter.drawText(x, y + metrics.ascent(), line);
            widest = std::max(widest, metrics.horizontalAdvance(line));
            y += height;
        }
        if (widest > contentWidth_) {
            contentWidth_ = widest;
            updateScrollBars();
        }
    }

    void resizeEvent(QResizeEvent* event) override
    {
        QAbstractScrollArea::resizeEvent(event);
        placeTopLink();
        updateScrollBars();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        QScrollBar* bar = verticalScrollBar();
        if (event == QKeySequence::MoveToStartOfDocument)
            bar->setValue(0);
        else if (event == QKeySequence::MoveToEndOfDocument)
            bar->setValue(bar->maximum());
        else if (event == QKeySequence::MoveToNextPage)
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        else if (event == QKeySequence::MoveToPreviousPage)
            bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        else if (event == QKeySequence::MoveToNextLine)
            bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else if (event == QKeySequence::MoveToPreviousLine)
            bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else
            QAbstractScrollArea::keyPressEvent(event);
    }

private:
    static constexpr qint64 ChunkBytes = 4 * 1024 * 1024;
    static constexpr int Margin = 4;

    int lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

    void placeTopLink()
    {
        const int height = topLink_ ? topLink_->sizeHint().height() + Margin : 0;
        setViewportMargins(0, height, 0, 0);
        if (topLink_)
            topLink_->setGeometry(frameWidth(), frameWidth(), viewport()->width(), height);
    }

    static void expandTabs(QString& line)
    {
        if (!line.contains(QLatin1Char('\t')))
            return;
        QString expanded;
        for (QChar c : line) {
            if (c == QLatin1Char('\t'))
                expanded.append(QString(8 - expanded.size() % 8, QLatin1Char(' ')));
            else
                expanded.append(c);
        }
        line = expanded;
    }

    void updateScrollBars()
    {
        const int fit = rowsInView();
        verticalScrollBar()->setRange(0, static_cast<int>(std::max<qint64>(0, rows_ - fit)));
        verticalScrollBar()->setPageStep(fit);
        verticalScrollBar()->setSingleStep(1);
        const int room = viewport()->width() - 2 * Margin;
        horizontalScrollBar()->setRange(0, std::max(0, contentWidth_ - room));
        horizontalScrollBar()->setPageStep(std::max(1, room));
        horizontalScrollBar()->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 4));
    }

    QLabel* topLink_ = nullptr;
    std::unique_ptr<TextSource> source_;
    std::vector<qint64> checkpoints_;
    qint64 rows_ = 0;
    int contentWidth_ = 0;
};

} // namespace

struct InfoView::Impl {
    QStackedLayout* stack = nullptr;
    QTextBrowser* browser = nullptr;
    PlainTextView* plain = nullptr;
    QLabel* topLink = nullptr;
};

InfoView::InfoView(QWidget* parent) : QWidget(parent), d(std::make_unique<Impl>())
{
    d->stack = new QStackedLayout(this);
    d->stack->setContentsMargins(0, 0, 0, 0);
    d->browser = new QTextBrowser(this);
    d->plain = new PlainTextView(this);
    d->stack->addWidget(d->browser);
    d->stack->addWidget(d->plain);
    d->stack->setCurrentWidget(d->browser);
}

InfoView::~InfoView() = default;

void InfoView::showDocument(std::unique_ptr<QTextDocument> document)
{
    if (!document)
        return;
    // The browser owns the document as its child and deletes the one it
    // showed before.
    document->setParent(d->browser);
    d->browser->setDocument(document.release());
    d->plain->clear();
    d->stack->setCurrentWidget(d->browser);
}

marovin::Status InfoView::loadPlainTextFile(const QString& path)
{
    const std::string file = "the file " + libraryPath(QDir::toNativeSeparators(path)) + " ";
    const auto failed = [&file](const std::string& why) { return marovin::fail(file + why); };
    marovin::Result<marovin::RegularFile, marovin::OpenError> opened = marovin::open_regular_file(libraryPath(path));
    if (!opened) {
        const marovin::OpenError& why = opened.failure();
        if (why.names_nothing())
            return failed("does not exist");
        switch (why.kind) {
        case marovin::OpenError::Kind::Folder: return failed("is a folder, not a text file");
        case marovin::OpenError::Kind::NotRegular: return failed("is not a regular file");
        case marovin::OpenError::Kind::Missing:
        case marovin::OpenError::Kind::Failed: break;
        }
        return failed(std::string("cannot be opened: ") + std::strerror(why.system_error));
    }
    auto handle = std::make_unique<QFile>();
    if (!handle->open(opened->descriptor.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return failed("cannot be opened: " + handle->errorString().toStdString());
    std::unique_ptr<TextSource> source;
    if (handle->size() <= WholeReadLimit) {
        QByteArray bytes = handle->readAll();
        if (handle->error() != QFileDevice::NoError)
            return failed("could not be read: " + handle->errorString().toStdString());
        source = std::make_unique<MemorySource>(std::move(bytes));
    } else {
        source = std::make_unique<FileSource>(std::move(handle));
    }
    if (marovin::Status shown = d->plain->show(std::move(source)); !shown)
        return failed(shown.error());
    d->browser->clear();
    d->stack->setCurrentWidget(d->plain);
    return marovin::ok();
}

void InfoView::setPlainText(const QString& text) { setPlainBytes(text.toUtf8()); }

void InfoView::setPlainBytes(QByteArray bytes)
{
    // Bytes in memory are always read.
    (void)d->plain->show(std::make_unique<MemorySource>(std::move(bytes)));
    d->browser->clear();
    d->stack->setCurrentWidget(d->plain);
}

QString InfoView::text() const
{
    if (d->stack->currentWidget() == d->plain)
        return d->plain->wholeText();
    return d->browser->toPlainText();
}

void InfoView::clear()
{
    d->browser->clear();
    d->plain->clear();
    d->stack->setCurrentWidget(d->browser);
}

qint64 InfoView::lineCount() const { return d->plain->lineCount(); }

QString InfoView::lineText(qint64 line) const
{
    std::vector<QString> lines = d->plain->lines(line, 1);
    return lines.empty() ? QString() : lines.front();
}

void InfoView::setTopLink(const QString& text)
{
    delete d->topLink;
    d->topLink = nullptr;
    if (!text.isEmpty()) {
        d->topLink = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(text.toHtmlEscaped()), d->plain);
        d->topLink->setObjectName(QStringLiteral("topLink"));
        d->topLink->setTextFormat(Qt::RichText);
        d->topLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        d->topLink->setContentsMargins(4, 4, 4, 0);
        d->topLink->setBackgroundRole(QPalette::Base);
        d->topLink->setAutoFillBackground(true);
        connect(d->topLink, &QLabel::linkActivated, this, &InfoView::topLinkActivated);
        d->topLink->show();
    }
    d->plain->setTopLink(d->topLink);
}

qint64 InfoView::firstVisibleLine() const { return d->plain->firstVisible(); }
int InfoView::visibleLineCount() const { return d->plain->rowsInView(); }
void InfoView::scrollToEnd() { d->plain->scrollToEnd(); }
