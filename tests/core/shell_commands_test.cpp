#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "platform/store_error.h"
#include "platform/text.h"
#include "session/session.h"
#include "shell/commands.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::readBytes;
using krv::testing::TempDir;
using krv::testing::writeBytes;
namespace fs = std::filesystem;

namespace {

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&, const CancelFlag*) override {
        return {false, 0, "offline"};
    }
};

struct ShellFixture : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    std::unique_ptr<KrvSession> session;

    std::string root() const { return dir / "KRV"; }
    KrvSession& start() {
        session = std::make_unique<KrvSession>(SessionOptions{root()}, boxes, downloads);
        startUp(*session);
        return *session;
    }
};

}  // namespace

TEST_F(ShellFixture, FirstStartCreatesTheTreeAndWelcomes) {
    auto& s = start();
    for (const char* sub : {"", "/Results", "/Data", "/Temp"}) EXPECT_TRUE(fs::is_directory(root() + sub)) << sub;
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Welcome to the KRV Individual Data Program");
    EXPECT_EQ(s.state.highLowRange, "100");
    EXPECT_EQ(s.ui.txthighlowrange, "100");
    EXPECT_FALSE(s.ui.isVisible("MSFlexSort"));
    EXPECT_FALSE(s.ui.isVisible("cmdsortbyalpha"));
    EXPECT_FALSE(s.ui.isVisible("txtResults"));
    EXPECT_EQ(s.ui.lblprocessed, kStartCaption);
}

TEST_F(ShellFixture, APlainFileNamedLikeAFolderIsLeftAlone) {
    writeBytes(root() + "/Temp", "mine");
    start();
    EXPECT_EQ(readBytes(root() + "/Temp"), "mine");
    EXPECT_TRUE(fs::is_directory(root() + "/Data"));
}

// A store that cannot be created, and an ID list or settings file that
// cannot be replaced, end start-up, Exit or Delete Data with the store error.
TEST_F(ShellFixture, AStoreThatCannotBeWrittenEndsTheCommandWithAStoreError) {
    const std::string tooLong = dir / std::string(300, 'k');
    session = std::make_unique<KrvSession>(SessionOptions{tooLong}, boxes, downloads);
    try {
        startUp(*session);
        ADD_FAILURE() << "no error";
    } catch (const StoreError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not write " + tooLong + ": File name too long");
    }

    for (const std::string blocked : {"/default.txt", "/config.txt"}) {
        SCOPED_TRACE(blocked);
        auto& s = start();
        writeBytes(root() + blocked + "/in-the-way", "x");
        try {
            cmdExit_Click(s);
            ADD_FAILURE() << "no error";
        } catch (const StoreError& e) { EXPECT_EQ(e.path(), root() + blocked); }
        EXPECT_FALSE(fs::exists(root() + blocked + ".partial"));
        fs::remove_all(root() + blocked);
    }

    writeBytes(root() + "/config.txt", "12345678 -- JOHN SMITH\r\n");
    auto& s = start();
    writeBytes(root() + "/config.tmp/in-the-way", "x");
    s.setIdBoxText("12345678 -- JOHN SMITH");
    boxes.answers = {true};
    EXPECT_THROW(cmdDelete_Click(s), StoreError);
    EXPECT_EQ(readBytes(root() + "/config.txt"), "12345678 -- JOHN SMITH\r\n");
}

TEST_F(ShellFixture, ExitWithAnEmptyListWritesAnEmptyListAndNoWelcomeNextTime) {
    auto& s = start();
    cmdExit_Click(s);
    EXPECT_EQ(readBytes(root() + "/config.txt"), "");
    EXPECT_EQ(readBytes(root() + "/default.txt"), "\r\n100\r\n 0 \r\n 5 \r\n 0 \r\n 5 \r\n");
    boxes.shown.clear();
    start();
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellFixture, SettingsComeBackAndExitRewritesTheListInSurnameOrder) {
    writeBytes(root() + "/config.txt",
               "12345678 -- JOHN SMITH\r\n23456789 -- MARIA DE LA CRUZ\r\n34567890 -- ANNA ADAMS\r\n4567\r\n");
    writeBytes(root() + "/default.txt", "23456789 -- MARIA DE LA CRUZ\r\n150\r\n 3 \r\n 4 \r\n 2 \r\n 6 \r\n");
    auto& s = start();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(s.ui.CmbIDList.size(), 4u);
    EXPECT_EQ(s.ui.CmbID, "23456789 -- MARIA DE LA CRUZ");
    EXPECT_EQ(s.ui.txthighlowrange, "150");
    EXPECT_EQ(s.state.savedSortColumn, 3);
    EXPECT_EQ(s.state.savedSortCode, 4);
    EXPECT_EQ(s.state.savedIndividualColumn, 2);
    EXPECT_EQ(s.state.savedIndividualSortCode, 6);
    EXPECT_FALSE(s.state.lastSortCode);

    cmdExit_Click(s);
    // The short line has an empty name, whose key is one blank: it sorts first.
    EXPECT_EQ(readBytes(root() + "/config.txt"),
              "4567\r\n34567890 -- ANNA ADAMS\r\n23456789 -- MARIA DE LA CRUZ\r\n12345678 -- JOHN SMITH\r\n");
    // No sort button was used: line 4 is 5 whatever the file held; line 6
    // is 5 only because no code reached the individual grid in this run.
    EXPECT_EQ(readBytes(root() + "/default.txt"),
              "23456789 -- MARIA DE LA CRUZ\r\n150\r\n 0 \r\n 5 \r\n 0 \r\n 5 \r\n");
}

