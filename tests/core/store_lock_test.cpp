// One writer per store and a Temp folder of each program's own: the writer
// lock, the run folders and the command wrapper that ties them together.
// Locks taken through two descriptors of one process exclude each other
// exactly as two programs do, so these tests need no second process.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <thread>

#include "platform/file_lock.h"
#include "platform/run_folder.h"
#include "platform/store_error.h"
#include "platform/store_lock.h"
#include "session/session.h"
#include "shell/commands.h"
#include "shell/store_command.h"
#include "support/fake_downloader.h"
#include "support/mounts.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct StoreFixture : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    FakeDownloader web;
    std::unique_ptr<KrvSession> session;
    std::vector<std::string> captions;

    std::string root() const { return dir / "KRV"; }
    KrvSession& start() {
        session = std::make_unique<KrvSession>(SessionOptions{root()}, boxes, web);
        startUp(*session);
        boxes.shown.clear();
        session->onStatusChanged = [this](const std::string& text) { captions.push_back(text); };
        return *session;
    }
    std::vector<std::string> runFolders() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root() + "/Temp")) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// A folder that looks like the run folder of a program that died: its
// lock file is there but nobody holds it.
void makeDeadRunFolder(const std::string& path, bool withLockFile = true) {
    writeBytes(path + "/12345678.lst", "left over");
    if (withLockFile) writeBytes(path + "/lock", "");
}

}  // namespace

TEST_F(StoreFixture, TheWriterLockExcludesASecondHolderAndNamesTheFirst) {
    fs::create_directories(root());
    StoreLock first(root()), second(root());
    ASSERT_TRUE(first.tryAcquire());
    EXPECT_FALSE(second.tryAcquire());
    EXPECT_EQ(second.holderPid(), static_cast<long>(::getpid()));
    EXPECT_EQ(storeInUseText(::getpid()), "Another KRV Data program (process " + std::to_string(::getpid()) +
                                              ") is changing this store. Try again when it has finished.");
    EXPECT_EQ(storeInUseText(std::nullopt),
              "Another KRV Data program is changing this store. Try again when it has finished.");

    first.release();
    EXPECT_EQ(second.holderPid(), std::nullopt) << "the id goes with the lock";
    EXPECT_TRUE(second.tryAcquire());
}

TEST_F(StoreFixture, AHalfWrittenOrForeignLockFileNamesNobody) {
    fs::create_directories(root());
    for (const std::string text : {"", "123", "12x\n", "-5\n", "99999999999999999999\n"}) {
        writeBytes(root() + "/store.lock", text);
        EXPECT_EQ(StoreLock(root()).holderPid(), std::nullopt) << text;
    }
    writeBytes(root() + "/store.lock", "4321\n");
    EXPECT_EQ(StoreLock(root()).holderPid(), 4321);
}

TEST_F(StoreFixture, AStoreRootThatCannotHoldTheLockFileIsAStoreError) {
    try {
        StoreLock lock(root() + "/missing");
        FAIL() << "no error";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.path(), root() + "/missing/store.lock");
        EXPECT_EQ(e.reason(), "No such file or directory");
    }
}

TEST_F(StoreFixture, AWaitEndsWhenTheHolderReleasesOrWhenCancelled) {
    fs::create_directories(root());
    for (bool cancel : {false, true}) {
        SCOPED_TRACE(cancel);
        StoreLock holder(root()), waiter(root());
        ASSERT_TRUE(holder.tryAcquire());
        std::atomic<bool> cancelled{false};
        int waits = 0;
        auto result = std::async(std::launch::async, [&] { return waiter.acquire(&cancelled, [&] { ++waits; }); });
        EXPECT_EQ(result.wait_for(200ms), std::future_status::timeout);
        const auto at = std::chrono::steady_clock::now();
        if (cancel) cancelled = true;
        else holder.release();
        ASSERT_EQ(result.wait_for(1s), std::future_status::ready);
        EXPECT_LT(std::chrono::steady_clock::now() - at, 200ms);
        EXPECT_EQ(result.get(), !cancel);
        EXPECT_EQ(waits, 1);
        EXPECT_EQ(waiter.held(), !cancel);
    }
}

TEST_F(StoreFixture, RunFoldersAreDistinctLockedAndRemovedWithTheirOwner) {
    fs::create_directories(root() + "/Temp");
    std::string kept;
    {
        RunFolder a, b;
        const std::string pa = a.create(root() + "/Temp"), pb = b.create(root() + "/Temp");
        EXPECT_NE(pa, pb);
        EXPECT_EQ(a.create(root() + "/Temp"), pa) << "made once";
        const std::string prefix = "run-" + std::to_string(::getpid()) + "-";
        EXPECT_EQ(fs::path(pa).filename().string().rfind(prefix, 0), 0u) << pa;
        FileLock probe(pa + "/lock", FileLock::Open::ExistingOnly);
        EXPECT_FALSE(probe.tryLock()) << "its owner holds it";
        EXPECT_EQ(removeDeadRunFolders(root() + "/Temp"), 0);
        EXPECT_TRUE(fs::is_directory(pa));
        kept = pa;
    }
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(runFolders().empty());
}

