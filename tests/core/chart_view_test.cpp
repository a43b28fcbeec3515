#include <gtest/gtest.h>

#include <memory>
#include <numeric>

#include "charts/chart_view.h"
#include "platform/text.h"
#include "shell/session.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::TempDir;
using krv::testing::writeBytes;

namespace {

class NoNetwork : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

constexpr const char* kMember = "12345678";
constexpr const char* kEntry = "12345678 -- Doe, Jane";

// Event k (1 = oldest) carries the post-event rating 1000 + k, so a page's
// plotted values name its events.
double ratingOfEvent(int k) { return 1000 + k; }

std::string dateOfEvent(int k) {
    int year = 1991 + (k - 1) / 12;
    int month = (k - 1) % 12 + 1;
    char text[9];
    std::snprintf(text, sizeof text, "%04d%02d15", year, month);
    return text;
}

// Chart lines as the tournament view writes them: newest first, numbers in
// their print form.
std::string chartFileOf(int events) {
    std::vector<std::string> lines;
    for (int k = events; k >= 1; --k)
        lines.push_back(printForm(std::stod(dateOfEvent(k))) + "," + printForm(ratingOfEvent(k) - 7) + "," +
                        printForm(ratingOfEvent(k)));
    return joinLinesCrLf(lines);
}

std::vector<double> eventsFromTo(int first, int last) {
    std::vector<double> values;
    for (int k = first; k <= last; ++k) values.push_back(ratingOfEvent(k));
    return values;
}

struct ChartViewTest : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoNetwork network;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, network};
    RecordingChart chart;
    std::unique_ptr<ChartView> view;

    std::string resultsFile(const std::string& name) const {
        return session.store().results() + "/" + kMember + "/" + name;
    }
    void writeAllChart(const std::string& bytes) { writeBytes(resultsFile("allChart.txt"), bytes); }
    void writeYearChart(const std::string& bytes) { writeBytes(resultsFile("yearChart.txt"), bytes); }

    ChartView& open(const std::string& idBox = kEntry) {
        session.pickIdBoxEntry(idBox);
        chart = RecordingChart{};
        view = std::make_unique<ChartView>(session, chart);
        view->Form_Load();
        return *view;
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

TEST(ChartAxis, MaximumRoundsUpToTheHundredWithinTheRatingRange) {
    EXPECT_EQ(axisMaximumFor(1700), 1700);
    EXPECT_EQ(axisMaximumFor(1701), 1800);
    EXPECT_EQ(axisMaximumFor(95), 100);
    EXPECT_EQ(axisMaximumFor(950), 1000);
    EXPECT_EQ(axisMaximumFor(2900), 2900);
    EXPECT_EQ(axisMaximumFor(2950), 3000);
    EXPECT_EQ(axisMaximumFor(-5), 3000);
    EXPECT_EQ(axisMaximumFor(std::nullopt), 100);
}

TEST(ChartAxis, MinimumRoundsDownToTheHundredBelowThreeThousand) {
    EXPECT_EQ(axisMinimumFor(1523), 1500);
    EXPECT_EQ(axisMinimumFor(2999), 2900);
    EXPECT_EQ(axisMinimumFor(1500), 1500);
    EXPECT_EQ(axisMinimumFor(3000), 0);
    EXPECT_EQ(axisMinimumFor(-40), 0);
}

TEST(ChartDate, StoredDatesShowMonthFirst) {
    EXPECT_EQ(ChartView::ConvertDate("20050315"), "03-15-2005");
}

TEST_F(ChartViewTest, OverviewRunsOldestToNewestWithTheRangeOfTheWholeFile) {
    // Newest first, as written; the unrated start must not become the low.
    writeAllChart(" 20050315 , 1523 , 1610 \r\n 20040102 , 1610 , 1523 \r\n 20030607 ,UnR, 1610 \r\n");
    open();
    EXPECT_EQ(chart.title, "Rating Overview for  -- Doe, Jane");
    EXPECT_EQ(chart.chartType, ChartType::Line2d);
    ASSERT_EQ(chart.rows.size(), 3u);
    EXPECT_EQ(chart.plottedValues(), (std::vector<double>{1610, 1523, 1610}));
    EXPECT_EQ(chart.rows[0].label, "06-07-2003");
    EXPECT_EQ(chart.rows[2].label, "03-15-2005");
    EXPECT_EQ(view->flexrating.text(0, 0), "20030607");
    EXPECT_EQ(view->flexrating.text(0, 1), " 1610");
    EXPECT_EQ(view->txtnumevents, "3");
    EXPECT_EQ(view->txthighrating, "1610");
    EXPECT_EQ(view->txtlowrating, "1523");
    EXPECT_FALSE(chart.automaticScale);
    EXPECT_EQ(chart.axisMinimum, 1500);
    EXPECT_EQ(chart.axisMaximum, 1700);
    EXPECT_FALSE(view->CmdLeftVisible);
    EXPECT_FALSE(view->cmdrightVisible);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ChartViewTest, OnlyUnratedStartsLeaveTheLowAtThreeThousandAndTheAxisAtZero) {
    writeAllChart("20050315,UnR,950\r\n");
    open("12345678");
    EXPECT_EQ(chart.title, "Rating Overview for ");
    EXPECT_EQ(view->txtlowrating, "3000");
    EXPECT_EQ(chart.axisMinimum, 0);
    EXPECT_EQ(chart.axisMaximum, 1000);
}

TEST_F(ChartViewTest, ANewLowAfterTheEventMayLieBelowTheAxis) {
    writeAllChart("20050315,1523,1388\r\n");
    open();
    EXPECT_EQ(chart.axisMinimum, 1500);
    EXPECT_EQ(chart.plottedValues(), std::vector<double>{1388});
}

TEST_F(ChartViewTest, TwoLinesOfOneDateGiveTwoPoints) {
    writeAllChart("20050315,1500,1523\r\n20050315,1523,1540\r\n");
    open();
    EXPECT_EQ(chart.plottedValues().size(), 2u);
    EXPECT_EQ(view->txtnumevents, "2");
}

TEST_F(ChartViewTest, YearViewChartsTheYearFile) {
    writeAllChart(chartFileOf(40));
    writeYearChart("2005, 1523 , 1610 \r\n2004, 1400 , 1523 \r\n");
    open();
    view->cmdshowdetail_Click();
    view->cmdyearview_Click();
    EXPECT_EQ(chart.title, "Rating View by Year for  -- Doe, Jane");
    EXPECT_EQ(chart.plottedValues(), (std::vector<double>{1523, 1610}));
    EXPECT_EQ(session.chartWindowState.chartEventCount, 2);
    EXPECT_FALSE(view->CmdLeftVisible);
    EXPECT_FALSE(view->cmdrightVisible);
}

TEST_F(ChartViewTest, HundredEventsPageBackwardsThirtyAtATime) {
    writeAllChart(chartFileOf(100));
    open();
    view->cmdshowdetail_Click();
    EXPECT_EQ(chart.title, "Rating Detail View by Date for  -- Doe, Jane");
    expectPage(71, 100, true, false);
    // The axis and the boxes describe the whole file, not the page.
    EXPECT_EQ(view->txtnumevents, "100");
    EXPECT_EQ(chart.axisMinimum, 900);
    EXPECT_EQ(chart.axisMaximum, 1100);
    EXPECT_EQ(chart.rows.front().label, ChartView::ConvertDate(dateOfEvent(71)));

    view->CmdLeft_Click();
    expectPage(41, 70, true, true);
    view->CmdLeft_Click();
    expectPage(11, 40, true, true);
    view->CmdLeft_Click();
    expectPage(1, 30, false, true);

    view->cmdright_Click();
    expectPage(11, 40, true, true);
}

TEST_F(ChartViewTest, TheOffsetSurvivesTheOverviewAndANewWindow) {
    writeAllChart(chartFileOf(100));
    open();
    view->cmdshowdetail_Click();
    view->CmdLeft_Click();
    view->cmdShowChart_Click();
    view->cmdshowdetail_Click();
    expectPage(41, 70, true, false);

    open();  // closed and opened again: the overview, then the same page
    EXPECT_EQ(chart.plottedValues().size(), 100u);
    view->cmdshowdetail_Click();
    expectPage(41, 70, true, false);

    view->setNumdetailText("30");  // only a change of the page size goes back to the newest
    expectPage(71, 100, true, false);
}

TEST_F(ChartViewTest, APageSizeAboveTheEventsShrinksToTheEventCount) {
    writeAllChart(chartFileOf(20));
    open();
    view->setNumdetailText("30");
    EXPECT_EQ(view->txtNumdetail, " 20");
    expectPage(1, 20, false, false);
    EXPECT_EQ(chart.rows.size(), 20u);
}

TEST_F(ChartViewTest, AfterTheYearViewTheBoxComparesWithTheYearCount) {
    writeAllChart(chartFileOf(100));
    std::vector<std::string> years;
    for (int y = 2002; y >= 1991; --y) years.push_back(std::to_string(y) + "1215,1500,1600");
    writeYearChart(joinLinesCrLf(years));
    open();
    view->cmdyearview_Click();
    view->setNumdetailText("50");  // pasted in one go
    EXPECT_EQ(view->txtNumdetail, " 12");
    EXPECT_EQ(session.chartWindowState.chartEventCount, 100);
    expectPage(89, 100, true, false);

    view->cmdyearview_Click();
    view->setNumdetailText("5");  // typed digit by digit: the event file is loaded after the first
    view->setNumdetailText("50");
    EXPECT_EQ(view->txtNumdetail, "50");
    expectPage(51, 100, true, false);
}

TEST_F(ChartViewTest, OneEventPagesNeverHideTheRightArrow) {
    writeAllChart(chartFileOf(10));
    open();
    view->setNumdetailText("1");
    expectPage(10, 10, true, false);  // hidden by the overview, not by the page
    view->CmdLeft_Click();
    expectPage(9, 9, true, true);
    view->cmdright_Click();
    expectPage(10, 10, true, true);
    view->cmdright_Click();  // beyond the newest event: nothing plotted, both arrows stay
    EXPECT_TRUE(chart.plottedValues().empty());
    EXPECT_EQ(chart.rows.size(), 1u);
    EXPECT_TRUE(view->CmdLeftVisible);
    EXPECT_TRUE(view->cmdrightVisible);
}

TEST_F(ChartViewTest, RowsBeyondAShortPageAreEmpty) {
    writeAllChart(chartFileOf(100));
    open();
    view->cmdshowdetail_Click();
    view->CmdLeft_Click();
    view->CmdLeft_Click();
    ASSERT_EQ(chart.rows.size(), 30u);
    writeAllChart(chartFileOf(12));  // another, shorter history under the same ID
    view->cmdshowdetail_Click();
    ASSERT_EQ(chart.rows.size(), 30u);
    EXPECT_EQ(chart.plottedValues(), eventsFromTo(1, 12));
    EXPECT_FALSE(chart.rows[12].value.has_value());
    EXPECT_EQ(chart.rows[29].label, "");
}

TEST_F(ChartViewTest, AnUnusablePageSizeIsIgnoredUntilItIsAWholeNumber) {
    writeAllChart(chartFileOf(100));
    open();
    view->cmdshowdetail_Click();
    view->CmdLeft_Click();
    for (const char* text : {"", " ", "0", "-3", "2.5", "abc", "12abc"}) {
        view->setNumdetailText(text);
        EXPECT_EQ(session.chartWindowState.detailOffset, 30) << '"' << text << '"';
        view->CmdLeft_Click();
        view->cmdshowdetail_Click();
        EXPECT_EQ(session.chartWindowState.detailOffset, 30) << '"' << text << '"';
        EXPECT_EQ(chart.plottedValues(), eventsFromTo(41, 70)) << '"' << text << '"';
    }
    view->setNumdetailText("10");
    expectPage(91, 100, true, false);
}

TEST_F(ChartViewTest, TheGraphTypeSurvivesReloadsButNotANewWindow) {
    writeAllChart(chartFileOf(5));
    open();
    view->Option2_Click();
    EXPECT_EQ(chart.chartType, ChartType::Bar2d);
    view->cmdShowChart_Click();
    view->cmdshowdetail_Click();
    EXPECT_EQ(chart.chartType, ChartType::Bar2d);
    view->Option3_Click();
    EXPECT_EQ(chart.chartType, ChartType::Area2d);
    view->Option4_Click();
    EXPECT_EQ(chart.chartType, ChartType::Line3d);
    EXPECT_EQ(view->graphType, ChartType::Line3d);
    open();
    EXPECT_EQ(chart.chartType, ChartType::Line2d);
    EXPECT_EQ(view->graphType, ChartType::Line2d);
}

TEST_F(ChartViewTest, AFileThatCannotBeChartedIsReportedAndLeavesAnEmptyChart) {
    struct Case {
        const char* name;
        std::optional<std::string> bytes;
    };
    for (const Case& c : {Case{"missing", std::nullopt}, Case{"empty", ""}, Case{"blank lines", "\r\n  \r\n"},
                          Case{"text rating", "20050315,1500,1523\r\n20050401,1523,UnR\r\n"},
                          Case{"two fields", "20050315,1500\r\n"}}) {
        boxes.shown.clear();
        std::filesystem::remove(resultsFile("allChart.txt"));
        if (c.bytes) writeAllChart(*c.bytes);
        open();
        ASSERT_EQ(boxes.shown.size(), 1u) << c.name;
        EXPECT_EQ(boxes.shown[0].title, "KRV Graphs") << c.name;
        EXPECT_NE(boxes.shown[0].text.find(resultsFile("allChart.txt")), std::string::npos) << c.name;
        EXPECT_TRUE(chart.rows.empty()) << c.name;
        EXPECT_EQ(view->txtnumevents, "") << c.name;
        EXPECT_EQ(session.chartWindowState.chartEventCount, 0) << c.name;

        view->cmdshowdetail_Click();
        EXPECT_TRUE(chart.plottedValues().empty()) << c.name;
        EXPECT_FALSE(view->CmdLeftVisible) << c.name;
    }
}

TEST_F(ChartViewTest, CopyingPutsThePictureAwayAndSaysSoEvenForAnEmptyChart) {
    open();
    boxes.shown.clear();
    view->cmdCopy_Click();
    EXPECT_EQ(chart.copies, 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, "ok");
    EXPECT_EQ(boxes.shown[0].title, "Copy to Clipboard");
    EXPECT_EQ(boxes.shown[0].text,
              "The current chart view has been copied to the clip board and may be pasted into other programs "
              "for saving and printing.");
}
