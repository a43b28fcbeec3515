// A temporary store with one member ("12345678 -- JOHN SMITH") whose raw game
// list and results file the tests write by hand, and a session whose state
// points at them the way the analysis driver sets it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gamelist/sort_data.h"
#include "platform/text.h"
#include "session/session.h"
#include "support/fake_downloader.h"
#include "support/temp_store.h"

namespace krv::testing {

// One raw game list record, the name padded as the event pages give it.
inline std::string gameRecord(const std::string& id, std::string name, const std::string& score, const std::string& pre,
                              const std::string& opponent, const std::string& post, const std::string& date,
                              const std::string& event = "SPRING OPEN") {
    name.resize(32, ' ');
    return id + "," + name + "," + score + "," + pre + "," + opponent + "," + post + "," + date + "," + event + "," +
           date + "0001.0-12345678.txt";
}

// An 11-column game grid with `rows` written into the columns `cols` name.
inline Grid gridOf(const std::vector<int>& cols, const std::vector<std::vector<std::string>>& rows) {
    Grid g;
    g.setCols(11);
    g.setRows(static_cast<int>(rows.size()));
    for (int r = 0; r < g.rows(); ++r)
        for (std::size_t c = 0; c < cols.size(); ++c) g.setText(r, cols[c], rows[r][c]);
    return g;
}

inline std::vector<std::string> column(const Grid& grid, int col) {
    std::vector<std::string> cells;
    for (int r = 0; r < grid.rows(); ++r) cells.push_back(grid.text(r, col));
    return cells;
}

struct AnalysisFixture : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    FakeDownloader offline;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, offline};

    AnalysisFixture() {
        session.ui.CmbID = "12345678 -- JOHN SMITH";
        std::filesystem::create_directories(results());
        session.state.gameListFile = results() + "12345678.txt";
        session.state.streakFile = results() + "streak.txt";
        session.state.memberName = "JOHN SMITH";
        session.state.opponentFile = results() + "JOHN SMITH.txt";
        session.state.analyseOnly = 1;
    }

    std::string results() const { return session.store().memberResultsDir("12345678"); }
    void writeGames(const std::vector<std::string>& records) {
        writeBytes(session.state.gameListFile, joinLinesCrLf(records));
        session.state.gameCount = static_cast<long>(records.size());
    }
    void writeResults(const std::vector<std::string>& lines) {
        writeBytes(session.state.streakFile, joinLinesCrLf(lines));
    }
    void sortData() {
        SortData(session, [] { return std::string("06-15-2024"); });
    }
    std::vector<std::string> digestLines() const { return splitLines(session.ui.txtResults); }
};

}  // namespace krv::testing
