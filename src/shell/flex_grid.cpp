#include "shell/flex_grid.h"

#include <QAbstractTableModel>
#include <QHeaderView>

class FlexGridModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(columns_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return QString::fromStdString(text(index.row(), index.column()));
    }

    void resize(int rows, int cols)
    {
        beginResetModel();
        rows_ = rows < 0 ? 0 : rows;
        columns_.resize(static_cast<std::size_t>(cols < 0 ? 0 : cols));
        for (auto& column : columns_)
            column.resize(static_cast<std::size_t>(rows_));
        endResetModel();
    }
    int rows() const { return rows_; }
    int cols() const { return static_cast<int>(columns_.size()); }

    const std::string& text(int row, int col) const
    {
        static const std::string empty;
        if (row < 0 || row >= rows_ || col < 0 || col >= cols())
            return empty;
        return columns_[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
    }
    void setText(int row, int col, std::string value)
    {
        if (row < 0 || row >= rows_ || col < 0 || col >= cols())
            return;
        columns_[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)] = std::move(value);
        const QModelIndex i = index(row, col);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
    void setColumn(int col, int firstRow, std::vector<std::string> texts)
    {
        if (col < 0 || col >= cols() || firstRow < 0)
            return;
        auto& column = columns_[static_cast<std::size_t>(col)];
        for (std::size_t i = 0; i < texts.size() && firstRow + i < column.size(); ++i)
            column[firstRow + i] = std::move(texts[i]);
        emit dataChanged(index(0, col), index(rows_ - 1, col), {Qt::DisplayRole});
    }

private:
    int rows_ = 0;
    std::vector<std::vector<std::string>> columns_;
};

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(new FlexGridModel(this))
{
    setModel(model_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
}

void FlexGrid::setRows(int rows) { model_->resize(rows, model_->cols()); }
void FlexGrid::setCols(int cols) { model_->resize(model_->rows(), cols); }
int FlexGrid::rows() const { return model_->rows(); }
int FlexGrid::cols() const { return model_->cols(); }
void FlexGrid::setTextMatrix(int row, int col, std::string text) { model_->setText(row, col, std::move(text)); }
const std::string& FlexGrid::textMatrix(int row, int col) const { return model_->text(row, col); }
void FlexGrid::setColumn(int col, int firstRow, std::vector<std::string> texts)
{
    model_->setColumn(col, firstRow, std::move(texts));
}
