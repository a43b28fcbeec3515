#include <gtest/gtest.h>

#include <memory>

#include "charts/chart_view.h"
#include "platform/text.h"
#include "session/session.h"
#include "support/fake_downloader.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::writeBytes;
using Values = std::vector<double>;

namespace {

// Event k (1 = oldest, month k from 1991) has the post-event rating 1000 + k;
// the file lists the newest first, numbers in their print form.
std::string chartFileOf(int events) {
    std::vector<std::string> lines;
    for (int k = events; k >= 1; --k) {
        const double date = (1991 + (k - 1) / 12) * 10000 + ((k - 1) % 12 + 1) * 100 + 15;
        lines.push_back(printForm(date) + "," + printForm(993 + k) + "," + printForm(1000 + k));
    }
    return joinLinesCrLf(lines);
}

Values eventsFromTo(int first, int last) {
    Values values;
    for (int k = first; k <= last; ++k) values.push_back(1000 + k);
    return values;
}

struct ChartViewTest : ::testing::Test {
    krv::testing::TempDir dir;
    RecordingMessageBox boxes;
    krv::testing::FakeDownloader offline;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, offline};
    RecordingChart chart;
    std::unique_ptr<ChartView> view;

    std::string file(const char* name) const { return session.store().results() + "/12345678/" + name; }
    // Opens the window (again), on a file of that many events if given.
    void open(int events = -1) {
        if (events >= 0) writeBytes(file("allChart.txt"), chartFileOf(events));
        session.pickIdBoxEntry("12345678 -- Doe, Jane");
        chart = RecordingChart{};
        view = std::make_unique<ChartView>(session, chart);
        view->Form_Load();
    }
    void expectPage(int first, int last, bool left, bool right) {
        EXPECT_EQ(session.chartWindowState.detailFirstRow, first);
        EXPECT_EQ(session.chartWindowState.detailLastRow, last);
        EXPECT_EQ(chart.plottedValues(), eventsFromTo(first, last));
        EXPECT_EQ(view->CmdLeftVisible, left);
        EXPECT_EQ(view->cmdrightVisible, right);
    }
};

}  // namespace

TEST(ChartAxis, FitsTheMembersRange) {
    for (auto [highest, expected] : std::vector<std::pair<std::optional<double>, int>>{
             {1700, 1700}, {1701, 1800}, {95, 100}, {950, 1000}, {2950, 3000}, {-5, 3000}, {std::nullopt, 100}})
        EXPECT_EQ(axisMaximumFor(highest), expected) << highest.value_or(-1);
    for (auto [lowest, expected] : std::vector<std::pair<double, int>>{{1523, 1500}, {2999, 2900}, {3000, 0}})
        EXPECT_EQ(axisMinimumFor(lowest), expected) << lowest;
}

