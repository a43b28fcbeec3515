// Whole update runs and Analyse Only runs of sample members, each result file
// compared byte for byte with the expected files in analysis/<ID>/. Only the
// date in the digest's first line (today) is masked.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "acquisition/update_run.h"
#include "platform/text.h"
#include "sample_pages.h"
#include "session/session.h"
#include "shell/commands.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

constexpr const char* kBase = "http://127.0.0.1:8080";

// Answers every download from the sample page library.
class SamplePages : public Downloader {
public:
    DownloadResult download(const std::string& url, const std::string& path, const CancelFlag* = nullptr) override {
        if (url.rfind(kBase, 0) != 0) return {false, 0, "not the sample service"};
        const auto answer =
            sample::answerPageRequest(sample::Catalog::bundled(), url.substr(std::string(kBase).size()));
        if (answer.status != 200 || !writeFileAtomically(path, answer.body)) return {false, answer.status, "failed"};
        return {true, 200, ""};
    }
};

// The digest's first line ends with today's date as MM-DD-YYYY.
std::string maskToday(std::string digest) {
    const std::size_t end = digest.find("\r\n");
    if (end != std::string::npos && end >= 10) digest.replace(end - 10, 10, "##-##-####");
    return digest;
}

using FileSet = std::map<std::string, std::string>;  // name -> bytes, today masked in the digest

FileSet filesIn(const std::string& folder) {
    FileSet files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string(), bytes = readBytes(entry.path().string());
        files[name] = name == "digest.txt" ? maskToday(bytes) : bytes;
    }
    return files;
}

void expectSameFiles(const FileSet& expected, const FileSet& actual, const std::string& what) {
    EXPECT_EQ(actual.size(), expected.size()) << what;
    for (const auto& [name, bytes] : expected)
        EXPECT_EQ(actual.count(name) ? actual.at(name) : "(missing)", bytes) << what << ": " << name;
}

using GoldenAnalysis = ::testing::TestWithParam<std::string>;

}  // namespace

TEST_P(GoldenAnalysis, AnUpdateRunAndAnalyseOnlyWriteTheExpectedFiles) {
    TempDir dir;
    RecordingMessageBox boxes;
    SamplePages pages;
    KrvSession session{SessionOptions{dir / "KRV", kBase, 2}, boxes, pages};
    const std::string results = session.store().memberResultsDir(GetParam());
    startUp(session);
    session.setIdBoxText(GetParam());
    CmdUpdateData_Click(session);

    FileSet expected = filesIn(std::string(KRV_GOLDEN_DIR) + "/" + GetParam());
    expectSameFiles(expected, filesIn(results), "update run");
    EXPECT_EQ(maskToday(session.ui.txtResults + "\r\n"), expected.at("digest.txt"));
    EXPECT_EQ(session.ui.lblprocessed,
              "Files have been created in " + session.store().results() +
                  "/######## The # equals the USCF#.  Digest.txt, Streak.txt, USCFName.txt, USCF ID#.txt, "
                  "Allchart.txt and Yearchart.txt have been created.  The last five files are all comma delimited "
                  "and can be imported into Excel or other programs.");

    // Analyse Only rebuilds the same files from the stored pages. Picked from
    // the list, the name comes from the entry with the blank in front of it,
    // so the per-opponent totals go to a second file of the same content.
    const std::string listEntry = session.ui.CmbID;
    const std::string totalsFile = mid(listEntry, 13) + ".txt";
    ASSERT_TRUE(expected.count(totalsFile)) << totalsFile;
    expected[" " + totalsFile] = expected[totalsFile];
    session.pickIdBoxEntry(listEntry);
    cmdAnalyseOnly_Click(session);
    expectSameFiles(expected, filesIn(results), "analyse only");
}

INSTANTIATE_TEST_SUITE_P(
    SampleMembers, GoldenAnalysis,
    ::testing::Values("16620841",    // a second section of three, three-digit pair numbers, 31-/32-character names
                      "14210017",    // starts unrated, unrated opponents, a quick-rated event on another event's
                                     // date, a quick-rated opponent, an event name with a comma and double quotes
                      "30302490",    // the real 64-player crosstable: byes, a half-point bye, ratings below 1000
                      "15550123"));  // quick-rated events only: no rated games at all
