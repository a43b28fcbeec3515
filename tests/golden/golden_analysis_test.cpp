// Whole update runs and Analyse Only runs of sample members, each result file
// compared byte for byte with the expected files in analysis/<ID>/. Only the
// date in the digest's first line (today) is masked.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "acquisition/update_run.h"
#include "platform/text.h"
#include "sample_pages.h"
#include "shell/commands.h"
#include "shell/session.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::readBytes;
using krv::testing::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr const char* kBase = "http://127.0.0.1:8080";

// Answers every download from the sample page library.
class SamplePages : public Downloader {
public:
    DownloadResult download(const std::string& url, const std::string& path) override {
        if (url.rfind(kBase, 0) != 0) return {false, 0, "not the sample service"};
        const auto answer = sample::answerPageRequest(sample::Catalog::bundled(), url.substr(std::string(kBase).size()));
        if (answer.status != 200) return {false, answer.status, "status " + std::to_string(answer.status)};
        if (!writeFileAtomically(path, answer.body)) return {false, 0, "cannot write " + path};
        return {true, 200, ""};
    }
};

using FileSet = std::map<std::string, std::string>;  // name -> bytes

FileSet filesIn(const std::string& folder) {
    FileSet files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) files[entry.path().filename().string()] = readBytes(entry.path().string());
    return files;
}

// The digest's first line ends with today's date as MM-DD-YYYY.
std::string maskToday(std::string digest) {
    const std::size_t end = digest.find("\r\n");
    if (end != std::string::npos && end >= 10) digest.replace(end - 10, 10, "##-##-####");
    return digest;
}

void expectSameFiles(const FileSet& expected, FileSet actual, const std::string& what) {
    if (actual.count("digest.txt")) actual["digest.txt"] = maskToday(actual["digest.txt"]);
    std::vector<std::string> expectedNames, actualNames;
    for (const auto& [name, bytes] : expected) expectedNames.push_back(name);
    for (const auto& [name, bytes] : actual) actualNames.push_back(name);
    EXPECT_EQ(actualNames, expectedNames) << what;
    for (const auto& [name, bytes] : expected) {
        auto it = actual.find(name);
        if (it != actual.end()) {
            EXPECT_EQ(it->second, bytes) << what << ": " << name;
        }
    }
}

struct GoldenAnalysis : ::testing::TestWithParam<std::string> {
    TempDir dir;
    RecordingMessageBox boxes;
    SamplePages pages;
    KrvSession session{SessionOptions{dir / "KRV", kBase, 2}, boxes, pages};

    std::string expectedFolder() const { return std::string(KRV_GOLDEN_DIR) + "/" + GetParam(); }
    std::string resultsFolder() const { return session.store().memberResultsDir(GetParam()); }
};

}  // namespace

TEST_P(GoldenAnalysis, AnUpdateRunWritesTheExpectedFiles) {
    startUp(session);
    session.setIdBoxText(GetParam());
    CmdUpdateData_Click(session);

    const FileSet expected = filesIn(expectedFolder());
    expectSameFiles(expected, filesIn(resultsFolder()), "update run");
    EXPECT_EQ(maskToday(session.ui.txtResults + "\r\n"), expected.at("digest.txt"));
    EXPECT_EQ(session.ui.lblprocessed,
              "Files have been created in " + session.store().results() +
                  "/######## The # equals the USCF#.  Digest.txt, Streak.txt, USCFName.txt, USCF ID#.txt, "
                  "Allchart.txt and Yearchart.txt have been created.  The last five files are all comma delimited "
                  "and can be imported into Excel or other programs.");
}

TEST_P(GoldenAnalysis, AnalyseOnlyRebuildsTheSameResults) {
    startUp(session);
    session.setIdBoxText(GetParam());
    CmdUpdateData_Click(session);
    const std::string listEntry = session.ui.CmbID;
    FileSet expected = filesIn(expectedFolder());

    // Picked from the list, the name comes from the entry with the blank in
    // front of it, so the per-opponent totals go to a second file of the same
    // content.
    const std::string totalsFile = mid(listEntry, 13) + ".txt";
    ASSERT_TRUE(expected.count(totalsFile)) << totalsFile;
    expected[" " + totalsFile] = expected[totalsFile];
    session.pickIdBoxEntry(listEntry);
    cmdAnalyseOnly_Click(session);
    expectSameFiles(expected, filesIn(resultsFolder()), "analyse only");
}

INSTANTIATE_TEST_SUITE_P(SampleMembers, GoldenAnalysis,
                         ::testing::Values(
                             // plays the second section of a three-section event, three-digit pair
                             // numbers, opponents with 31- and 32-character names
                             "16620841",
                             // starts unrated, unrated opponents, a quick-rated event on the date of
                             // another event, a game against a quick-rated opponent, an event name with
                             // a comma and double quotes
                             "14210017",
                             // the real 64-player crosstable: byes, a half-point bye, ratings below 1000
                             "30302490",
                             // quick-rated events only: no rated games at all
                             "15550123"));
