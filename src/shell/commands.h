// The main window's own commands: start-up, exit, delete data, update all,
// analyse only and help. The windows call these; so does the command line.
#pragma once

#include <string>

#include "session/captions.h"  // kStartCaption, kAnalyseOnlyNote, which these commands show too

namespace krv {
class KrvSession;

inline constexpr const char* kMainCaption = "KRV Data  Version 1.7b";
inline constexpr const char* kSupportAddress = "support@krvdata.example";

// Creates the store tree, removes the Temp folders of programs that died,
// loads the ID list and the settings, sets the initial sort codes and hides
// the view controls.
void startUp(KrvSession& session);

// Fills the ID box's list from the ID list file, as another program may
// have changed it.
void reloadIdList(KrvSession& session);

// Returns the main window to its look before any analysis.
void hideControls(KrvSession& session);

// Saves the settings file and rewrites the ID list, as the file holds it, in
// surname order (the file work of Exit; closing the windows is the desktop
// program's).
void cmdExit_Click(KrvSession& session);

// Deletes the member in the ID box after a Yes/No question.
void cmdDelete_Click(KrvSession& session);

// Runs the update (downloads only) for every entry of the ID list.
void Cmdupdateall_Click(KrvSession& session);

// Repeats the analysis from the stored pages.
void cmdAnalyseOnly_Click(KrvSession& session);

// The Help message.
void cmdhelp_Click(KrvSession& session);
std::string helpText();

}  // namespace krv
