#include "qt_support.h"
#include "shell/flex_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string label(int row) { return " " + std::to_string(row); }

TEST(FlexGrid, HoldsAMillionRowsWithHeadingsAndLabelsAsFixedCells)
{
    constexpr int points = 1'000'000;
    FlexGrid grid;
    grid.resize(321, 313);
    grid.show();
    grid.setCols(3);
    grid.setRows(points + 1);
    grid.setTextMatrix(0, 1, "X");
    grid.setTextMatrix(0, 2, "Y");
    std::vector<std::string> labels;
    labels.reserve(points);
    for (int r = 1; r <= points; ++r)
        labels.push_back(label(r));
    grid.setColumn(0, 1, std::move(labels));
    for (int r = 1; r <= points; ++r) {
        grid.setTextMatrix(r, 1, std::to_string(r) + ".5");
        grid.setTextMatrix(r, 2, std::to_string(r) + ".25");
    }
    QApplication::processEvents();

    EXPECT_EQ(grid.rows(), points + 1);
    EXPECT_EQ(grid.cols(), 3);
    EXPECT_EQ(grid.textMatrix(points, 0), label(points));
    EXPECT_EQ(grid.textMatrix(points, 2), std::to_string(points) + ".25");

    // Row 0 and column 0 are shown as the fixed headings and labels; the
    // items are the data cells.
    const QAbstractItemModel* model = grid.model();
    EXPECT_EQ(model->rowCount(), points);
    EXPECT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("X"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Y"));
    EXPECT_EQ(model->headerData(points - 1, Qt::Vertical).toString(), QString::fromStdString(label(points)));
    EXPECT_EQ(model->data(model->index(points - 1, 0)).toString(), QStringLiteral("1000000.5"));
    EXPECT_GT(grid.verticalHeader()->width(), 0);

    // Scrolling to the end shows the last point.
    grid.scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(grid.rowAt(grid.viewport()->height() - 2), points - 1);
}

TEST(FlexGrid, SizeChangesKeepTheCellsInsideAndIgnoreWritesOutside)
{
    FlexGrid grid;
    grid.setCols(3);
    grid.setRows(4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            grid.setTextMatrix(r, c, std::to_string(r * 10 + c));
    grid.setRows(2);
    grid.setCols(2);
    grid.setRows(4);
    grid.setCols(3);
    const struct {
        int row, col;
        const char* text;
    } cases[] = {
        {0, 0, "0"}, {1, 1, "11"}, {1, 0, "10"}, {1, 2, ""}, {3, 0, ""}, {3, 1, ""}, // kept or cleared
        {-1, 0, ""}, {0, -1, ""},  {4, 0, ""},   {0, 3, ""},                         // outside
    };
    grid.setTextMatrix(4, 0, "ignored");
    grid.setTextMatrix(0, 3, "ignored");
    grid.setTextMatrix(-1, -1, "ignored");
    grid.setColumn(2, 3, {"a", "beyond", "the end"});
    grid.setColumn(5, 0, {"no such column"});
    for (const auto& c : cases)
        EXPECT_EQ(grid.textMatrix(c.row, c.col), c.text) << c.row << "," << c.col;
    EXPECT_EQ(grid.textMatrix(3, 2), "a");
    EXPECT_EQ(grid.rows(), 4);
    EXPECT_EQ(grid.cols(), 3);
}

TEST(FlexGrid, CellWritesReachTheViewOnceWhenControlReturnsToTheEventLoop)
{
    FlexGrid grid;
    grid.setCols(3);
    grid.setRows(1001);
    int dataChanges = 0, headerChanges = 0;
    QObject::connect(grid.model(), &QAbstractItemModel::dataChanged, [&] { ++dataChanges; });
    QObject::connect(grid.model(), &QAbstractItemModel::headerDataChanged, [&] { ++headerChanges; });
    for (int r = 0; r <= 1000; ++r)
        for (int c = 0; c < 3; ++c)
            grid.setTextMatrix(r, c, "v");
    EXPECT_EQ(dataChanges, 0);
    EXPECT_EQ(headerChanges, 0);
    QApplication::processEvents();
    EXPECT_EQ(dataChanges, 1);
    EXPECT_EQ(headerChanges, 2); // heading row and label column
    EXPECT_EQ(grid.model()->data(grid.model()->index(999, 1)).toString(), QStringLiteral("v"));

    grid.setTextMatrix(5, 1, "w");
    grid.flush();
    EXPECT_EQ(dataChanges, 2);
    QApplication::processEvents();
    EXPECT_EQ(dataChanges, 2) << "a flushed write is not announced twice";
}

// A source gives the cells of a huge grid as they are shown: only the
// visible ones are ever asked for, so ten million rows cost no texts.
TEST(FlexGrid, CellSourceIsAskedOnlyForTheCellsShownOrRead)
{
    constexpr int points = 10'000'000;
    FlexGrid grid;
    grid.resize(321, 313);
    grid.show();
    long asked = 0;
    grid.setCellSource([&asked](int row, int col) {
        ++asked;
        if (row == 0)
            return std::string(col == 1 ? "X" : col == 2 ? "Y" : "");
        return col == 0 ? label(row) : std::to_string(row) + (col == 1 ? ".5" : ".25");
    });
    grid.setCols(3);
    grid.setRows(points + 1);
    QApplication::processEvents();
    EXPECT_LT(asked, 5000) << "the source is asked for the cells in view only";

    const QAbstractItemModel* model = grid.model();
    EXPECT_EQ(model->rowCount(), points);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("X"));
    EXPECT_EQ(model->headerData(points - 1, Qt::Vertical).toString(), QString::fromStdString(label(points)));
    EXPECT_EQ(model->data(model->index(points - 1, 1)).toString(), QStringLiteral("10000000.25"));
    EXPECT_EQ(grid.textMatrix(points, 0), label(points));
    EXPECT_EQ(grid.textMatrix(points + 1, 0), ""); // outside: the source is not asked
    EXPECT_EQ(grid.textMatrix(0, 3), "");

    asked = 0;
    grid.scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(grid.rowAt(grid.viewport()->height() - 2), points - 1);
    EXPECT_LT(asked, 5000);
}

TEST(FlexGrid, TextsSetByHandOverrideTheSourceUntilTheNextSourceOrSize)
{
    FlexGrid grid;
    grid.setCols(3);
    grid.setRows(4);
    grid.setTextMatrix(1, 1, "before the source");
    const auto source = [](int row, int col) { return "s" + std::to_string(row) + std::to_string(col); };
    grid.setCellSource(source);
    EXPECT_EQ(grid.textMatrix(1, 1), "s11") << "a source drops the texts set before";

    grid.setTextMatrix(2, 0, " 77");
    grid.setColumn(2, 2, {"a", "b", "beyond the end"});
    grid.setTextMatrix(4, 0, "outside, ignored");
    const struct {
        int row, col;
        const char* text;
    } cases[] = {{2, 0, " 77"}, {2, 2, "a"}, {3, 2, "b"}, {3, 1, "s31"}, {0, 0, "s00"}, {4, 0, ""}, {-1, 0, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(grid.textMatrix(c.row, c.col), c.text) << c.row << "," << c.col;
    EXPECT_EQ(grid.model()->data(grid.model()->index(1, 1)).toString(), QStringLiteral("a"));

    // A smaller size drops the hand-set texts outside it; growing again
    // shows the source's texts there.
    grid.setRows(3);
    grid.setRows(4);
    EXPECT_EQ(grid.textMatrix(3, 2), "s32");
    EXPECT_EQ(grid.textMatrix(2, 2), "a");

    // Ending the source leaves a grid of empty cells of the same size,
    // which takes texts as before.
    grid.setCellSource({});
    EXPECT_EQ(grid.rows(), 4);
    EXPECT_EQ(grid.cols(), 3);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(grid.textMatrix(r, c), "") << r << "," << c;
    grid.setTextMatrix(3, 2, "dense again");
    EXPECT_EQ(grid.textMatrix(3, 2), "dense again");
}

} // namespace
