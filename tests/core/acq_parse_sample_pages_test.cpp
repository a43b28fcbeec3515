// The page procedures and the event parser on the bundled sample service's
// pages, among them the real 64-player crosstable. Built only where the test
// program links the sample page library.
#if __has_include("sample_pages.h")

#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/event_parser.h"
#include "acquisition/history_pages.h"
#include "acquisition/page_lines.h"
#include "acquisition/section_split.h"
#include "platform/text.h"
#include "sample_pages.h"
#include "session/session.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::TempDir;
using krv::testing::writeBytes;

namespace {

constexpr const char* kBase = "http://127.0.0.1:8080";

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&, const CancelFlag*) override {
        return {false, 0, "offline"};
    }
};

struct Parsed {
    long records = 0;
    int resultLines = 0;
    std::string games;
    std::string streak;
};

// Stores every event of the member's history the way an update run does and
// parses the section files in name order, as the analysis does.
Parsed parseHistory(const sample::Catalog& catalog, const sample::Member& member) {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, downloads};
    session.ui.CmbID = member.id;
    session.state.dataDir = session.store().memberDataDir(member.id);

    std::vector<std::string> fileNames;
    for (int page = 1; page <= catalog.summary(member).historyPages; ++page) {
        const auto lines = normalisePage(sample::historyPage(catalog, member.id, page));
        for (const auto& address : extractCrosstableAddresses(lines, kBase, member.id)) {
            const std::string key = eventKeyOf(address);
            const auto* event = catalog.findEvent(left(key, 12));
            if (!event) throw std::runtime_error("no event for " + address);
            const auto sections = splitSections(normalisePage(sample::crosstablePage(*event)));
            for (std::size_t s = 0; s < sections.size(); ++s) {
                const std::string name = key + ".txt" + (s == 0 ? "" : std::to_string(s + 1));
                writeBytes(session.state.dataDir + name, joinLinesCrLf(sections[s]));
                fileNames.push_back(name);
            }
        }
    }
    std::sort(fileNames.begin(), fileNames.end());
    std::string games, streak;
    for (const auto& name : fileNames) analysedata(session, name, games, streak);
    Parsed parsed{session.state.gamesThisAnalysis, 0, games, streak};
    parsed.resultLines = static_cast<int>(splitLines(parsed.streak).size());
    return parsed;
}

int resultCells(const sample::Member& member) {
    int cells = 0;
    for (const auto& a : member.history) {
        if (a.player->kind == "Q:") continue;
        for (const auto& c : a.player->cells) cells += c.result == 'W' || c.result == 'L' || c.result == 'D';
    }
    return cells;
}

}  // namespace

TEST(SamplePages, EveryBundledMembersGamesAreFound) {
    const auto& catalog = sample::Catalog::bundled();
    for (const auto& bundled : sample::bundledMembers()) {
        if (bundled.id == sample::kBenchmarkMemberId) continue;  // sized for benchmarks
        const auto* member = catalog.findMember(bundled.id);
        ASSERT_NE(member, nullptr) << bundled.id;
        const Parsed parsed = parseHistory(catalog, *member);
        EXPECT_EQ(parsed.records, catalog.summary(*member).ratedGames) << bundled.id;
        EXPECT_EQ(parsed.resultLines, resultCells(*member)) << bundled.id;
    }
}

TEST(SamplePages, TheRealCrosstableGivesExactRecords) {
    const auto& catalog = sample::Catalog::bundled();
    const auto* member = catalog.findMember(sample::kRealCrosstableMemberId);
    ASSERT_NE(member, nullptr);
    const Parsed parsed = parseHistory(catalog, *member);
    const auto* event = catalog.findEvent(sample::kRealCrosstableEventNumber);
    ASSERT_NE(event, nullptr);
    // Every record against the real event names an opponent of it as shown.
    int checked = 0;
    for (const auto& line : splitLines(parsed.games)) {
        const auto fields = splitCommaFields(line);
        ASSERT_EQ(fields.size(), 9u) << line;
        if (left(fields[8], 12) != event->number) continue;
        const sample::Player* opponent = nullptr;
        for (const auto& p : event->sections[0].players)
            if (p.id == fields[0]) opponent = &p;
        ASSERT_NE(opponent, nullptr) << line;
        std::string name = replaceAll(replaceAll(opponent->name, ",", "-"), "\"", " ");
        EXPECT_EQ(fields[1], trimBlanks(name)) << line;
        const std::string oppPre = left(opponent->preRating, 4);
        EXPECT_EQ(fields[4], oppPre == "Unra" ? "UnR" : trimBlanks(oppPre)) << line;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

#endif
