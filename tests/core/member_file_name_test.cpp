#include <gtest/gtest.h>

#include "acquisition/member_file_name.h"

using namespace krv;

TEST(FileNameOfMember, NeverTakesAnotherResultFileNorLeavesTheFolder) {
    const std::string id = "12345678";
    const std::string longName(150, 'A');
    const std::vector<std::pair<std::string, std::string>> cases{
        {"JOHN SMITH", "JOHN SMITH"},
        {" JOHN SMITH", " JOHN SMITH"},  // from an ID list entry
        {"A/B\\C", "A-B-C"},
        {"../../x", "..-..-x"},
        {"12345678", "12345678-name"},
        {"streak", "streak-name"},
        {"STREAK", "STREAK-name"},
        {"CurrentRating", "CurrentRating-name"},
        {"allchart", "allchart-name"},
        {"YEARCHART", "YEARCHART-name"},
        {"Digest", "Digest-name"},
        {"tempChart", "tempChart-name"},
        {" digest", " digest"},  // the entry's blank keeps it apart
        {"digests", "digests"},
        {"87654321", "87654321"},  // another member's ID names no file here
        {longName, std::string(kMostMemberNameBytes, 'A')},
        {std::string(kMostMemberNameBytes, 'B') + "streak", std::string(kMostMemberNameBytes, 'B')},
        {"streak" + std::string(200, ' '), "streak" + std::string(kMostMemberNameBytes - 6, ' ')},
    };
    for (const auto& [name, file] : cases) EXPECT_EQ(fileNameOfMember(name, id), file) << name;
}
