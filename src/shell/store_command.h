// Running a command that changes the store. Every such command (update,
// Update All IDs, Analyse Only, Delete Data, the writes of Exit and of
// start-up) goes through runStoreCommand, from the command line and from
// the windows alike, so that the rules for the store live in one place.
#pragma once

#include <functional>

namespace krv {
class KrvSession;

// What to do when another program holds the store.
enum class LockWait {
    Wait,    // say so once through the status line, then wait (Cancel ends the wait)
    NoWait,  // report the store as in use and do not run
};

inline constexpr const char* kWaitingForStoreText = "Waiting for another KRV Data program to finish with this store...";
// The title of the box that says the store is in use (NoWait).
inline constexpr const char* kStoreInUseTitle = "Store In Use";

// Runs command with the store's writer lock held, in a Temp folder of this
// run's own. A write that fails (StoreError) ends the command with a box
// titled "Store Error" naming the path and the reason. False when the command
// did not run to its end: the store was in use (NoWait: a box titled
// kStoreInUseTitle names the holder's process id when known), the wait was
// cancelled (session.cancelRequested, looked at every 50 ms), or a store
// error ended it.
//
// While another program holds the lock, kWaitingForStoreText is shown once
// through session.setStatus; a cancelled wait shows the previous status
// again. Called from within a command that holds the lock already, it runs
// the inner command at once. Other exceptions pass through, with the lock
// released.
bool runStoreCommand(KrvSession& session, const std::function<void(KrvSession&)>& command,
                     LockWait wait = LockWait::Wait);

}  // namespace krv
