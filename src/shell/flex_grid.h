#pragma once
// The grid of the "Data File" tab: a view over a model of text cells, so a
// million rows cost no widget per cell. As in the original grid control,
// row 0 is the heading row and column 0 the label column; they are shown as
// fixed cells (the view's headers), so the headings and labels stay in view
// while the data scrolls.
//
// The cells hold texts set one by one, or come from a cell source: a
// function that makes a cell's text when the view shows it, so a table of
// ten million points is shown without ten million texts in memory.

#include <QTableView>

#include <functional>
#include <string>
#include <vector>

class FlexGridModel;

class FlexGrid : public QTableView {
    Q_OBJECT
public:
    // The text of cell (row, col), for any cell inside the grid.
    using CellSource = std::function<std::string(int row, int col)>;

    explicit FlexGrid(QWidget* parent = nullptr);

    // Size changes keep the cells that remain inside the new size.
    void setRows(int rows);
    void setCols(int cols);
    int rows() const;
    int cols() const;

    // Text of a cell (row and column from 0). Writes outside the grid are
    // ignored; reads outside it give the empty text. Writes are cheap: the
    // view learns of them once, when control returns to the event loop.
    void setTextMatrix(int row, int col, std::string text);
    std::string textMatrix(int row, int col) const;

    // Replaces a whole column from row `firstRow` on in one step (fast path
    // for filling a million rows); texts beyond the last row are dropped.
    void setColumn(int col, int firstRow, std::vector<std::string> texts);

    // Every cell becomes what `source` gives for it, asked when the cell is
    // shown or read, never before: the source must give the texts of the
    // grid's current size for as long as it is set. Texts set before are
    // dropped; texts set afterwards (setTextMatrix, setColumn) are shown in
    // place of the source's. An empty function ends the source, and every
    // cell is empty.
    void setCellSource(CellSource source);

    // Makes the view show every write made so far now rather than when
    // control returns to the event loop.
    void flush();

private:
    FlexGridModel* model_;
};
