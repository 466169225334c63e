#include "shell/tab_control.h"

#include <QFrame>
#include <QTabBar>

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)), frame_(new QFrame(this))
{
    auto* frame = static_cast<QFrame*>(frame_);
    frame->setFrameShape(QFrame::StyledPanel);
    bar_->setExpanding(true);
    bar_->setDrawBase(false);
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
