#include <gtest/gtest.h>

#include <sstream>

#include "acquisition/event_parser.h"
#include "platform/text.h"
#include "shell/session.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::TempDir;
using krv::testing::writeBytes;
using Lines = std::vector<std::string>;

namespace {

constexpr const char* kMember = "12345678";
constexpr const char* kFile = "201203110112.0-12345678.txt";
constexpr std::size_t kPairDigitColumn = 50;
constexpr std::size_t kIdColumn = kPairDigitColumn - 1 + 32;

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

void put(std::string& line, std::size_t column, const std::string& text) {
    if (line.size() < column - 1 + text.size()) line.resize(column - 1 + text.size(), ' ');
    line.replace(column - 1, text.size(), text);
}

struct Player {
    int pair;
    std::string id;
    std::string name;
    std::string pre = "1500";
    std::string post = "1510";
    std::string kind = "R:";
    Lines cells = {};
};

// A player's two lines as a crosstable page has them: the pair number
// right-aligned with its last digit in column 50, the ID 32 and the name 41
// columns right of the column before that digit, the result cells from
// column 133 every 6; then the rating line with the kind in columns 20-21,
// the pre-event rating from 23 and the post-event rating from 32.
Lines playerLines(const Player& p) {
    const std::string digits = std::to_string(p.pair);
    std::string row;
    put(row, 5, "<a href=XtblPlr.php?201203110112-" + p.id + "-01>");
    put(row, kPairDigitColumn - digits.size(), ">" + digits + "</a> |");
    put(row, kIdColumn, p.id + ">" + p.name + "</a>");
    row.resize(132, ' ');
    for (const auto& cell : p.cells) row += padded(cell, 5) + "|";
    const std::string rating =
        "   MI | " + p.id + " / " + p.kind + " " + padded(p.pre, 7) + "->" + padded(p.post, 9) + "|";
    return {row, rating};
}

std::string titleLine(const std::string& eventName) {
    return "<title>Rating Service Crosstable: " + eventName + " (Event 201203110112)</title>";
}

Lines sectionFile(const Lines& header, const std::vector<Player>& players) {
    Lines lines = {""};
    lines.insert(lines.end(), header.begin(), header.end());
    lines.push_back("<p>Note: ratings are shown before and after the event.</p>");
    lines.push_back("<pre>");
    for (const auto& p : players) {
        for (auto& line : playerLines(p)) lines.push_back(line);
        lines.push_back(std::string(60, '-'));
    }
    lines.push_back("</pre>");
    return lines;
}

// The name field: the 32 characters after the ID's ">" less the link's
// closing tag, trailing blanks kept.
std::string nameField(const std::string& name) { return padded(name, 28); }

std::string record(const std::string& id, const std::string& name, const std::string& score,
                   const std::string& pre, const std::string& oppPre, const std::string& post,
                   const std::string& eventName = "Spring Open ", const std::string& file = kFile) {
    return id + "," + nameField(name) + "," + score + "," + pre + "," + oppPre + "," + post + ",20120311," +
           eventName + "," + file + "\r\n";
}

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

struct EventParserTest : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, downloads};
    std::ostringstream games;
    std::ostringstream streak;

    EventParserTest() {
        session.state.dataDir = session.store().memberDataDir(kMember);
        session.ui.CmbID = std::string(kMember) + " -- JANE DOE";
    }

    void parse(const Lines& lines, const std::string& file = kFile) {
        writeBytes(session.state.dataDir + file, joinLinesCrLf(lines));
        analysedata(session, file, games, streak);
    }

    Player member(Lines cells, std::string pre = "1641P17", std::string post = "1700") {
        return {1, kMember, "JANE DOE", std::move(pre), std::move(post), "R:", std::move(cells)};
    }
};

const Player kSmith{5, "87654321", "JOHN SMITH", "1500"};
const Player kLee{12, "11112222", "ANN LEE", "Unrated"};
const Player kKim{123, "33334444", "BO KIM", "2000"};

}  // namespace

