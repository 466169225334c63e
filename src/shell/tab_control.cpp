#include "shell/tab_control.h"

#include <QFrame>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>

#include <algorithm>

namespace {

// All tabs in one row across the control, as wide as their captions need
// (with a narrow margin, shrunk evenly when the row is too short), the spare
// width shared out. Captions are drawn centred, never elided.
class RowTabBar : public QTabBar {
public:
    explicit RowTabBar(QWidget* parent) : QTabBar(parent)
    {
        setExpanding(true);
        setDrawBase(false);
        setUsesScrollButtons(false);
        setElideMode(Qt::ElideNone);
    }

protected:
    QSize tabSizeHint(int index) const override
    {
        const QFontMetrics metrics = fontMetrics();
        int natural = 0;
        for (int i = 0; i < count(); ++i)
            natural += captionWidth(metrics, i);
        int width = captionWidth(metrics, index);
        if (this->width() > 0 && natural > this->width())
            width = width * this->width() / natural;
        return {width, metrics.height() + 10};
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        for (int i = 0; i < count(); ++i) {
            QStyleOptionTab option;
            initStyleOption(&option, i);
            option.text.clear();
            painter.drawControl(QStyle::CE_TabBarTabShape, option);
            QRect textRect = tabRect(i);
            if (i != currentIndex())
                textRect.translate(0, 1);
            painter.setPen(
                palette().color(isTabEnabled(i) ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
            painter.drawText(textRect, Qt::AlignCenter, tabText(i));
        }
    }

private:
    int captionWidth(const QFontMetrics& metrics, int index) const
    {
        return metrics.horizontalAdvance(tabText(index)) + 12;
    }
};

} // namespace

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new RowTabBar(this)), frame_(new QFrame(this))
{
    auto* frame = static_cast<QFrame*>(frame_);
    frame->setFrameShape(QFrame::StyledPanel);
    connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
        const int previous = current_;
        showPage(index);
        emit tabChanged(previous);
    });
}

QWidget* TabControl::addTab(const QString& caption)
{
    auto* page = new QWidget(this);
    page->setGeometry(rect());
    pages_.push_back(page);
    const QSignalBlocker block(bar_);
    bar_->addTab(caption);
    if (current_ < 0) {
        current_ = 0;
        bar_->setCurrentIndex(0);
    }
    showPage(bar_->currentIndex());
    return page;
}

int TabControl::count() const { return static_cast<int>(pages_.size()); }
int TabControl::currentIndex() const { return current_; }
QString TabControl::tabText(int index) const { return bar_->tabText(index); }
QWidget* TabControl::page(int index) const
{
    return index >= 0 && index < count() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

void TabControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= count())
        return;
    bar_->setCurrentIndex(index);
}

void TabControl::showPage(int index)
{
    current_ = index;
    for (int i = 0; i < count(); ++i)
        pages_[static_cast<std::size_t>(i)]->setVisible(i == index);
    frame_->lower();
    bar_->raise();
}

void TabControl::resizeEvent(QResizeEvent*)
{
    const int barHeight = bar_->sizeHint().height();
    bar_->setGeometry(0, 0, width(), barHeight);
    frame_->setGeometry(0, barHeight - 1, width(), height() - barHeight + 1);
    for (QWidget* page : pages_)
        page->setGeometry(rect());
}
