// A temporary store with one member ("12345678 -- JOHN SMITH") whose raw game
// list and results file the tests write by hand, and a session whose state
// points at them the way the analysis driver sets it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gamelist/sort_data.h"
#include "platform/text.h"
#include "shell/session.h"
#include "support/temp_store.h"

namespace krv::testing {

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

inline constexpr const char* kToday = "06-15-2024";

// One raw game list record, the name padded to 32 characters as the event
// pages give it.
inline std::string gameRecord(const std::string& id, std::string name, const std::string& score,
                              const std::string& pre, const std::string& opponent, const std::string& post,
                              const std::string& date, const std::string& event = "SPRING OPEN") {
    name.resize(32, ' ');
    return id + "," + name + "," + score + "," + pre + "," + opponent + "," + post + "," + date + "," + event + "," +
           date + "0001.0-12345678.txt";
}

struct AnalysisFixture : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    std::unique_ptr<KrvSession> owned =
        std::make_unique<KrvSession>(SessionOptions{dir / "KRV"}, boxes, downloads);
    KrvSession& session = *owned;
    const std::string id = "12345678";

    AnalysisFixture() {
        session.ui.CmbID = "12345678 -- JOHN SMITH";
        std::filesystem::create_directories(results());
        auto& st = session.state;
        st.gameListFile = results() + id + ".txt";
        st.streakFile = results() + "streak.txt";
        st.memberName = "JOHN SMITH";
        st.opponentFile = results() + "JOHN SMITH.txt";
        st.analyseOnly = 1;
    }

    std::string results() const { return session.store().memberResultsDir(id); }
    std::string resultFile(const std::string& name) const { return readBytes(results() + name); }

    void writeGames(const std::vector<std::string>& records) {
        writeBytes(session.state.gameListFile, joinLinesCrLf(records));
        session.state.gameCount = static_cast<long>(records.size());
    }
    void writeResults(const std::vector<std::string>& lines) {
        writeBytes(session.state.streakFile, joinLinesCrLf(lines));
    }
    void writeOfficialRating(const std::string& rating) {
        writeBytes(results() + "currentrating.txt", rating + "\r\n");
    }
    void sortData() { SortData(session, [] { return std::string(kToday); }); }

    // The digest text as lines.
    std::vector<std::string> digestLines() const { return splitLines(session.ui.txtResults); }
    std::vector<std::string> column(const Grid& grid, int col) const {
        std::vector<std::string> cells;
        for (int r = 0; r < grid.rows(); ++r) cells.push_back(grid.text(r, col));
        return cells;
    }
};

}  // namespace krv::testing
