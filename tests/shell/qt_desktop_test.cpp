#include "qt_support.h"
#include "shell/qt_desktop.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QListView>
#include <QRegularExpression>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(QtDesktop, PipeFiltersBecomeAnyCaseNameFilters)
{
    const struct {
        const char* pipe;
        QStringList expected;
    } cases[] = {
        {"Seismic File |*.SGY|Seismic Unix|*.SU|All files|*.*|",
         {"Seismic File (*.[sS][gG][yY])", "Seismic Unix (*.[sS][uU])", "All files (*)"}},
        {"Topo File |*.XYZ|All files|*.*|", {"Topo File (*.[xX][yY][zZ])", "All files (*)"}},
        {"KML file|*.kml", {"KML file (*.[kK][mM][lL])"}},
        {"Text|*.TXT;*.XY|", {"Text (*.[tT][xX][tT] *.[xX][yY])"}},
        {"Lines|line?_1.*|", {"Lines ([lL][iI][nN][eE]?_1.*)"}},
        {"", {}},
        {"Only a description", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qtNameFilters(QString::fromLatin1(c.pipe)), c.expected) << c.pipe;
}

TEST(QtDesktop, ConvertedPatternsMatchNamesInAnyCase)
{
    const QStringList filters = qtNameFilters(QStringLiteral("Seismic File |*.SGY|All files|*.*|"));
    ASSERT_EQ(filters.size(), 2);
    const QString seismic = filters[0].section(QLatin1Char('('), 1).chopped(1);
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(seismic));
    const struct {
        const char* name;
        bool matches;
    } cases[] = {{"LINE1.SGY", true},   {"line1.sgy", true},      {"Line1.SgY", true},
                 {"line1.segy", false}, {"line1.sgy.bak", false}, {"line1.su", false}};
    for (const auto& c : cases)
        EXPECT_EQ(re.match(QString::fromLatin1(c.name)).hasMatch(), c.matches) << c.name;

    const QRegularExpression all(QRegularExpression::wildcardToRegularExpression(QStringLiteral("*")));
    EXPECT_TRUE(all.match(QStringLiteral("README")).hasMatch()) << "*.* also lists names without a dot";
}

// The real dialog (Qt's own on the offscreen platform), driven as a user
// would: it lists the seismic files of the folder in any case and nothing
// else, and gives back the one picked.
TEST(QtDesktop, OpenDialogWithTheSeismicFilterListsAndTakesLowerCaseNames)
{
    QtScratchFolder folder;
    for (const char* name : {"line1.sgy", "LINE2.SGY", "line3.su", "notes.txt"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList listed;
    bool seen = false;
    QTimer driver;
    QDeadlineTimer deadline(30000);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        seen = true;
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        QAbstractItemModel* model = view ? view->model() : nullptr;
        const bool loaded = model && model->rowCount(view->rootIndex()) >= 2;
        if (!loaded && !deadline.hasExpired())
            return; // the folder is still being read
        driver.stop();
        if (!loaded) {
            dialog->reject();
            return;
        }
        QModelIndex chosen;
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = model->index(row, 0, view->rootIndex());
            listed << index.data().toString();
            if (index.data().toString() == QStringLiteral("line1.sgy"))
                chosen = index;
        }
        if (chosen.isValid()) {
            view->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
            view->setCurrentIndex(chosen);
        }
        static_cast<QDialog*>(dialog)->accept(); // as the Open button does
    });
    driver.start(20);

    QtDesktop desktop;
    const std::optional<QString> picked =
        desktop.openFileName(nullptr, {QStringLiteral("Seismic selection"),
                                       QStringLiteral("Seismic File |*.SGY|All files|*.*|"), folder.path(), QString()});
    ASSERT_TRUE(seen) << "no file dialog came up";
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("LINE2.SGY"), QStringLiteral("line1.sgy")}));
    EXPECT_EQ(picked, std::optional<QString>(folder.filePath(QStringLiteral("line1.sgy"))));
}

// The real progress window: titled "Marovin", it shows the run's step and
// how far it is; Cancel asks the run to stop, and the window stays until
// the run has ended.
TEST(QtDesktop, TheProgressWindowShowsTheStepAndCancelWaitsForTheRunsEnd)
{
    struct Run : RunView {
        QString step() const override { return QStringLiteral("Reading traces"); }
        int percent() const override { return 40; }
        bool ended() const override { return over; }
        void cancel() override { cancelled = true; }
        bool over = false, cancelled = false;
    } run;
    QString title, step;
    int value = -1;
    bool stayedAfterCancel = false;
    QTimer driver;
    QDeadlineTimer deadline(30000);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!window) {
            run.over = deadline.hasExpired(); // no window came up: end the run so the test can fail
            return;
        }
        auto* label = window->findChild<QLabel*>();
        auto* bar = window->findChild<QProgressBar*>();
        if (!run.cancelled) {
            if (!label || label->text().isEmpty())
                return; // not shown yet
            title = window->windowTitle();
            step = label->text();
            value = bar ? bar->value() : -1;
            for (QPushButton* button : window->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("Cancel"))
                    button->click();
            return;
        }
        stayedAfterCancel = window->isVisible();
        run.over = true;
    });
    driver.start(20);
    QtDesktop().showProgress(nullptr, run);
    driver.stop();
    EXPECT_EQ(title, QStringLiteral("Marovin"));
    EXPECT_EQ(step, QStringLiteral("Reading traces"));
    EXPECT_EQ(value, 40);
    EXPECT_TRUE(run.cancelled);
    EXPECT_TRUE(stayedAfterCancel);
}

} // namespace