TEST_F(EventParserTest, EachWinLossAndDrawGivesAResultLineAndARecord) {
    // Lower-case letters, blanks, byes and unplayed rounds are not games.
    parse(sectionFile({titleLine("Spring Open")},
                      {member({"W   5", "L  12", "D 123", "", "w   5", "X   5", "H", "U"}), kSmith, kLee, kKim}));
    EXPECT_EQ(streak.str(), "Win,20120311,Spring Open \r\nLoss,20120311,Spring Open \r\nDraw,20120311,Spring Open \r\n");
    // 1-, 2- and 3-digit pair numbers; every rating is the 4 characters at
    // its column, and an unrated opponent's "Unra" becomes "UnR".
    EXPECT_EQ(games.str(), record("87654321", "JOHN SMITH", " 1", "1641", "1500", "1700") +
                               record("11112222", "ANN LEE", " 0", "1641", "UnR", "1700") +
                               record("33334444", "BO KIM", " .5", "1641", "2000", "1700"));
    EXPECT_EQ(session.state.gameCount, 3);
    EXPECT_EQ(session.state.gamesThisAnalysis, 3);
    EXPECT_EQ(session.state.eventFileName, kFile);
    EXPECT_EQ(session.state.eventName, "Spring Open ");
}

TEST_F(EventParserTest, AnUnratedMembersPreRatingBecomesUnRWhileThePostRatingIsCopied) {
    parse(sectionFile({titleLine("Spring Open")}, {member({"W   5"}, "Unrated", "Unrated"), kSmith}));
    EXPECT_EQ(games.str(), record("87654321", "JOHN SMITH", " 1", "UnR", "1500", "Unra"));
}

TEST_F(EventParserTest, ABlankPreRatingKeepsTheResultLineButWritesNoRecord) {
    parse(sectionFile({titleLine("Spring Open")}, {member({"W   5"}, ""), kSmith}));
    EXPECT_EQ(streak.str(), "Win,20120311,Spring Open \r\n");
    EXPECT_EQ(games.str(), "");
    EXPECT_EQ(session.state.gameCount, 0);
}

TEST_F(EventParserTest, QuickRatedRows) {
    // The member's quick-rated row gives nothing at all.
    Player quickMember = member({"W   5"});
    quickMember.kind = "Q:";
    parse(sectionFile({titleLine("Spring Open")}, {quickMember, kSmith}));
    EXPECT_EQ(streak.str(), "");

    // A quick-rated opponent keeps the result line but gives no record.
    Player quickSmith = kSmith;
    quickSmith.kind = "Q:";
    parse(sectionFile({titleLine("Spring Open")}, {member({"W   5", "D  12"}), quickSmith, kLee}));
    EXPECT_EQ(streak.str(), "Win,20120311,Spring Open \r\nDraw,20120311,Spring Open \r\n");
    EXPECT_EQ(games.str(), record("11112222", "ANN LEE", " .5", "1641", "UnR", "1700"));
}

TEST_F(EventParserTest, TheEventNameComesFromTheTitleAndCarriesOverToFilesWithoutOne) {
    parse(sectionFile({titleLine("Spring Open, \"Rapid\"")}, {member({"W   5"}), kSmith}));
    EXPECT_EQ(streak.str(), "Win,20120311,Spring Open- -Rapid- \r\n");
    EXPECT_EQ(games.str(), record("87654321", "JOHN SMITH", " 1", "1641", "1500", "1700", "Spring Open- -Rapid- "));

    // The second section of the event has no title line of its own.
    games.str("");
    parse(sectionFile({"<hr><a name=Section2 id=anchor=Section2></a>"}, {member({"L   5"}), kSmith}),
          std::string(kFile) + "2");
    EXPECT_EQ(games.str(), record("87654321", "JOHN SMITH", " 0", "1641", "1500", "1700", "Spring Open- -Rapid- ",
                                  std::string(kFile) + "2"));

    // A title without "(Event" names the event by its 35th character alone.
    parse(sectionFile({"<title>Rating Service Crosstable: Autumn Swiss</title>"}, {}));
    EXPECT_EQ(session.state.eventName, "A");
}