// Oldest to newest, the boxes and the axis from the whole file.
TEST_F(ChartViewTest, Overview) {
    struct Case {
        const char* bytes;
        Values plotted;
        std::vector<std::string> boxes;  // events, highest, lowest, first label
        double axisMinimum, axisMaximum;
    };
    for (const Case& c : {// The unrated start must not become the low.
                          Case{" 20050315 , 1523 , 1610 \r\n 20040102 , 1610 , 1523 \r\n 20030607 ,UnR, 1610 \r\n",
                               {1610, 1523, 1610},
                               {"3", "1610", "1523", "06-07-2003"},
                               1500,
                               1700},
                          // Only unrated starts: the low stays at 3000 and the axis starts at 0.
                          Case{"20050315,UnR,950\r\n", {950}, {"1", "950", "3000", "03-15-2005"}, 0, 1000},
                          // A new low after the event may lie below the axis.
                          Case{"20050315,1523,1388\r\n", {1388}, {"1", "1388", "1523", "03-15-2005"}, 1500, 1400},
                          // Two lines of one date are two points.
                          Case{"20050315,1500,1523\r\n20050315,1523,1540\r\n",
                               {1523, 1540},
                               {"2", "1540", "1500", "03-15-2005"},
                               1500,
                               1600}}) {
        writeBytes(file("allChart.txt"), c.bytes);
        open();
        EXPECT_EQ(chart.title, "Rating Overview for  -- Doe, Jane");
        EXPECT_EQ(chart.chartType, ChartType::Line2d);
        EXPECT_EQ(chart.plottedValues(), c.plotted) << c.bytes;
        EXPECT_EQ((std::vector{view->txtnumevents, view->txthighrating, view->txtlowrating, chart.rows[0].label}),
                  c.boxes);
        EXPECT_FALSE(chart.automaticScale);
        EXPECT_EQ(std::pair(chart.axisMinimum, chart.axisMaximum), std::pair(c.axisMinimum, c.axisMaximum));
        EXPECT_FALSE(view->CmdLeftVisible || view->cmdrightVisible);
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST_F(ChartViewTest, DetailPagesWalkBackAndKeepTheirPlaceUntilThePageSizeChanges) {
    open(100);
    view->cmdshowdetail_Click();
    EXPECT_EQ(chart.title, "Rating Detail View by Date for  -- Doe, Jane");
    expectPage(71, 100, true, false);
    // The axis and the boxes describe the whole file, not the page.
    EXPECT_EQ(view->txtnumevents, "100");
    EXPECT_EQ(std::pair(chart.axisMinimum, chart.axisMaximum), std::pair(900.0, 1100.0));
    EXPECT_EQ(chart.rows.front().label, "11-15-1996");  // event 71
    view->CmdLeft_Click();
    expectPage(41, 70, true, true);
    view->CmdLeft_Click();
    view->CmdLeft_Click();
    expectPage(1, 30, false, true);
    view->cmdright_Click();
    expectPage(11, 40, true, true);

    // The offset survives the overview and a new window; only a change of
    // the page size goes back to the newest events.
    view->cmdShowChart_Click();
    open();
    EXPECT_EQ(chart.plottedValues().size(), 100u);
    view->cmdshowdetail_Click();
    expectPage(11, 40, true, false);                    // the right arrow stays hidden since the overview
    writeBytes(file("allChart.txt"), chartFileOf(12));  // a shorter history under the same ID
    view->cmdshowdetail_Click();
    ASSERT_EQ(chart.rows.size(), 30u);
    EXPECT_EQ(chart.plottedValues(), eventsFromTo(1, 12));
    EXPECT_EQ(chart.rows[29].label, "");

    view->setNumdetailText("30");  // more than the events: shrinks to their count
    EXPECT_EQ(view->txtNumdetail, " 12");
    expectPage(1, 12, false, false);
    view->setNumdetailText("1");
    expectPage(12, 12, true, false);
    view->CmdLeft_Click();
    view->cmdright_Click();
    expectPage(12, 12, true, true);  // one-event pages never hide the right arrow
    view->cmdright_Click();          // beyond the newest event: nothing plotted, both arrows stay
    EXPECT_TRUE(chart.plottedValues().empty());
    EXPECT_EQ(chart.rows.size(), 1u);
    EXPECT_TRUE(view->CmdLeftVisible && view->cmdrightVisible);
}

TEST_F(ChartViewTest, AfterTheYearViewTheBoxComparesWithTheYearCount) {
    std::vector<std::string> years;
    for (int y = 2002; y >= 1991; --y) years.push_back(std::to_string(y) + "1215,1500," + std::to_string(y - 400));
    writeBytes(file("yearChart.txt"), joinLinesCrLf(years));
    open(100);
    view->cmdyearview_Click();
    EXPECT_EQ(chart.title, "Rating View by Year for  -- Doe, Jane");
    EXPECT_EQ(chart.plottedValues(), (Values{1591, 1592, 1593, 1594, 1595, 1596, 1597, 1598, 1599, 1600, 1601, 1602}));
    EXPECT_FALSE(view->CmdLeftVisible || view->cmdrightVisible);
    view->setNumdetailText("50");  // pasted in one go
    EXPECT_EQ(view->txtNumdetail, " 12");
    expectPage(89, 100, true, false);

    view->cmdyearview_Click();
    view->setNumdetailText("5");  // typed digit by digit: the event file is loaded after the first
    view->setNumdetailText("50");
    EXPECT_EQ(view->txtNumdetail, "50");
    expectPage(51, 100, true, false);
}

TEST_F(ChartViewTest, UnusablePageSizesAreIgnoredAndTheGraphTypeLastsAsLongAsTheWindow) {
    open(100);
    view->Option2_Click();
    view->cmdshowdetail_Click();
    view->CmdLeft_Click();
    for (const char* text : {"", " ", "0", "-3", "2.5", "abc", "12abc"}) {
        view->setNumdetailText(text);
        view->CmdLeft_Click();
        view->cmdshowdetail_Click();
        EXPECT_EQ(chart.plottedValues(), eventsFromTo(41, 70)) << '"' << text << '"';
    }
    view->setNumdetailText("10");
    expectPage(91, 100, true, false);
    view->cmdShowChart_Click();
    EXPECT_EQ(chart.chartType, ChartType::Bar2d);
    view->Option3_Click();
    EXPECT_EQ(chart.chartType, ChartType::Area2d);
    view->Option4_Click();
    EXPECT_EQ(chart.chartType, ChartType::Line3d);
    open();
    EXPECT_EQ(chart.chartType, ChartType::Line2d);
}

TEST_F(ChartViewTest, WithoutAMemberTheChartSaysSoWithoutAPath) {
    for (const char* idBox : {"", "   "}) {
        session.pickIdBoxEntry(idBox);
        view = std::make_unique<ChartView>(session, chart);
        boxes.shown.clear();
        view->Form_Load();
        ASSERT_EQ(boxes.shown.size(), 1u) << '"' << idBox << '"';
        EXPECT_EQ(boxes.shown[0].text,
                  "There is no member to chart yet. Type or pick a USCF ID in the main window, run "
                  "\"Update Individual's Data\" or \"Analyse Only\", and open the charts again.");
        EXPECT_EQ(boxes.shown[0].text.find('/'), std::string::npos);
    }
}

TEST_F(ChartViewTest, AFileThatCannotBeChartedIsReportedAndLeavesAnEmptyChart) {
    for (const char* bytes : {static_cast<const char*>(nullptr), "", "\r\n  \r\n",
                              "20050315,1500,1523\r\n20050401,1523,UnR\r\n", "20050315,1500\r\n"}) {
        const std::string name = bytes ? '"' + std::string(bytes) + '"' : "missing";
        boxes.shown.clear();
        std::filesystem::remove(file("allChart.txt"));
        if (bytes) writeBytes(file("allChart.txt"), bytes);
        open();
        ASSERT_EQ(boxes.shown.size(), 1u) << name;
        EXPECT_EQ(boxes.shown[0].title, "KRV Graphs") << name;
        // A file that is there but unusable is named; a missing one is the
        // usual "not analysed yet", said without a path.
        if (bytes) EXPECT_NE(boxes.shown[0].text.find(file("allChart.txt")), std::string::npos) << name;
        else
            EXPECT_EQ(boxes.shown[0].text,
                      "There are no charts for 12345678 yet. Run \"Update Individual's Data\" or "
                      "\"Analyse Only\" for this member first.");
        EXPECT_TRUE(chart.rows.empty()) << name;
        EXPECT_EQ(view->txtnumevents, "") << name;
        view->cmdshowdetail_Click();
        EXPECT_TRUE(chart.plottedValues().empty()) << name;
        EXPECT_FALSE(view->CmdLeftVisible) << name;
    }
    // Even an empty chart is copied, and the user told so.
    boxes.shown.clear();
    view->cmdCopy_Click();
    EXPECT_EQ(chart.copies, 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Copy to Clipboard");
    EXPECT_EQ(boxes.shown[0].text,
              "The current chart view has been copied to the clip board and may be pasted into other programs "
              "for saving and printing.");
}

// An ID box without a member ID names no file: nothing is read outside the
// store (a chart file planted where "../../x" would lead stays unread), and
// the box says why.
TEST_F(ChartViewTest, AnIdBoxWithoutAMemberIdChartsNothing) {
    writeBytes(session.store().results() + "/../../x/allChart.txt", chartFileOf(5));
    session.pickIdBoxEntry("../../x -- Doe, Jane");
    view = std::make_unique<ChartView>(session, chart);
    view->Form_Load();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Could not chart this member: the ID box does not begin with an 8-digit member ID.");
    EXPECT_TRUE(chart.rows.empty());
}
