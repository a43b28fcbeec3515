#include "platform/qt_grid_model.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <vector>

#include "platform/qt_text.h"
#include "platform/text.h"

namespace krv {

namespace {

// Numbers, and percentages like "67%", line up on the right.
bool looksNumeric(const std::string& cell) {
    if (isNumberText(cell)) return true;
    const std::string trimmed = trimBlanks(cell);
    return trimmed.size() > 1 && trimmed.back() == '%' && isNumberText(trimmed.substr(0, trimmed.size() - 1));
}

// A column is as wide as its widest cell; measuring every cell of a long
// grid on every sort would keep the user waiting, so only the cells with the
// longest texts are measured, which in the grid's fonts hold the widest one.
// Chosen from every row, they are the same whatever the order of the rows,
// so a sort leaves the widths alone.
constexpr int kMeasuredCellsPerColumn = 8;

std::vector<int> rowsWithLongestTexts(const Grid& grid, int col) {
    std::vector<int> rows(static_cast<std::size_t>(grid.rows()));
    for (int r = 0; r < grid.rows(); ++r) rows[static_cast<std::size_t>(r)] = r;
    const auto longer = [&grid, col](int a, int b) { return grid.text(a, col).size() > grid.text(b, col).size(); };
    const std::size_t kept = std::min(rows.size(), static_cast<std::size_t>(kMeasuredCellsPerColumn));
    std::partial_sort(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(kept), rows.end(), longer);
    rows.resize(kept);
    return rows;
}

int widestCell(const QTableView& view, const Grid& grid, int col) {
    const QAbstractItemModel* model = view.model();
    int widest = 0;
    for (int row : rowsWithLongestTexts(grid, col))
        if (row < model->rowCount()) widest = std::max(widest, view.sizeHintForIndex(model->index(row, col)).width());
    // The grid line takes a pixel of the column, as the view's own measure
    // counts it.
    return view.showGrid() ? widest + 1 : widest;
}

}  // namespace

QtGridModel::QtGridModel(const Grid& grid, QStringList titles, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), titles_(std::move(titles)) {}

void QtGridModel::refresh() {
    // The copy is taken every time, so that widths and the current cell are
    // fresh; the views are reset only when the cells changed, so that an
    // unchanged grid keeps its scroll position.
    // A grid taken over from a worker's copy of the session counts its own
    // revisions: its size is compared as well.
    const bool cellsChanged = !everRefreshed_ || grid_.revision() != shownRevision_ || grid_.rows() != shown_.rows() ||
                              grid_.cols() != shown_.cols();
    if (cellsChanged) beginResetModel();
    shown_ = grid_;
    shownRevision_ = grid_.revision();
    everRefreshed_ = true;
    if (cellsChanged) endResetModel();
}

int QtGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_.rows(); }

int QtGridModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    // A grid that was never filled still shows its titled columns.
    return std::max(shown_.cols(), static_cast<int>(titles_.size()));
}

QVariant QtGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const std::string& cell = shown_.text(index.row(), index.column());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return fromCp1252(cell);
        case Qt::TextAlignmentRole: {
            // Centred where the grid says so; otherwise numbers to the right
            // and text to the left, as a grid's general alignment does.
            if (shown_.colAlignment(index.column()) == CellAlignment::Centre)
                return QVariant::fromValue(Qt::AlignCenter);
            return QVariant::fromValue(Qt::AlignVCenter | (looksNumeric(cell) ? Qt::AlignRight : Qt::AlignLeft));
        }
        default:
            return {};
    }
}

QVariant QtGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section < titles_.size() ? titles_[section] : QString();
}

void applyGridColumns(QTableView& view, const Grid& grid, int stretchColumn) {
    QHeaderView& header = *view.horizontalHeader();
    const int dpi = view.logicalDpiX() > 0 ? view.logicalDpiX() : 96;
    const QFontMetrics titleMetrics(header.font());
    auto* model = view.model();
    const int columns = model ? model->columnCount() : 0;
    for (int c = 0; c < columns; ++c) {
        const bool hidden = c < grid.cols() && grid.isColHidden(c);
        view.setColumnHidden(c, hidden);
        if (hidden) continue;
        const int fromTwips = c < grid.cols() ? grid.colWidth(c) * dpi / 1440 : 0;
        const QString title = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        const int forTitle = titleMetrics.horizontalAdvance(title) + 24;
        if (c == stretchColumn) {
            header.setSectionResizeMode(c, QHeaderView::Stretch);
            continue;
        }
        header.setSectionResizeMode(c, QHeaderView::Interactive);
        header.resizeSection(c, std::max({fromTwips, forTitle, widestCell(view, grid, c), 40}));
    }
    header.setStretchLastSection(false);
}

void showSortIndicator(QTableView& view, const Grid& grid, int keyColumn, int shownColumn) {
    QHeaderView& header = *view.horizontalHeader();
    header.setSortIndicatorShown(true);
    const auto sorted = grid.currentSort();
    if (!sorted) {
        header.setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    const int column = sorted->column == keyColumn ? shownColumn : sorted->column;
    // The even codes (2, 4, 6) are the descending ones.
    header.setSortIndicator(column, sorted->code % 2 == 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

QTableView* makeGridView(QtGridModel* model, const char* objectName) {
    auto* view = new QTableView;
    view->setObjectName(objectName);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several rows can be selected, for Ctrl+C.
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
    // One Tab stop: Tab goes on to the next control, the arrow keys move
    // inside the grid.
    view->setTabKeyNavigation(false);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    return view;
}

}  // namespace krv
