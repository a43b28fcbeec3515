#include "shell/store_command.h"

#include "platform/store_error.h"
#include "shell/session.h"

namespace krv {

bool runStoreCommand(KrvSession& session, const std::function<void(KrvSession&)>& command, LockWait) {
    try {
        command(session);
    } catch (const StoreError& e) {
        session.messages.ok(kStoreErrorTitle, e.what());
        return false;
    }
    return true;
}

}  // namespace krv
