#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "individual/individual_sort.h"
#include "shell/session.h"
#include "shell/sort_name.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::TempDir;

namespace {

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

using Texts = std::vector<std::string>;

// The per-opponent grid: sort key, name, W, D, L, T, percentage.
struct IndividualFixture : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, downloads};

    void SetUp() override {
        const std::vector<Texts> rows = {
            {"JOHN SMITH", "2", "1", "0", "3", "83%"}, {"ANNA ZIMMER", "0", "0", "1", "1", "0%"},
            {"BOB ADAMS", "1", "0", "0", "1", "100%"}, {"CARL MILLER", "2", "0", "1", "3", "67%"},
            {"DORA BAKER", "0", "2", "9", "11", "9%"},
        };
        Grid& g = session.ui.MSFlexResults;
        g.setCols(7);
        g.setRows(static_cast<int>(rows.size()));
        for (int r = 0; r < g.rows(); ++r) {
            g.setText(r, 0, makeSortName(rows[r][0]));
            for (int c = 0; c < 6; ++c) g.setText(r, c + 1, rows[r][c]);
        }
    }
    Texts column(int c) const {
        Texts out;
        for (int r = 0; r < session.ui.MSFlexResults.rows(); ++r)
            out.push_back(session.ui.MSFlexResults.text(r, c));
        return out;
    }
};

}  // namespace

TEST_F(IndividualFixture, WinsTwiceSortsDescendingThenAscending) {
    cmdW_Click(session);
    EXPECT_EQ(column(2), (Texts{"2", "2", "1", "0", "0"}));
    EXPECT_EQ(column(1)[0], "JOHN SMITH");  // equal keys keep their order
    EXPECT_EQ(session.state.individualLastSortCode, 4);
    cmdW_Click(session);
    EXPECT_EQ(column(2), (Texts{"0", "0", "1", "2", "2"}));
    EXPECT_EQ(session.state.individualLastSortCode, 3);
    EXPECT_EQ(session.ui.MSFlexResults.col(), 2);
}

TEST_F(IndividualFixture, NumericButtonsShareOneDirection) {
    cmdW_Click(session);
    cmdD_Click(session);
    EXPECT_EQ(column(3), (Texts{"0", "0", "0", "1", "2"}));
    EXPECT_EQ(column(1)[0], "CARL MILLER");  // wins order kept among equal draws
    EXPECT_EQ(session.state.individualLastSortCode, 3);
    EXPECT_EQ(session.ui.MSFlexResults.col(), 3);
}

TEST_F(IndividualFixture, PercentageSortsByTheNumberBeforeThePercentSign) {
    cmdper_Click(session);
    cmdper_Click(session);
    EXPECT_EQ(column(6), (Texts{"0%", "9%", "67%", "83%", "100%"}));
}

TEST_F(IndividualFixture, AlphaSortsTheSurnameKeyAndStartsDescending) {
    cmdalpharesults_Click(session);
    EXPECT_EQ(column(1), (Texts{"ANNA ZIMMER", "JOHN SMITH", "CARL MILLER", "DORA BAKER", "BOB ADAMS"}));
    EXPECT_EQ(session.state.individualLastSortCode, 6);
    EXPECT_EQ(session.ui.MSFlexResults.col(), 0);
    cmdalpharesults_Click(session);
    EXPECT_EQ(column(1), (Texts{"BOB ADAMS", "DORA BAKER", "CARL MILLER", "JOHN SMITH", "ANNA ZIMMER"}));
    EXPECT_EQ(session.state.individualLastSortCode, 5);
}

TEST_F(IndividualFixture, EveryButtonSortsItsColumn) {
    for (const auto& button : kIndividualSortButtons) {
        ASSERT_TRUE(clickIndividualSortButton(session, button.name));
        EXPECT_EQ(session.ui.MSFlexResults.col(), button.column) << button.name;
    }
    EXPECT_FALSE(clickIndividualSortButton(session, "cmdX"));
    cmdT_Click(session);  // five numeric presses left the switch at 4
    EXPECT_EQ(column(5), (Texts{"1", "1", "3", "3", "11"}));
}
