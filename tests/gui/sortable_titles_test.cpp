// Column titles sort as the sort buttons do: the same clicks, once on the
// titles and once on the buttons in a second run of the program, must leave
// the same order and the same sort state after every click, for every column
// of the tournament grid and of the individual results grid; the title then
// shows the direction.
#include <QHeaderView>
#include <QPushButton>

#include "gui_test_support.h"
#include "individual/individual_sort.h"
#include "session/sort_name.h"
#include "support/temp_store.h"
#include "tournament/sort_commands.h"

using namespace krv;
using namespace krv::testing;

namespace {

// Five games with distinct values in every column, and ties in some.
void fillTournamentGrid(KrvSession& session) {
    const std::vector<std::vector<std::string>> rows = {
        {"12000004", "JOHN SMITH", " 1", "1500", "1420", "80", "1510", "20190210", "WINTER OPEN ", "", "a.txt"},
        {"12000002", "ANNA ZIMMER", " 0", "UnR", "1800", "-1800", "1380", "20131116", "autumn swiss ", "", "b.txt"},
        {"12000009", "BOB ADAMS", " .5", "1620", "980", "640", "1625", "20230318", "SPRING QUADS ", "", "c.txt"},
        {"12000001", "CARL BAKER", " 1", "1610", "1700", "-90", "1630", "20200101", "Zeta Cup ", "", "d.txt"},
        {"12000003", "DORA YOUNG", " 0", "1405", "1390", "15", "1398", "20150505", "ALPHA OPEN ", "", "e.txt"}};
    Grid& g = session.ui.MSFlexSort;
    g.setCols(11);
    g.setRows(static_cast<int>(rows.size()));
    const std::vector<int> widths = {1000, 3500, 300, 600, 600, 600, 600, 1000, 4500, 1, 1};
    for (int c = 0; c < 11; ++c) g.setColWidth(c, widths[c]);
    for (int r = 0; r < g.rows(); ++r) {
        for (int c = 0; c < 11; ++c) g.setText(r, c, rows[r][c]);
        g.setText(r, 9, makeSortName(rows[r][1]));
    }
    for (const auto& b : kTournamentSortButtons) session.ui.setVisible(b.name, true);
    session.ui.setVisible("MSFlexSort", true);
}

void fillIndividualGrid(KrvSession& session) {
    const std::vector<std::vector<std::string>> rows = {{"", "JOHN SMITH", "2", "0", "1", "3", "67%"},
                                                        {"", "ANNA ZIMMER", "1", "0", "0", "1", "100%"},
                                                        {"", "BOB ADAMS", "0", "1", "0", "1", "50%"},
                                                        {"", "CARL BAKER", "0", "2", "3", "5", "20%"}};
    Grid& g = session.ui.MSFlexResults;
    g.setCols(7);
    g.setRows(static_cast<int>(rows.size()));
    const std::vector<int> widths = {1, 2600, 500, 500, 500, 600, 700};
    for (int c = 0; c < 7; ++c) g.setColWidth(c, widths[c]);
    for (int r = 0; r < g.rows(); ++r) {
        for (int c = 0; c < 7; ++c) g.setText(r, c, rows[r][c]);
        g.setText(r, 0, makeSortName(rows[r][1]));
    }
    session.ui.setVisible("MSFlexResults", true);
}

// What a click leaves: the rows in order (by the name, which is distinct),
// the grid's column and the sort state.
QString snapshot(const QTableView& view, const KrvSession& s, const Grid& grid) {
    const auto& st = s.state;
    return shownColumn(view, 1).join('|') + QString(" col %1 num %2/%3 text %4/%5 last %6/%7")
                                                .arg(grid.col())
                                                .arg(st.numericSortCode)
                                                .arg(st.individualNumericSortCode)
                                                .arg(st.stringSortCode)
                                                .arg(st.individualStringSortCode)
                                                .arg(st.lastSortCode.value_or(-1))
                                                .arg(st.individualLastSortCode.value_or(-1));
}

void clickTitle(QTableView& view, int column) {
    QHeaderView* header = view.horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

// Every visible column twice (the direction toggles), then columns of the
// same kind one after the other (they share their direction switch).
std::vector<int> clicksFor(std::vector<int> columns, std::vector<int> mixed) {
    std::vector<int> clicks;
    for (int c : columns) clicks.insert(clicks.end(), {c, c});
    clicks.insert(clicks.end(), mixed.begin(), mixed.end());
    return clicks;
}

}  // namespace

class SortableTitlesTest : public QObject {
    Q_OBJECT

