// Shows a krv::Grid in a Qt item view, and the 8-bit text of the store on
// screen. The grid is the core's; the model shows a copy taken at refresh(),
// so a view can paint while a command runs on another thread.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <string>

#include "platform/grid.h"

class QTableView;

namespace krv {

class QtGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Titles name the columns in order; a missing title leaves the column's
    // header empty. Data rows start at model row 0 like the grid's.
    QtGridModel(const Grid& grid, QStringList titles, QObject* parent = nullptr);

    // Takes a fresh copy of the grid when it changed since the last one.
    // Call on the GUI thread while no command changes the grid.
    void refresh();
    const Grid& shown() const { return shown_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Grid& grid_;
    QStringList titles_;
    Grid shown_;
    unsigned long shownRevision_ = 0;
    bool everRefreshed_ = false;
};

// Applies the grid's column layout to a view: hidden sort-key columns are
// hidden, the others get their width (twips at the screen's resolution) or
// more when their title or cells need it. stretchColumn takes what room is
// left over.
void applyGridColumns(QTableView& view, const Grid& grid, int stretchColumn);

// Shows the grid's current sort (Grid::currentSort) as the sort indicator of
// the view's titles; a sort on the hidden keyColumn shows on shownColumn,
// the column whose text the key sorts. No indicator once the order is gone.
void showSortIndicator(QTableView& view, const Grid& grid, int keyColumn, int shownColumn);

// A read-only table view of a grid model, selecting whole rows, as every
// grid window shows its grid.
QTableView* makeGridView(QtGridModel* model, const char* objectName);

}  // namespace krv
