// How a window has a command run, without knowing who runs it: the windows
// of the subsystems sit beside their logic, below the program's shell, and
// must not include it. The shell's AppWindows is the one runner.
#pragma once

#include <functional>

namespace krv {
class KrvSession;

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // A command that only changes the views (a sort, a printout), run at once.
    virtual void runCommand(const std::function<void(KrvSession&)>& command) = 0;
    // A command that changes the store, run in the background on a copy of
    // the session.
    virtual void runInBackground(std::function<void(KrvSession&)> command) = 0;
};

}  // namespace krv
