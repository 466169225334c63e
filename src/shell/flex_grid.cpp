#include "shell/flex_grid.h"

#include "shell/library_text.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <unordered_map>

// Cells are kept column by column, or come from a cell source with the
// texts set by hand kept aside. The model shows the cells of rows 1.. and
// columns 1.. as items; row 0 becomes the horizontal header and column 0 the
// vertical header. Writes only mark a dirty range; one notification covering
// it is sent later (or on flush()), so filling a million cells one by one
// costs no per-cell work in the view.
class FlexGridModel : public QAbstractTableModel {
public:
    explicit FlexGridModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : std::max(0, rows_ - 1);
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : std::max(0, cols_ - 1);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return fromLibrary(text(index.row() + 1, index.column() + 1));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return orientation == Qt::Horizontal ? fromLibrary(text(0, section + 1)) : fromLibrary(text(section + 1, 0));
    }

    void resize(int rows, int cols)
    {
        flush();
        beginResetModel();
        rows_ = std::max(0, rows);
        cols_ = std::max(0, cols);
        if (source_) {
            std::erase_if(overrides_, [this](const auto& entry) { return !inside(entry.first); });
        } else {
            columns_.resize(static_cast<std::size_t>(cols_));
            for (auto& column : columns_)
                column.resize(static_cast<std::size_t>(rows_));
        }
        endResetModel();
    }
    int rows() const { return rows_; }
    int cols() const { return cols_; }

    std::string text(int row, int col) const
    {
        if (row < 0 || row >= rows_ || col < 0 || col >= cols_)
            return {};
        if (!source_)
            return columns_[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
        if (!overrides_.empty()) {
            const auto found = overrides_.find(key(row, col));
            if (found != overrides_.end())
                return found->second;
        }
        return source_(row, col);
    }
    void setText(int row, int col, std::string value)
    {
        if (row < 0 || row >= rows_ || col < 0 || col >= cols_)
            return;
        store(row, col, std::move(value));
        markDirty(row, row, col, col);
    }
    void setColumn(int col, int firstRow, std::vector<std::string> texts)
    {
        if (col < 0 || col >= cols_ || firstRow < 0 || firstRow >= rows_ || texts.empty())
            return;
        const std::size_t count = std::min(texts.size(), static_cast<std::size_t>(rows_ - firstRow));
        if (source_) {
            for (std::size_t k = 0; k < count; ++k)
                store(firstRow + static_cast<int>(k), col, std::move(texts[k]));
        } else {
            std::move(texts.begin(), texts.begin() + static_cast<std::ptrdiff_t>(count),
                      columns_[static_cast<std::size_t>(col)].begin() + firstRow);
        }
        markDirty(firstRow, firstRow + static_cast<int>(count) - 1, col, col);
    }
    void setSource(FlexGrid::CellSource source)
    {
        flush();
        beginResetModel();
        source_ = std::move(source);
        columns_ = std::vector<std::vector<std::string>>();
        overrides_.clear();
        if (!source_)
            columns_.assign(static_cast<std::size_t>(cols_), std::vector<std::string>(static_cast<std::size_t>(rows_)));
        endResetModel();
    }

    // Sends the notifications for the cells written since the last flush.
    void flush()
    {
        if (!dirty_)
            return;
        dirty_ = false;
        const int lastRow = std::min(dirtyLastRow_, rows_ - 1);
        const int lastCol = std::min(dirtyLastCol_, cols_ - 1);
        if (dirtyFirstRow_ == 0 && dirtyFirstCol_ <= lastCol && lastCol >= 1)
            emit headerDataChanged(Qt::Horizontal, std::max(0, dirtyFirstCol_ - 1), lastCol - 1);
        if (dirtyFirstCol_ == 0 && dirtyFirstRow_ <= lastRow && lastRow >= 1)
            emit headerDataChanged(Qt::Vertical, std::max(0, dirtyFirstRow_ - 1), lastRow - 1);
        const int top = std::max(1, dirtyFirstRow_), left = std::max(1, dirtyFirstCol_);
        if (top <= lastRow && left <= lastCol)
            emit dataChanged(index(top - 1, left - 1), index(lastRow - 1, lastCol - 1), {Qt::DisplayRole});
    }

private:
    static std::uint64_t key(int row, int col)
    {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32) | static_cast<std::uint32_t>(col);
    }
    bool inside(std::uint64_t k) const
    {
        return static_cast<int>(k >> 32) < rows_ && static_cast<int>(k & 0xFFFFFFFFu) < cols_;
    }
    void store(int row, int col, std::string value)
    {
        if (source_)
            overrides_[key(row, col)] = std::move(value);
        else
            columns_[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)] = std::move(value);
    }
    void markDirty(int firstRow, int lastRow, int firstCol, int lastCol)
    {
        if (!dirty_) {
            dirty_ = true;
            dirtyFirstRow_ = firstRow, dirtyLastRow_ = lastRow;
            dirtyFirstCol_ = firstCol, dirtyLastCol_ = lastCol;
            QTimer::singleShot(0, this, [this] { flush(); });
            return;
        }
        dirtyFirstRow_ = std::min(dirtyFirstRow_, firstRow), dirtyLastRow_ = std::max(dirtyLastRow_, lastRow);
        dirtyFirstCol_ = std::min(dirtyFirstCol_, firstCol), dirtyLastCol_ = std::max(dirtyLastCol_, lastCol);
    }

    int rows_ = 0;
    int cols_ = 0;
    // Without a source: every cell's text, column by column.
    std::vector<std::vector<std::string>> columns_;
    // With a source: the texts set by hand since, by row and column.
    FlexGrid::CellSource source_;
    std::unordered_map<std::uint64_t, std::string> overrides_;
    bool dirty_ = false;
    int dirtyFirstRow_ = 0, dirtyLastRow_ = 0, dirtyFirstCol_ = 0, dirtyLastCol_ = 0;
};

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(new FlexGridModel(this))
{
    setModel(model_);
    // Fixed sizes: nothing ever measures a million rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setDefaultSectionSize(110);
    // Heading and label texts change without the model resetting; the
    // headers must be measured again when they do.
    connect(model_, &QAbstractItemModel::headerDataChanged, this, [this] { updateGeometries(); });
}

void FlexGrid::setRows(int rows) { model_->resize(rows, model_->cols()); }
void FlexGrid::setCols(int cols) { model_->resize(model_->rows(), cols); }
int FlexGrid::rows() const { return model_->rows(); }
int FlexGrid::cols() const { return model_->cols(); }
void FlexGrid::setTextMatrix(int row, int col, std::string text) { model_->setText(row, col, std::move(text)); }
std::string FlexGrid::textMatrix(int row, int col) const { return model_->text(row, col); }
void FlexGrid::setColumn(int col, int firstRow, std::vector<std::string> texts)
{
    model_->setColumn(col, firstRow, std::move(texts));
}
void FlexGrid::setCellSource(CellSource source) { model_->setSource(std::move(source)); }
void FlexGrid::flush() { model_->flush(); }
