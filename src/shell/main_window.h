// The main window: the ID box, the commands, the tournament grid with its
// sort buttons, and the status line with the progress of an update run.
#pragma once

#include <QString>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace krv {
class AppWindows;
class KrvSession;
class QtGridModel;

class cmdanalyse : public QWidget {
    Q_OBJECT
public:
    cmdanalyse(KrvSession& session, AppWindows& windows);

    // Shows the session's state: ID box, status line, grid, visibility.
    void refreshFromSession();
    // While a run goes, only Cancel, Exit, Help and the window buttons work.
    void setBusy(bool busy);
    // The rating site in use, where a user looks for it: the status line's
    // hover text.
    void showSiteAddress(const QString& url, const QString& source);

    // The tournament grid's column widths in pixels as the user left them
    // (0: the grid's own width); they win over the grid's own widths.
    std::vector<int> columnWidths() const { return columnWidths_; }
    void setColumnWidths(std::vector<int> widths);

    QTableView& tournamentGrid() { return *grid_; }
    // Stands in the grid's place until an analysis fills the grid.
    QLabel& emptyHint() { return *emptyHint_; }
    QtGridModel& tournamentModel() { return *model_; }

signals:
    void chartsRequested();
    void crosstableRequested(const QString& address);

public slots:
    void showStatus(const QString& text);
    void showProgress(int done, int total);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* addButton(const char* name, const char* caption, const char* hoverText);
    QWidget* buildIdRow();
    QWidget* buildCommandRow();
    QWidget* buildSortRow();
    QWidget* buildStatusArea();
    void connectCommands();
    void connectKeys();
    void titleClicked(int column);
    void setUpIdSuggestions();
    void idBoxTyped();
    void idBoxPicked(int index);
    void gridClicked(int row, int column);
    void printTournamentView();
    void refreshIdBox();
    void layOutColumns();

    KrvSession& session_;
    AppWindows& windows_;
    std::map<std::string, QWidget*> controls_;  // every named control, for visibility
    std::vector<std::string> shownIdList_;
    std::vector<int> columnWidths_;
    bool layingOutColumns_ = false;  // our own widths are not the user's
    QComboBox* CmbID_ = nullptr;
    QLabel* lblprocessed_ = nullptr;
    QLabel* emptyHint_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTableView* grid_ = nullptr;
    QtGridModel* model_ = nullptr;
};

}  // namespace krv
