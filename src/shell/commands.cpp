#include "shell/commands.h"

#include <filesystem>

#include "acquisition/analysis_driver.h"
#include "acquisition/update_run.h"
#include "platform/run_folder.h"
#include "platform/scope_exit.h"
#include "platform/store_error.h"
#include "platform/text.h"
#include "session/member_id.h"
#include "session/session.h"
#include "session/sort_name.h"
#include "stats/advanced_analysis.h"

namespace krv {

namespace {

// The view controls, in the order they are hidden.
constexpr const char* kViewControls[] = {
    "cmdsortbyid", "cmdsortbyalpha", "cmdsortbydate", "cmdresults", "MSFlexSort",          "lblrating",
    "cmdsel",      "cmdopp",         "cmddif",        "cmdPost",    "cmdsortbytournament", "CmdPrintTournamentView",
    "txtResults",  "lblkrv",         "MSFlexResults",
};

// Start-up runs without the store's writer lock, so that viewing never
// waits: creating a folder is one system call that either makes it or finds
// it made, so two programs starting together both end up with the tree, and
// neither touches anything else of the store here. A plain file where a
// folder belongs is left alone (DirExists is true for it); the first write
// into that folder reports it.
void createStoreTree(const StorePaths& store) {
    for (const std::string& dir : {store.root, store.results(), store.data(), store.temp()}) {
        if (DirExists(dir)) continue;
        std::error_code ec;
        std::filesystem::create_directory(dir, ec);
        if (ec) throw StoreError(dir, ec.message());
    }
}

void restoreSettings(KrvSession& session) {
    auto settings = readSettings(session.store().defaultFile());
    if (!settings) {
        session.state.highLowRange = "100";
        return;
    }
    session.setIdBoxText(settings->idBoxText);
    session.state.highLowRange = settings->highLowRange;
    session.ui.txthighlowrange = settings->highLowRange;
    session.state.savedSortColumn = settings->sortColumn;
    session.state.savedSortCode = settings->sortCode;
    session.state.savedIndividualColumn = settings->individualColumn;
    session.state.savedIndividualSortCode = settings->individualSortCode;
}

// The ID list in surname order, sorted through the work grid as every
// ordering of the program is.
std::vector<std::string> idListInSurnameOrder(KrvSession& session) {
    Grid& grid = session.ui.MSFlexIDsort;
    const auto& entries = session.ui.CmbIDList;
    grid.setCols(2);
    grid.setRows(static_cast<int>(entries.size()));
    grid.setColWidth(0, 30);
    grid.setColWidth(1, 30);
    for (int i = 0; i < grid.rows(); ++i) {
        grid.setText(i, 0, makeSortName(mid(entries[i], 13)));
        grid.setText(i, 1, entries[i]);
    }
    grid.setCol(0);
    grid.sort(kSortTextAscending);
    std::vector<std::string> sorted;
    for (int i = 0; i < grid.rows(); ++i) sorted.push_back(grid.text(i, 1));
    return sorted;
}

}  // namespace

void startUp(KrvSession& session) {
    auto& st = session.state;
    st.freshDownload = false;
    createStoreTree(session.store());
    // Each run folder is locked by its live program, so only those of
    // programs that died go.
    removeDeadRunFolders(session.store().temp());
    if (FileExists(session.store().configFile())) {
        reloadIdList(session);
    } else {
        session.messages.ok(
            "Welcome to the KRV Individual Data Program",
            "Welcome to the KRV program.  Just enter a legitimate 8 digit USCF # in the USCF ID field.");
    }
    restoreSettings(session);
    st.numericSortCode = 3;
    st.individualStringSortCode = 5;
    st.individualNumericSortCode = 3;
    st.stringSortCode = 5;
    st.downloadedCount = 0;
    hideControls(session);
    session.ui.setVisible("MSFlexResults", false);
    session.setStatus(kStartCaption);
}

void hideControls(KrvSession& session) {
    for (const char* name : kViewControls) session.ui.setVisible(name, false);
    session.setStatus(kStartCaption);
}

void reloadIdList(KrvSession& session) {
    session.ui.CmbIDList = readIdList(session.store().configFile()).value_or(std::vector<std::string>{});
}

void cmdExit_Click(KrvSession& session) {
    auto& st = session.state;
    // The list in the file, not the one loaded at start: every change this
    // program made went to the file and was loaded back, and another program
    // may have added a member since.
    if (FileExists(session.store().configFile())) reloadIdList(session);
    if (!st.lastSortCode) st.lastSortCode = 5;
    if (!st.individualLastSortCode) st.individualLastSortCode = 5;
    Settings settings{session.ui.CmbID, session.ui.txthighlowrange,     session.ui.MSFlexSort.col(),
                      st.lastSortCode,  session.ui.MSFlexResults.col(), st.individualLastSortCode};
    writeSettings(session.store().defaultFile(), settings);
    writeIdList(session.store().configFile(), idListInSurnameOrder(session));
}

void cmdDelete_Click(KrvSession& session) {
    const std::string& box = session.ui.CmbID;
    if (box.empty()) {
        session.messages.beep();
        return;
    }
    // The ID becomes part of two paths that are removed with everything in
    // them: anything but eight digits is refused before the question.
    const auto member = MemberId::fromIdBox(box);
    if (!member) {
        session.messages.beep();
        return;
    }
    if (!session.messages.yesNo("Data Deletion Doublecheck", "Proceeding will delete all datafiles for" + mid(box, 12)))
        return;
    const StorePaths& store = session.store();
    KillFolder(store.results() + "/" + member->text());
    KillFolder(store.data() + "/" + member->text());

    std::vector<std::string> kept;
    for (const auto& line : readIdList(store.configFile()).value_or(std::vector<std::string>{}))
        if (left(line, 8) != member->text()) kept.push_back(line);
    // The reduced list goes to config.tmp, which then takes the place of
    // config.txt in one rename: a crash leaves either list whole.
    replaceFile(store.configTmpFile(), joinLinesCrLf(kept));
    std::error_code ec;
    std::filesystem::rename(store.configTmpFile(), store.configFile(), ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(store.configTmpFile(), ignored);
        throw StoreError(store.configFile(), ec.message());
    }
    reloadIdList(session);
    hideControls(session);
}

void Cmdupdateall_Click(KrvSession& session) {
    session.state.updateAllRunning = true;
    // Left set, every later update would skip its analysis.
    ScopeExit restore([&session] { session.state.updateAllRunning = false; });
    const auto entries = session.ui.CmbIDList;
    for (const auto& entry : entries) {
        if (session.cancelRequested) break;
        session.setIdBoxText(entry);
        CmdUpdateData_Click(session);
    }
}

void cmdAnalyseOnly_Click(KrvSession& session) {
    auto& st = session.state;
    st.analyseOnly = 1;
    // The analysis clears it when it ends; a refused or failed one must not
    // leave it for the next update.
    ScopeExit restore([&st] { st.analyseOnly = 0; });
    st.gameCount = 0;
    st.opponentCount = 0;
    session.ui.setVisible("txtResults", false);
    session.ui.setVisible("MSFlexSort", false);
    session.ui.setVisible("MSFlexResults", false);
    const std::string& box = session.ui.CmbID;
    // An ID alone (no name after it) is no listed member.
    if (box.size() < 9 || !MemberId::fromIdBox(box)) {
        session.messages.ok("Note", kAnalyseOnlyNote);
        return;
    }
    Analyse(session);
    cmdAdvanceAnalyse_Click(session);
}

std::string helpText() {
    return std::string(
               "Come on when have you ever know Help to actually help?  Hold the mouse cursor over the "
               "command buttons to see what they should do.  Questions or ideas are welcome at ") +
           kSupportAddress + ".";
}

void cmdhelp_Click(KrvSession& session) { session.messages.ok("Help", helpText()); }

}  // namespace krv
