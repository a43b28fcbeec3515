// The writer lock of a store: whoever changes the store holds it, so that
// two programs on one store (a scheduled krv-cli and the desktop program,
// say) take turns instead of mixing their files. It is an advisory lock on
// the file kStoreLockName in the store root; the system drops it when the
// holder dies, so a killed program never leaves the store locked. The
// holder writes its process id into the file for the others to name.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "platform/file_lock.h"

namespace krv {

inline constexpr const char* kStoreLockName = "store.lock";

class StoreLock {
public:
    // Opens (creating) the lock file of the store; throws StoreError when it
    // cannot be created. Does not lock.
    explicit StoreLock(const std::string& storeRoot);
    ~StoreLock() { release(); }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // Takes the lock when it is free; never waits.
    bool tryAcquire();

    // Takes the lock, waiting for it when another program holds it: then
    // onWait runs once, and the lock is tried again every `poll` until it is
    // free or *cancel is set. False when cancelled.
    bool acquire(const std::atomic<bool>* cancel, const std::function<void()>& onWait,
                 std::chrono::milliseconds poll = std::chrono::milliseconds(50));

    bool held() const { return file_.held(); }
    void release();

    // The process id the holder wrote, when it can be read.
    std::optional<long> holderPid() const;

private:
    FileLock file_;
};

// What a program that may not wait tells the user about a busy store.
std::string storeInUseText(std::optional<long> holderPid);

}  // namespace krv
