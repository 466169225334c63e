#pragma once
// The grid of the "Data File" tab: a view over a model of text cells, so a
// million rows cost no widget per cell. As in the original grid control,
// row 0 is the heading row and column 0 the label column; they are shown as
// fixed cells (the view's headers), so the headings and labels stay in view
// while the data scrolls.

#include <QTableView>

#include <string>
#include <vector>

class FlexGridModel;

class FlexGrid : public QTableView {
    Q_OBJECT
public:
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
    const std::string& textMatrix(int row, int col) const;

    // Replaces a whole column from row `firstRow` on in one step (fast path
    // for filling a million rows); texts beyond the last row are dropped.
    void setColumn(int col, int firstRow, std::vector<std::string> texts);

    // Makes the view show every write made so far now rather than when
    // control returns to the event loop.
    void flush();

private:
    FlexGridModel* model_;
};
