#include "acquisition/analysis_driver.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "acquisition/event_downloads.h"
#include "acquisition/member_file_name.h"
#include "acquisition/member_pages.h"
#include "acquisition/section_files.h"
#include "gamelist/sort_data.h"
#include "platform/replaced_file.h"
#include "platform/store_error.h"
#include "platform/text.h"
#include "session/captions.h"
#include "session/member_id.h"
#include "session/session.h"
#include "session/store.h"

namespace krv {

namespace fs = std::filesystem;

namespace {

void refuse(KrvSession& session) {
    session.messages.ok("Note", kAnalyseOnlyNote);
    session.setIdBoxText("");
}

// The member's name: from the history page just downloaded, or after an
// Analyse Only from the ID list entry in the box (with the blank in front of
// the name).
void findMemberName(KrvSession& session, const std::string& id) {
    auto& st = session.state;
    if (st.analyseOnly == 0) {
        st.nameSourceFile = session.runTempDir() + "/" + id + ".rch";
        auto lines = readFileLines(st.nameSourceFile);
        if (!lines) return;
        if (auto name = memberNameFromHistory(*lines, id)) st.memberName = *name;
    } else {
        st.memberName = mid(session.ui.CmbID, 12);
    }
}

// The ID list gains its entry by being replaced whole: an append cut short
// by a crash or a full disk would leave half an entry in the list.
void appendIdListEntry(const std::string& path, const std::string& entry) {
    std::string bytes = readFileBytes(path).value_or(std::string());
    // A list edited by hand may lack the last line end; the entry must still
    // start a line of its own.
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') bytes += kLineEnd;
    bytes += entry;
    bytes += kLineEnd;
    replaceFile(path, bytes);
}

// Records a member not yet in the ID list. The box then shows the new entry
// and the drop-down list is reloaded from the file. The box is set as a pick
// from the list is: the member was just downloaded, and that must stay
// known for the current rating below.
void recordMember(KrvSession& session) {
    const std::string& configFile = session.store().configFile();
    const std::string box = session.ui.CmbID;
    if (FileExists(configFile)) {
        for (const auto& line : readIdList(configFile).value_or(std::vector<std::string>{}))
            if (left(line, 8) == left(box, 8)) return;
    }
    const std::string entry = box + " -- " + session.state.memberName;
    appendIdListEntry(configFile, entry);
    session.ui.CmbIDList.clear();
    session.pickIdBoxEntry(entry);
    session.ui.CmbIDList = readIdList(configFile).value_or(std::vector<std::string>{});
}

// After a download: the member's official rating from the main page. A
// failed or cancelled download or a page without it keeps the rating file as
// it was. The page goes to this program's own Temp folder, so that another
// program fetching another member's rating at the same time cannot swap
// them.
void fetchCurrentRating(KrvSession& session) {
    auto& st = session.state;
    st.memberMainUrl = session.baseUrl() + "/krv/MbrDtlMain.php?" + st.memberId;
    st.currentRatingFile = session.store().results() + "/" + st.memberId + "/currentrating.txt";
    const std::string page = session.runTempDir() + "/currentrating.txt";
    DownloadResult result = session.downloader.download(st.memberMainUrl, page, &session.cancelRequested);
    if (result.writeError != 0) throw StoreError::fromErrno(page, result.writeError);
    if (!result.ok) return;
    auto bytes = readFileBytes(page);
    std::remove(page.c_str());
    if (!bytes) return;
    if (auto rating = regularRatingFromMainPage(splitLines(*bytes)))
        replaceFile(st.currentRatingFile, *rating + std::string(kLineEnd));
}

}  // namespace

void Analyse(KrvSession& session) {
    auto& st = session.state;
    st.gamesThisAnalysis = 0;
    const auto member = idBoxMember(session);
    if (!member) {
        refuse(session);
        return;
    }
    const std::string& id = member->text();
    st.dataDir = session.store().data() + "/" + id + "/";
    if (!DirExists(st.dataDir)) {
        refuse(session);
        return;
    }
    const std::string resultsDir = session.store().results() + "/" + id + "/";
    makeFolder(resultsDir);
    st.gameListFile = resultsDir + id + ".txt";
    st.streakFile = resultsDir + "streak.txt";

    findMemberName(session, id);
    recordMember(session);
    st.opponentFile = resultsDir + fileNameOfMember(st.memberName, id) + ".txt";

    const std::vector<std::string> names = sectionFilesInOrder(st.dataDir);
    ParsedSections parsed = parseSectionFiles(st.dataDir, names, id, st.eventName);
    if (!names.empty()) st.eventFileName = names.back();
    st.eventName = std::move(parsed.state.eventName);
    st.gameCount += parsed.state.games;
    st.gamesThisAnalysis += parsed.state.games;
    // Both files replace their old versions whole; a failure leaves the old
    // ones and ends the command.
    replaceFileUnlessSame(st.gameListFile, parsed.gameList, Durability::RebuiltByAnalysis);
    replaceFileUnlessSame(st.streakFile, parsed.streak, Durability::RebuiltByAnalysis);

    if (st.freshDownload) fetchCurrentRating(session);
    SortData(session, parsed.gameList);
}

}  // namespace krv
