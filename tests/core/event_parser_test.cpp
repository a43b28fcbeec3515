#include <gtest/gtest.h>

#include "acquisition/event_parser.h"
#include "platform/text.h"
#include "session/session.h"
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

Lines sectionFile(const Lines& header, const std::vector<Player>& players, bool note = true) {
    Lines lines = {""};
    lines.insert(lines.end(), header.begin(), header.end());
    if (note) lines.push_back("<p>Note: ratings are shown before and after the event.</p>");
    lines.push_back("<pre>");
    for (const auto& p : players) {
        for (auto& line : playerLines(p)) lines.push_back(line);
        lines.push_back(std::string(60, '-'));
    }
    lines.push_back("</pre>");
    return lines;
}

std::string record(const std::string& id, const std::string& name, const std::string& score, const std::string& pre,
                   const std::string& oppPre, const std::string& post, const std::string& eventName = "Spring Open ",
                   const std::string& file = kFile) {
    return id + "," + padded(name, 28) + "," + score + "," + pre + "," + oppPre + "," + post + ",20120311," +
           eventName + "," + file + "\r\n";
}

Player member(Lines cells, std::string pre = "1641P17", std::string post = "1700", std::string kind = "R:") {
    return {1, kMember, "JANE DOE", std::move(pre), std::move(post), std::move(kind), std::move(cells)};
}
const Player kSmith{5, "87654321", "JOHN SMITH", "1500"};
const Player kLee{12, "11112222", "ANN LEE", "Unrated"};
const Player kKim{123, "33334444", "BO KIM", "2000"};
Player quick(Player p) {
    p.kind = "Q:";
    return p;
}
std::string results(const Lines& kinds) {
    std::string text;
    for (const auto& k : kinds) text += k + ",20120311,Spring Open \r\n";
    return text;
}

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&, const CancelFlag*) override {
        return {false, 0, "offline"};
    }
};

struct EventParserTest : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, downloads};
    std::string games;
    std::string streak;

    EventParserTest() {
        session.state.dataDir = session.store().memberDataDir(kMember);
        session.ui.CmbID = std::string(kMember) + " -- JANE DOE";
    }
    void parse(const Lines& lines, const std::string& file = kFile) {
        writeBytes(session.state.dataDir + file, joinLinesCrLf(lines));
        analysedata(session, file, games, streak);
    }
};

}  // namespace

TEST_F(EventParserTest, ResultLinesAndRecordsOfOneSection) {
    const Lines title{titleLine("Spring Open")};
    Player again = member({"D  12"});
    again.pair = 2;
    const struct {
        const char* what;
        Lines page;
        std::string streak, games;
    } cases[] = {
        // Lower-case letters, blanks, byes and unplayed rounds are not games;
        // 1-, 2- and 3-digit pair numbers; "Unra" becomes "UnR".
        {"wld",
         sectionFile(title, {member({"W   5", "L  12", "D 123", "", "w   5", "X   5", "H", "U"}), kSmith, kLee, kKim}),
         results({"Win", "Loss", "Draw"}),
         record("87654321", "JOHN SMITH", " 1", "1641", "1500", "1700") +
             record("11112222", "ANN LEE", " 0", "1641", "UnR", "1700") +
             record("33334444", "BO KIM", " .5", "1641", "2000", "1700")},
        {"unrated member", sectionFile(title, {member({"W   5"}, "Unrated", "Unrated"), kSmith}), results({"Win"}),
         record("87654321", "JOHN SMITH", " 1", "UnR", "1500", "Unra")},
        {"blank member pre-rating", sectionFile(title, {member({"W   5"}, ""), kSmith}), results({"Win"}), ""},
        {"quick member row", sectionFile(title, {member({"W   5"}, "1641", "1700", "Q:"), kSmith}), "", ""},
        {"quick opponent row", sectionFile(title, {member({"W   5", "D  12"}), quick(kSmith), kLee}),
         results({"Win", "Draw"}), record("11112222", "ANN LEE", " .5", "1641", "UnR", "1700")},
        {"no note line", sectionFile(title, {member({"W   5"}), kSmith}, false), "", ""},
        // Pair 99 must not borrow the previous opponent.
        {"missing opponent", sectionFile(title, {member({"L   5", "W  99"}), kSmith}), results({"Loss", "Win"}),
         record("87654321", "JOHN SMITH", " 0", "1641", "1500", "1700")},
        // ">5<" in the head is taken as pair 5's line, which holds no ID.
        {"pair number in head",
         sectionFile({title[0], "<p><b>5</b> rounds</p>"}, {member({"W   5", "W  12"}), kSmith, kLee}),
         results({"Win", "Win"}), record("11112222", "ANN LEE", " 1", "1641", "UnR", "1700")},
        {"comma and quote", sectionFile(title, {member({"W   5"}), {5, "87654321", "DOE, JOHN \"JJ\"", "1500"}}),
         results({"Win"}), record("87654321", "DOE- JOHN  JJ ", " 1", "1641", "1500", "1700")},
        {"member row twice", sectionFile(title, {member({"W   5"}), again, kSmith, kLee}), results({"Win", "Draw"}),
         record("87654321", "JOHN SMITH", " 1", "1641", "1500", "1700") +
             record("11112222", "ANN LEE", " .5", "1641", "UnR", "1700")},
    };
    for (const auto& c : cases) {
        games.clear();
        streak.clear();
        parse(c.page);
        EXPECT_EQ(streak, c.streak) << c.what;
        EXPECT_EQ(games, c.games) << c.what;
        EXPECT_EQ(session.state.eventName, "Spring Open ") << c.what;
    }
}