TEST_F(StoreFixture, StartUpRemovesOnlyTheRunFoldersOfDeadPrograms) {
    const std::string temp = root() + "/Temp";
    makeDeadRunFolder(temp + "/run-999999-dead");
    makeDeadRunFolder(temp + "/run-999998-nolock", false);
    makeDeadRunFolder(temp + "/.making-run-999997-half");
    writeBytes(temp + "/12345678.lst", "not a run folder");       // an older program's file
    writeBytes(temp + "/run-notes.txt", "a file, not a folder");  // named like one, but a file
    fs::create_directories(dir / "outside");
    writeBytes(dir / "outside/precious.txt", "keep");
    fs::create_directory_symlink(dir / "outside", temp + "/run-999996-link");

    RunFolder live;
    const std::string livePath = live.create(temp);
    writeBytes(livePath + "/12345678.txt", "in use");

    start();
    EXPECT_EQ(runFolders(), (std::vector<std::string>{"12345678.lst", fs::path(livePath).filename().string(),
                                                      "run-999996-link", "run-notes.txt"}));
    EXPECT_EQ(readBytes(livePath + "/12345678.txt"), "in use");
    EXPECT_EQ(readBytes(dir / "outside/precious.txt"), "keep");
}

TEST_F(StoreFixture, AStoreCommandRunsInItsOwnTempFolderAndLeavesItToTheSession) {
    auto& s = start();
    std::string seen;
    EXPECT_TRUE(runStoreCommand(s, [&](KrvSession& inside) {
        seen = inside.runTempDir();
        EXPECT_TRUE(fs::is_directory(seen));
        EXPECT_TRUE(inside.holdsStoreLock);
        StoreLock other(root());
        EXPECT_FALSE(other.tryAcquire()) << "the lock is held while the command runs";
        // A command run from within another does not wait for itself.
        EXPECT_TRUE(runStoreCommand(
            inside, [](KrvSession&) {}, LockWait::NoWait));
    }));
    EXPECT_FALSE(s.holdsStoreLock);
    EXPECT_TRUE(StoreLock(root()).tryAcquire()) << "released after the command";
    EXPECT_TRUE(fs::is_directory(seen)) << "the run folder lives as long as the program";
    session.reset();
    EXPECT_FALSE(fs::exists(seen));
}

TEST_F(StoreFixture, ABusyStoreIsReportedWithoutWaitingOrWaitedForOnce) {
    auto& s = start();
    StoreLock other(root());
    ASSERT_TRUE(other.tryAcquire());
    bool ran = false;
    EXPECT_FALSE(runStoreCommand(
        s, [&](KrvSession&) { ran = true; }, LockWait::NoWait));
    EXPECT_FALSE(ran);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Store In Use");
    EXPECT_EQ(boxes.shown[0].text, storeInUseText(::getpid()));
    EXPECT_TRUE(captions.empty());

    boxes.shown.clear();
    auto waited = std::async(std::launch::async, [&] { return runStoreCommand(s, [&](KrvSession&) { ran = true; }); });
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(ran);
    other.release();
    ASSERT_EQ(waited.wait_for(2s), std::future_status::ready);
    EXPECT_TRUE(waited.get());
    EXPECT_TRUE(ran);
    EXPECT_EQ(captions, (std::vector<std::string>{kWaitingForStoreText}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StoreFixture, CancelEndsTheWaitForTheStoreWithinASecond) {
    auto& s = start();
    StoreLock other(root());
    ASSERT_TRUE(other.tryAcquire());
    s.setStatus("before");
    captions.clear();
    bool ran = false;
    auto waited = std::async(std::launch::async, [&] { return runStoreCommand(s, [&](KrvSession&) { ran = true; }); });
    std::this_thread::sleep_for(200ms);
    const auto at = std::chrono::steady_clock::now();
    s.cancelRequested = true;
    ASSERT_EQ(waited.wait_for(2s), std::future_status::ready);
    const auto took = std::chrono::steady_clock::now() - at;
    EXPECT_LT(took, 1s);
    EXPECT_FALSE(waited.get());
    EXPECT_FALSE(ran);
    EXPECT_EQ(captions, (std::vector<std::string>{kWaitingForStoreText, "before"}));
    EXPECT_TRUE(runFolders().empty()) << "a waiting program makes no run folder";
}

TEST_F(StoreFixture, FailuresEndTheCommandAndReleaseTheStore) {
    auto& s = start();
    // A failed write is reported in a box and the command counts as failed.
    EXPECT_FALSE(runStoreCommand(s, [](KrvSession&) {
        throw StoreError(std::string("/x/Results/1/1.txt"), std::string("No space left on device"));
    }));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Store Error");
    EXPECT_EQ(boxes.shown[0].text, "Could not write /x/Results/1/1.txt: No space left on device");
    EXPECT_TRUE(StoreLock(root()).tryAcquire());

    // Anything else is the caller's to report, but the store is released.
    EXPECT_THROW(runStoreCommand(s, [](KrvSession&) { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_FALSE(s.holdsStoreLock);
    EXPECT_TRUE(StoreLock(root()).tryAcquire());

    // A store whose root is gone cannot be locked: that too is a store error.
    fs::remove_all(root());
    boxes.shown.clear();
    bool ran = false;
    EXPECT_FALSE(runStoreCommand(s, [&](KrvSession&) { ran = true; }));
    EXPECT_FALSE(ran);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Could not write " + root() + "/store.lock: No such file or directory");
}

TEST_F(StoreFixture, AReadOnlyStoreIsStillLockedOrSaysWhyItCannotBe) {
    fs::create_directories(root() + "/with");
    fs::create_directories(root() + "/without");
    StoreLock made(root() + "/with");  // the lock file exists before the store turns read-only
    auto readOnly = Mount::readOnly(root());
    if (!readOnly) GTEST_SKIP() << "needs root and bind mounts";

    StoreLock first(root() + "/with"), second(root() + "/with");
    EXPECT_TRUE(first.tryAcquire());
    EXPECT_FALSE(second.tryAcquire());
    try {
        StoreLock lock(root() + "/without");
        FAIL() << "no error";
    } catch (const StoreError& e) { EXPECT_EQ(e.reason(), "Read-only file system"); }
}