TEST_F(EventParserTest, AFileWithoutANoteLineGivesNothing) {
    Lines lines = {"", titleLine("Spring Open")};
    for (const auto& p : {member({"W   5"}), kSmith})
        for (const auto& line : playerLines(p)) lines.push_back(line);
    parse(lines);
    EXPECT_EQ(streak.str(), "");
    EXPECT_EQ(games.str(), "");
    EXPECT_EQ(session.state.eventName, "Spring Open ");
}

TEST_F(EventParserTest, AnOpponentWhosePairNumberIsNowhereGivesNoRecord) {
    // The game against pair 99 must not borrow the previous opponent.
    parse(sectionFile({titleLine("Spring Open")}, {member({"L   5", "W  99"}), kSmith}));
    EXPECT_EQ(streak.str(), "Loss,20120311,Spring Open \r\nWin,20120311,Spring Open \r\n");
    EXPECT_EQ(games.str(), record("87654321", "JOHN SMITH", " 0", "1641", "1500", "1700"));
}

TEST_F(EventParserTest, TheFirstLineHoldingAPairNumberIsTakenAsThatPlayersLine) {
    // ">5<" in the page head comes before pair 5's row: the opponent's
    // fields are read from that line, which holds no ID, so no record.
    parse(sectionFile({titleLine("Spring Open"), "<p><b>5</b> rounds</p>"}, {member({"W   5", "W  12"}), kSmith, kLee}));
    EXPECT_EQ(games.str(), record("11112222", "ANN LEE", " 1", "1641", "UnR", "1700"));
}

TEST_F(EventParserTest, OpponentNamesLoseTheirLinkTagCommasAndQuotes) {
    parse(sectionFile({titleLine("Spring Open")},
                      {member({"W   5"}), {5, "87654321", "DOE, JOHN \"JJ\"", "1500"}}));
    EXPECT_EQ(games.str(), record("87654321", "DOE- JOHN  JJ ", " 1", "1641", "1500", "1700"));

    // Names of 29 to 32 characters leave only part of the tag in the cut.
    for (std::size_t length = 27; length <= 32; ++length) {
        games.str("");
        const std::string name = std::string(length - 1, 'N') + "Z";
        parse(sectionFile({titleLine("Spring Open")}, {member({"W   5"}), {5, "87654321", name, "1500"}}));
        const std::string expectedName = length <= 28 ? padded(name, 28) : name;
        EXPECT_EQ(games.str(), "87654321," + expectedName + ", 1,1641,1500,1700,20120311,Spring Open ," + kFile + "\r\n")
            << length;
    }
}

TEST_F(EventParserTest, EveryRowOfTheMemberIsReadFromTheFirstCell) {
    Player again = member({"D  12"});
    again.pair = 2;
    parse(sectionFile({titleLine("Spring Open")}, {member({"W   5"}), again, kSmith, kLee}));
    EXPECT_EQ(games.str(), record("87654321", "JOHN SMITH", " 1", "1641", "1500", "1700") +
                               record("11112222", "ANN LEE", " .5", "1641", "UnR", "1700"));
}

TEST_F(EventParserTest, TheEndOfADirectoryListingAndBrokenFilesAreHarmless) {
    session.state.eventFileName = "before";
    analysedata(session, "", games, streak);
    analysedata(session, "..", games, streak);
    EXPECT_EQ(session.state.eventFileName, "before");
    analysedata(session, "missing.txt", games, streak);

    // A member row or an opponent row cut off before its rating line.
    Lines cutOpponent = sectionFile({titleLine("Spring Open")}, {member({"W   5"})});
    cutOpponent.push_back(playerLines(kSmith)[0]);
    parse(cutOpponent);
    Lines cutMember = sectionFile({titleLine("Spring Open")}, {kSmith});
    cutMember.push_back(playerLines(member({"W   5"}))[0]);
    parse(cutMember);
    EXPECT_EQ(streak.str(), "Win,20120311,Spring Open \r\n");
    EXPECT_EQ(games.str(), "");
}
