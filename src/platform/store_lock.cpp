#include "platform/store_lock.h"

#include <thread>

#include <unistd.h>

#include "platform/store_error.h"
#include "platform/text.h"

namespace krv {

StoreLock::StoreLock(const std::string& storeRoot)
    : file_(storeRoot + "/" + kStoreLockName, FileLock::Open::CreateIfMissing) {
    if (!file_.isOpen()) throw StoreError::fromErrno(file_.path(), file_.errorNumber());
}

bool StoreLock::tryAcquire() {
    if (!file_.tryLock()) return false;
    // Only a courtesy for the messages of others: a store whose lock file
    // cannot be written is still locked.
    (void)file_.replaceContents(std::to_string(static_cast<long>(::getpid())) + "\n");
    return true;
}

void StoreLock::release() {
    if (!held()) return;
    // The id goes with the lock, so that nobody names a program that has
    // finished. (A killed holder leaves its id, which the next one replaces.)
    (void)file_.replaceContents("");
    file_.unlock();
}

bool StoreLock::acquire(const std::atomic<bool>* cancel, const std::function<void()>& onWait,
                        std::chrono::milliseconds poll) {
    if (tryAcquire()) return true;
    if (onWait) onWait();
    // Polling rather than a blocking lock: a blocked call could not be ended
    // by a Cancel, and a few tries a second cost nothing.
    while (!tryAcquire()) {
        if (cancel && *cancel) return false;
        std::this_thread::sleep_for(poll);
    }
    return true;
}

std::optional<long> StoreLock::holderPid() const {
    // The holder writes the id and its line end in one go; a text without the
    // line end was caught half-written.
    const std::string text = file_.read();
    if (text.empty() || text.back() != '\n') return std::nullopt;
    auto pid = parseWholeNumber(std::string_view(text).substr(0, text.size() - 1), 1, 1L << 30);
    if (!pid) return std::nullopt;
    return static_cast<long>(*pid);
}

std::string storeInUseText(std::optional<long> holderPid) {
    const std::string who = holderPid ? "Another KRV Data program (process " + std::to_string(*holderPid) + ")"
                                      : "Another KRV Data program";
    return who + " is changing this store. Try again when it has finished.";
}

}  // namespace krv
