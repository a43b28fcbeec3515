// How a window has a command run, without knowing who runs it: the windows
// of the subsystems sit beside their logic, below the program's shell, and
// must not include it. The shell's AppWindows is the one runner.
#pragma once

#include <functional>
#include <string>

namespace krv {
class KrvSession;
class Printer;

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // A command that only changes the views (a sort), run at once.
    virtual void runCommand(const std::function<void(KrvSession&)>& command) = 0;
    // A command that changes the store, run in the background on a copy of
    // the session.
    virtual void runInBackground(std::function<void(KrvSession&)> command) = 0;
    // A printout: printout writes the pages into the printer at once, from
    // what the windows show now; they are then put on paper while the
    // windows wait as during a run, with a progress dialog that offers
    // Cancel. Where the system has no printer the printout becomes the PDF
    // file pdfFileName in the member's Results folder.
    virtual void runPrintout(const std::string& pdfFileName, bool landscape,
                             const std::function<void(KrvSession&, Printer&)>& printout) = 0;
};

}  // namespace krv