TEST_F(ShellFixture, DeleteAnsweredNoChangesNothing) {
    writeBytes(root() + "/config.txt", "12345678 -- JOHN SMITH\r\n");
    writeBytes(root() + "/Data/12345678/e.txt", "x");
    writeBytes(root() + "/Results/12345678/r.txt", "x");
    auto& s = start();
    s.pickIdBoxEntry("12345678 -- JOHN SMITH");
    boxes.answers = {false};
    cmdDelete_Click(s);
    ASSERT_EQ(boxes.shown.back().kind, "yesno");
    EXPECT_EQ(boxes.shown.back().title, "Data Deletion Doublecheck");
    EXPECT_EQ(boxes.shown.back().text, "Proceeding will delete all datafiles for JOHN SMITH");
    EXPECT_TRUE(fs::exists(root() + "/Data/12345678/e.txt"));
    EXPECT_TRUE(fs::exists(root() + "/Results/12345678/r.txt"));
    EXPECT_EQ(readBytes(root() + "/config.txt"), "12345678 -- JOHN SMITH\r\n");
}

TEST_F(ShellFixture, DeleteAnsweredYesRemovesFoldersAndEveryMatchingLine) {
    writeBytes(root() + "/config.txt", "12345678 -- JOHN SMITH\r\n87654321 -- ANNA ADAMS\r\n12345678 -- J SMITH\r\n");
    writeBytes(root() + "/Data/12345678/e.txt", "x");
    writeBytes(root() + "/Results/12345678/r.txt", "x");
    writeBytes(root() + "/Data/87654321/e.txt", "x");
    auto& s = start();
    s.pickIdBoxEntry("12345678 -- JOHN SMITH");
    boxes.answers = {true};
    cmdDelete_Click(s);
    EXPECT_FALSE(fs::exists(root() + "/Data/12345678"));
    EXPECT_FALSE(fs::exists(root() + "/Results/12345678"));
    EXPECT_TRUE(fs::exists(root() + "/Data/87654321/e.txt"));
    EXPECT_FALSE(fs::exists(root() + "/config.tmp"));
    EXPECT_EQ(readBytes(root() + "/config.txt"), "87654321 -- ANNA ADAMS\r\n");
    EXPECT_EQ(s.ui.CmbIDList, (std::vector<std::string>{"87654321 -- ANNA ADAMS"}));
    EXPECT_FALSE(s.ui.isVisible("MSFlexSort"));
}

TEST_F(ShellFixture, DeleteRefusesEmptyAndUnsafeIds) {
    writeBytes(root() + "/Data/x/keep.txt", "x");
    auto& s = start();
    boxes.shown.clear();
    s.pickIdBoxEntry("");
    cmdDelete_Click(s);
    s.pickIdBoxEntry("../Data/x -- EVIL");
    cmdDelete_Click(s);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].kind, "beep");
    EXPECT_EQ(boxes.shown[1].kind, "beep");
    EXPECT_TRUE(fs::exists(root() + "/Data/x/keep.txt"));
}

TEST_F(ShellFixture, AnalyseOnlyRefusesABareTypedId) {
    auto& s = start();
    boxes.shown.clear();
    s.setIdBoxText("12345678");
    cmdAnalyseOnly_Click(s);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Note");
    EXPECT_EQ(boxes.shown[0].text, kAnalyseOnlyNote);
    EXPECT_FALSE(s.ui.isVisible("txtResults"));
}

// A box that cannot be shown: the command ends with an exception.
class FailingMessageBox : public RecordingMessageBox {
public:
    void ok(const std::string&, const std::string&) override { throw std::runtime_error("no display"); }
};

TEST_F(ShellFixture, AnAnalyseOnlyThatThrowsLeavesNoAnalyseOnlyMark) {
    start();
    FailingMessageBox failing;
    KrvSession s(SessionOptions{root()}, failing, downloads);
    s.setIdBoxText("12345678");
    EXPECT_THROW(cmdAnalyseOnly_Click(s), std::runtime_error);
    EXPECT_EQ(s.state.analyseOnly, 0);
}

TEST_F(ShellFixture, ExitWritesTheIdListAsTheFileHoldsItNow) {
    writeBytes(root() + "/config.txt", "12345678 -- JOHN SMITH\r\n");
    auto& s = start();
    // Another program records a member while this one runs.
    writeBytes(root() + "/config.txt", "12345678 -- JOHN SMITH\r\n87654321 -- ANNA ADAMS\r\n");
    cmdExit_Click(s);
    EXPECT_EQ(readBytes(root() + "/config.txt"), "87654321 -- ANNA ADAMS\r\n12345678 -- JOHN SMITH\r\n");
}

TEST_F(ShellFixture, UpdateAllWithAnEmptyListDoesNothing) {
    auto& s = start();
    Cmdupdateall_Click(s);
    EXPECT_FALSE(s.state.updateAllRunning);
}

TEST_F(ShellFixture, TypingInTheIdBoxClearsTheFreshDownloadMark) {
    auto& s = start();
    s.state.freshDownload = true;
    s.pickIdBoxEntry("12345678 -- JOHN SMITH");
    EXPECT_TRUE(s.state.freshDownload);
    s.setIdBoxText("1234");
    EXPECT_FALSE(s.state.freshDownload);
}
