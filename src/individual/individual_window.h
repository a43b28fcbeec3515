// The individual results window: the per-opponent table, its six sort
// buttons, Print and Close. Closing only hides it, keeping table and order.
#pragma once

#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace krv {
class CommandRunner;
class KrvSession;
class QtGridModel;

class FormIndividual : public QWidget {
    Q_OBJECT
public:
    FormIndividual(KrvSession& session, CommandRunner& windows);

    void refreshFromSession();
    void setBusy(bool busy);
    QTableView& resultsGrid() { return *grid_; }
    // Stands in the grid's place until an analysis has filled it.
    QLabel& emptyHint() { return *emptyHint_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void printResults();
    void titleClicked(int column);

    KrvSession& session_;
    CommandRunner& windows_;
    QTableView* grid_ = nullptr;
    QtGridModel* model_ = nullptr;
    QLabel* emptyHint_ = nullptr;
    std::vector<QPushButton*> actions_;  // disabled while an update runs
};

}  // namespace krv
