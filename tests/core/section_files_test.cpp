// A member's data folder parsed in two parts on two threads must give what
// parsing its files one after the other gives, event names carried over
// from file to file included.
#include <gtest/gtest.h>

#include <cstdio>

#include "acquisition/section_files.h"
#include "support/page_builder.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::PagePlayer;
using krv::testing::TempDir;
using krv::testing::writeBytes;

namespace {

constexpr const char* kMember = "12345678";

enum class Title { Kept, Dropped };

struct DataFolder {
    TempDir dir;
    std::string path = dir.str() + "/";
    std::vector<std::string> names;

    // Event k on day k, with its sections in files of their own; only the
    // first file holds the page title, unless it is dropped.
    void addEvent(int k, int sections, Title title) {
        char number[48];  // room for any int, as the compiler checks
        std::snprintf(number, sizeof number, "2001%02d%02d%04d", 1 + k / 28 % 12, 1 + k % 28, k);
        for (int s = 0; s < sections; ++s) {
            const PagePlayer member{
                1, kMember, "JANE DOE", "R:", std::to_string(1500 + k), "1600", {k % 2 ? "W   2" : "D   2"}};
            const PagePlayer opponent{2, "8765432" + std::to_string(s), "JOHN SMITH", "R:", "1400", "1390", {"L   1"}};
            std::string page = krv::testing::crosstablePage(number, "Open " + std::to_string(k), {{member, opponent}});
            if (s > 0 || title == Title::Dropped) page.replace(page.find("<title>"), 7, "<titel>");
            const std::string name = std::string(number) + "." + std::to_string(s) + "-" + kMember + ".txt";
            writeBytes(path + name, page);
            names.push_back(name);
        }
    }
};

// The files parsed one after the other on this thread.
ParsedSections oneAfterTheOther(const DataFolder& folder, const std::string& eventNameBefore) {
    ParsedSections parsed;
    parsed.state.eventName = eventNameBefore;
    for (const auto& name : folder.names) {
        const std::string bytes = krv::testing::readBytes(folder.path + name);
        parseSectionFile(kMember, name, bytes, parsed.state, parsed.gameList, parsed.streak);
    }
    return parsed;
}

void expectSameAsOneAfterTheOther(const DataFolder& folder, const std::string& eventNameBefore) {
    ASSERT_EQ(sectionFilesInOrder(folder.path), folder.names);
    const ParsedSections expected = oneAfterTheOther(folder, eventNameBefore);
    const ParsedSections parsed = parseSectionFiles(folder.path, folder.names, kMember, eventNameBefore);
    EXPECT_EQ(parsed.gameList, expected.gameList);
    EXPECT_EQ(parsed.streak, expected.streak);
    EXPECT_EQ(parsed.state.games, expected.state.games);
    EXPECT_EQ(parsed.state.eventName, expected.state.eventName);
    EXPECT_EQ(parsed.state.games, static_cast<long>(folder.names.size()));
}

}  // namespace

TEST(SectionFiles, TwoPartsGiveTheFilesInOrder) {
    const struct {
        const char* what;
        int events;
        int sectionsEvery;  // every n-th event has three sections
        int untitledEvery;  // every n-th event lost its title
    } cases[] = {
        {"too few files to split", 20, 3, 5},
        {"sections in files of their own", 120, 3, 1000},
        {"titles missing here and there", 120, 4, 7},
        // Every event after the first takes the first one's name, across the
        // split between the two parts.
        {"one title only", 120, 5, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DataFolder folder;
        for (int k = 0; k < c.events; ++k)
            folder.addEvent(k, k % c.sectionsEvery == 0 ? 3 : 1,
                            k > 0 && k % c.untitledEvery == 0 ? Title::Dropped : Title::Kept);
        expectSameAsOneAfterTheOther(folder, "Earlier Event");
    }
}

TEST(SectionFiles, NoTitleAtAllKeepsTheNameFromBefore) {
    DataFolder folder;
    for (int k = 0; k < 100; ++k) folder.addEvent(k, 1, Title::Dropped);
    expectSameAsOneAfterTheOther(folder, "Earlier Event");
    EXPECT_EQ(parseSectionFiles(folder.path, folder.names, kMember, "Earlier Event").state.eventName, "Earlier Event");
}

TEST(SectionFiles, AFileThatCannotBeReadIsPassedOver) {
    DataFolder folder;
    for (int k = 0; k < 80; ++k) folder.addEvent(k, 1, Title::Kept);
    std::vector<std::string> names = folder.names;
    names.insert(names.begin() + 50, "missing.0-12345678.txt");
    const ParsedSections parsed = parseSectionFiles(folder.path, names, kMember, "");
    EXPECT_EQ(parsed.gameList, oneAfterTheOther(folder, "").gameList);
}