TEST_F(EventParserTest, NamesOf29To32CharactersLeaveOnlyPartOfTheTagInTheCut) {
    for (std::size_t length = 28; length <= 32; ++length) {
        games.clear();
        const std::string name = std::string(length - 1, 'N') + "Z";
        parse(sectionFile({titleLine("Spring Open")}, {member({"W   5"}), {5, "87654321", name, "1500"}}));
        EXPECT_EQ(games, "87654321," + padded(name, 28) + ", 1,1641,1500,1700,20120311,Spring Open ," + kFile + "\r\n")
            << length;
    }
}

TEST_F(EventParserTest, TheEventNameComesFromTheTitleAndCarriesOverToFilesWithoutOne) {
    parse(sectionFile({titleLine("Spring Open, \"Rapid\"")}, {member({"W   5"}), kSmith}));
    EXPECT_EQ(streak, "Win,20120311,Spring Open- -Rapid- \r\n");
    games.clear();
    parse(sectionFile({"<hr><a name=Section2 id=anchor=Section2></a>"}, {member({"L   5"}), kSmith}),
          std::string(kFile) + "2");
    EXPECT_EQ(games, record("87654321", "JOHN SMITH", " 0", "1641", "1500", "1700", "Spring Open- -Rapid- ",
                            std::string(kFile) + "2"));
    // A title without "(Event" names the event by its 35th character alone.
    parse(sectionFile({"<title>Rating Service Crosstable: Autumn Swiss</title>"}, {}));
    EXPECT_EQ(session.state.eventName, "A");
}

TEST_F(EventParserTest, NoFileAndRowsCutOffBeforeTheirRatingLineAreHarmless) {
    session.state.eventFileName = "before";
    analysedata(session, "", games, streak);
    analysedata(session, "..", games, streak);
    EXPECT_EQ(session.state.eventFileName, "before");
    analysedata(session, "missing.txt", games, streak);
    Lines cutOpponent = sectionFile({titleLine("Spring Open")}, {member({"W   5"})});
    cutOpponent.push_back(playerLines(kSmith)[0]);
    parse(cutOpponent);
    Lines cutMember = sectionFile({titleLine("Spring Open")}, {kSmith});
    cutMember.push_back(playerLines(member({"W   5"}))[0]);
    parse(cutMember);
    EXPECT_EQ(streak, results({"Win"}));
    EXPECT_EQ(games, "");
}
