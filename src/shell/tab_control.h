#pragma once
// SSTab-like tab control: a row of tabs over pages that fill the whole
// control, so that children of a page are placed in the control's own
// coordinates, tab row included.

#include <QWidget>

#include <vector>

class QTabBar;

class TabControl : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent = nullptr);

    // Adds a tab and returns its page; place controls on the page in the
    // tab control's coordinates.
    QWidget* addTab(const QString& caption);

    int count() const;
    int currentIndex() const;
    // Selecting a tab notifies tabChanged even when called by an operation.
    void setCurrentIndex(int index);
    QString tabText(int index) const;
    QWidget* page(int index) const;
    QTabBar* tabBar() const { return bar_; }

signals:
    // The selected tab changed; `previous` is the tab selected before.
    void tabChanged(int previous);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showPage(int index);

    QTabBar* bar_;
    QWidget* frame_;
    std::vector<QWidget*> pages_;
    int current_ = -1;
};
