#include "shell/store_command.h"

#include "platform/scope_exit.h"
#include "platform/store_error.h"
#include "platform/store_lock.h"
#include "session/session.h"

namespace krv {

namespace {

// Takes the store's writer lock as `wait` says. False when the command must
// not run: the store is in use and we may not wait (reported), or the wait
// was cancelled (the status line shows again what it showed before).
bool takeStoreLock(KrvSession& session, StoreLock& lock, LockWait wait) {
    if (lock.tryAcquire()) return true;
    if (wait == LockWait::NoWait) {
        session.messages.ok(kStoreInUseTitle, storeInUseText(lock.holderPid()));
        return false;
    }
    const std::string before = session.ui.lblprocessed;
    if (lock.acquire(&session.cancelRequested, [&session] { session.setStatus(kWaitingForStoreText); })) return true;
    session.setStatus(before);
    return false;
}

}  // namespace

bool runStoreCommand(KrvSession& session, const std::function<void(KrvSession&)>& command, LockWait wait) {
    try {
        if (session.holdsStoreLock) {
            command(session);
            return true;
        }
        StoreLock lock(session.store().root);
        if (!takeStoreLock(session, lock, wait)) return false;
        session.holdsStoreLock = true;
        ScopeExit released([&session] { session.holdsStoreLock = false; });
        // Made while the lock is held, so that a program waiting for the
        // store leaves nothing behind when it is killed.
        session.runTempDir();
        command(session);
    } catch (const StoreError& e) {
        session.messages.ok(kStoreErrorTitle, e.what());
        return false;
    }
    return true;
}

}  // namespace krv