    // The tournament grid after each click, by title or by button.
    QStringList tournamentClicks(bool byTitle, const std::vector<int>& clicks) {
        TempDir dir;
        ProgramRun run(dir / "KRV");
        run.start();
        fillTournamentGrid(run.session);
        run.windows.refreshViews();
        QTableView& view = run.windows.mainWindow().tournamentGrid();
        QStringList states;
        for (int column : clicks) {
            if (byTitle) {
                clickTitle(view, column);
                // The title shows the sort just made.
                QHeaderView* header = view.horizontalHeader();
                const bool descending = run.session.state.lastSortCode.value_or(0) % 2 == 0;
                if (header->sortIndicatorSection() != column ||
                    header->sortIndicatorOrder() != (descending ? Qt::DescendingOrder : Qt::AscendingOrder))
                    states << QString("wrong indicator after column %1").arg(column);
            } else {
                run.button(tournamentSortButtonFor(column))->click();
            }
            states << snapshot(view, run.session, run.session.ui.MSFlexSort);
        }
        // While a command runs the titles sort nothing, like the buttons.
        run.windows.mainWindow().setBusy(true);
        const QString before = snapshot(view, run.session, run.session.ui.MSFlexSort);
        clickTitle(view, 3);
        if (snapshot(view, run.session, run.session.ui.MSFlexSort) != before) states << "sorted while busy";
        run.windows.mainWindow().setBusy(false);
        return states;
    }

    QStringList individualClicks(bool byTitle, const std::vector<int>& clicks) {
        TempDir dir;
        ProgramRun run(dir / "KRV");
        run.start();
        fillIndividualGrid(run.session);
        run.windows.showIndividual();
        FormIndividual& window = run.windows.individual();
        QTableView& view = window.resultsGrid();
        QStringList states;
        for (int column : clicks) {
            if (byTitle) {
                clickTitle(view, column);
                QHeaderView* header = view.horizontalHeader();
                const bool descending = run.session.state.individualLastSortCode.value_or(0) % 2 == 0;
                if (header->sortIndicatorSection() != column ||
                    header->sortIndicatorOrder() != (descending ? Qt::DescendingOrder : Qt::AscendingOrder))
                    states << QString("wrong indicator after column %1").arg(column);
            } else {
                window.findChild<QPushButton*>(individualSortButtonFor(column))->click();
            }
            states << snapshot(view, run.session, run.session.ui.MSFlexResults);
        }
        window.setBusy(true);
        const QString before = snapshot(view, run.session, run.session.ui.MSFlexResults);
        clickTitle(view, 2);
        if (snapshot(view, run.session, run.session.ui.MSFlexResults) != before) states << "sorted while busy";
        window.setBusy(false);
        return states;
    }

private slots:
    void initTestCase() { quietOffscreenWarnings(); }

    void tournamentTitlesSortAsTheirButtons() {
        const auto clicks = clicksFor({0, 1, 2, 3, 4, 5, 6, 7, 8}, {3, 4, 8, 1, 7});
        const QStringList byButton = tournamentClicks(false, clicks);
        QCOMPARE(byButton.size(), int(clicks.size()));
        QCOMPARE(tournamentClicks(true, clicks), byButton);
    }

    void individualTitlesSortAsTheirButtons() {
        const auto clicks = clicksFor({1, 2, 3, 4, 5, 6}, {2, 3, 1, 6});
        const QStringList byButton = individualClicks(false, clicks);
        QCOMPARE(byButton.size(), int(clicks.size()));
        QCOMPARE(individualClicks(true, clicks), byButton);
    }

    void noIndicatorUntilASortAndAfterTheRowsChange() {
        TempDir dir;
        ProgramRun run(dir / "KRV");
        run.start();
        fillTournamentGrid(run.session);
        run.windows.refreshViews();
        QHeaderView* header = run.windows.mainWindow().tournamentGrid().horizontalHeader();
        QCOMPARE(header->sortIndicatorSection(), -1);
        run.button("cmdsortbyalpha")->click();  // the hidden key shows on the name
        QCOMPARE(header->sortIndicatorSection(), 1);
        run.session.ui.MSFlexSort.setText(0, 0, "99999999");
        run.windows.refreshViews();
        QCOMPARE(header->sortIndicatorSection(), -1);
    }
};

QTEST_MAIN(SortableTitlesTest)
#include "sortable_titles_test.moc"
