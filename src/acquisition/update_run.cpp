#include "acquisition/update_run.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

#include <unistd.h>

#include "acquisition/analysis_driver.h"
#include "acquisition/event_downloads.h"
#include "acquisition/history_pages.h"
#include "acquisition/history_run.h"
#include "acquisition/page_checks.h"
#include "platform/store_error.h"
#include "platform/text.h"
#include "session/captions.h"
#include "session/member_id.h"
#include "session/session.h"
#include "session/store.h"
#include "stats/advanced_analysis.h"

namespace krv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNeedIdText =
    "Either type in a valid USCF 8 digit ID# in the USCF ID box or use the drop down list to choose a "
    "previously used ID#.  Thanks.";

constexpr const char* kUpdateCancelledCaption = "Update cancelled.";

std::string processedCaption(int processed, int downloaded) {
    return "Processed " + signedForm(processed) + " files" + std::string(kLineEnd) +
           "Downloaded files =" + plainForm(downloaded);
}

// The folder in this program's Temp folder where this member's crosstables
// are fetched and split before they move into the data folder.
std::string eventWorkDir(KrvSession& session) { return session.runTempDir() + "/" + session.state.memberId + ".work"; }

// What an interrupted earlier run of this member may have left: half-fetched
// pages in this program's Temp folder (the folders of programs that died are
// removed at start) and section files without their first section in the
// data folder.
void removeLeftovers(KrvSession& session) {
    const auto& st = session.state;
    std::error_code ec;
    fs::remove_all(eventWorkDir(session), ec);
    for (const std::string& file :
         {st.historyPageFile, st.historyTextFile, st.eventListFile, session.runTempDir() + "/currentrating.txt"})
        fs::remove(file + ".partial", ec);
    removeOrphanSectionFiles(session.store().data() + "/" + st.memberId);
}

// The first line names the address asked for; the paragraph after it says
// why in the user's words, so that an offline computer, a wrong address and
// a site in trouble no longer look alike.
void reportFailedDownload(KrvSession& session, const std::string& url, const std::string& cause) {
    std::string text = "Could not download " + url;
    if (!cause.empty()) text += std::string(kLineEnd) + std::string(kLineEnd) + cause;
    session.messages.ok("Download Failed", text);
}

// An answer that arrived but could not be stored is the store's fault.
void throwIfNotStored(const DownloadResult& result, const std::string& path) {
    if (!result.ok && result.writeError != 0) throw StoreError::fromErrno(path, result.writeError);
}

enum class RunOutcome { Completed, Failed, Cancelled };

// What became of a download into path. One that was cancelled is no failure
// to report: the user asked for it.
RunOutcome outcomeOf(KrvSession& session, const DownloadResult& result, const std::string& url,
                     const std::string& path) {
    throwIfNotStored(result, path);
    session.state.lastDownloadResult = result.httpStatus;
    if (result.ok) return RunOutcome::Completed;
    if (result.cancelled || session.cancelRequested) return RunOutcome::Cancelled;
    reportFailedDownload(session, url, result.error);
    return RunOutcome::Failed;
}

// A history page that arrived but is not one (a maintenance notice, an
// error page, junk) is a failed download: it is removed before anything
// reads it, so no name, list line or event comes from it.
DownloadResult checkedHistoryPage(DownloadResult result, const std::string& path, const std::string& memberId) {
    if (!result.ok) return result;
    const auto bytes = readFileBytes(path);
    const auto problem =
        bytes ? historyPageProblem(*bytes, memberId) : std::optional<std::string>(std::string(kNotHistoryPage));
    if (!problem) return result;
    std::remove(path.c_str());
    return DownloadResult{.ok = false, .httpStatus = result.httpStatus, .error = *problem};
}

// Fetches every history page and collects the crosstable addresses in
// eventListFile. The numbered pages are fetched over several connections
// at once but handled one after the other, in page order, as if fetched one
// at a time. Failed when the run must end on a failed download or a wrong ID
// (both already reported).
RunOutcome collectEventList(KrvSession& session) {
    auto& st = session.state;
    const DownloadResult first = checkedHistoryPage(
        session.downloader.download(st.memberHistoryUrl, st.historyPageFile, &session.cancelRequested),
        st.historyPageFile, st.memberId);
    if (RunOutcome outcome = outcomeOf(session, first, st.memberHistoryUrl, st.historyPageFile);
        outcome != RunOutcome::Completed)
        return outcome;
    howmanypassestomakelist(session);
    if (st.historyPassCount < 2) st.historyPassCount = 2;

    std::vector<PageFetch> pages;
    for (int page = 1; page <= st.historyPassCount; ++page)
        pages.push_back({st.memberHistoryUrl + "." + std::to_string(page),
                         eventWorkDir(session) + "/history." + std::to_string(page)});
    const std::vector<DownloadResult> results =
        fetchAll(session.downloader, pages, session.connections(), &session.cancelRequested);

    for (std::size_t k = 0; k < pages.size(); ++k) {
        st.pageUrl = pages[k].url;
        const DownloadResult page = checkedHistoryPage(results[k], pages[k].path, st.memberId);
        if (RunOutcome outcome = outcomeOf(session, page, st.pageUrl, pages[k].path); outcome != RunOutcome::Completed)
            return outcome;
        std::error_code ec;
        fs::rename(pages[k].path, st.historyPageFile, ec);
        if (ec) throw StoreError(st.historyPageFile, ec.message());
        const std::vector<std::string> lines = normaliseHistoryPage(session);
        if (auto wrongLine = findWrongIdLine(lines, st.memberId)) {
            session.messages.ok("Incorrect USCF ID Number", *wrongLine);
            std::remove(st.historyPageFile.c_str());
            std::remove(st.historyTextFile.c_str());
            return RunOutcome::Failed;
        }
        appendToFile(st.eventListFile,
                     joinLinesCrLf(extractCrosstableAddresses(lines, session.baseUrl(), st.memberId)));
    }
    return RunOutcome::Completed;
}

// The events of the list still to fetch, each once, in list order, and for
// each line of the list the event it fetches (none for an event stored
// before, an address without a usable key, or an event listed again). An
// event whose key cannot name its files here is named in `unstorable` for
// its line instead: it is never requested, so no failure can be blamed on
// an address nobody asked for.
struct FetchPlan {
    std::vector<EventFetch> events;
    std::vector<std::optional<std::size_t>> eventOfLine;
    std::vector<std::optional<std::string>> unstorable;
};

// The event's text after the event page's name, whatever it holds: what the
// warning names for a key that eventKeyOf refused.
std::string eventTextOf(const std::string& address) {
    static constexpr std::string_view kEventPage = "XtblMain.php?";
    const std::size_t at = findPosNoCase(address, kEventPage);
    return at == 0 ? std::string() : address.substr(at - 1 + kEventPage.size());
}

// The longest key whose section files fit the data folder's file names:
// key + ".txt" + a section number of up to three digits.
std::size_t longestStorableKey(const std::string& dataDir) {
    static constexpr std::size_t kSectionSuffix = 7;
    long nameMax = ::pathconf(dataDir.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    return static_cast<std::size_t>(nameMax) > kSectionSuffix ? static_cast<std::size_t>(nameMax) - kSectionSuffix : 0;
}

FetchPlan planFetches(const std::vector<std::string>& addresses, const std::string& dataDir) {
    FetchPlan plan;
    std::set<std::string> planned;
    const std::size_t longestKey = longestStorableKey(dataDir);
    for (const auto& address : addresses) {
        std::string key = eventKeyOf(address);
        plan.unstorable.emplace_back();
        const std::string text = key.empty() ? eventTextOf(address) : key;
        if ((key.empty() && !text.empty()) || key.size() > longestKey) {
            plan.unstorable.back() = text;
            plan.eventOfLine.emplace_back();
            continue;
        }
        if (key.empty() || FileExists(dataDir + "/" + key + ".txt") || !planned.insert(key).second) {
            plan.eventOfLine.emplace_back();
            continue;
        }
        plan.eventOfLine.emplace_back(plan.events.size());
        plan.events.push_back({address, std::move(key)});
    }
    return plan;
}

std::string unstorableEventWarning(const std::string& event) {
    return "Event skipped: " + event + " cannot be a file name in the data folder";
}

// Handles the event list in order: counts every line, skips events already
// stored, stores each new one as it arrives and shows the progress. Storing
// happens here, on the caller's thread, one event after the other; only the
// fetching runs ahead on other threads.
RunOutcome storeNewEvents(KrvSession& session, const std::string& dataDir, int& processed) {
    auto& st = session.state;
    const std::vector<std::string> addresses = readFileLines(st.eventListFile).value_or(std::vector<std::string>{});
    const FetchPlan plan = planFetches(addresses, dataDir);
    const int total = static_cast<int>(plan.events.size());
    if (session.onProgress) session.onProgress(0, total);

    const std::string workDir = eventWorkDir(session);
    CrosstableFetcher fetcher(session.downloader, workDir, plan.events, session.connections(),
                              &session.cancelRequested);
    for (std::size_t line = 0; line < addresses.size(); ++line) {
        if (session.cancelRequested) return RunOutcome::Cancelled;
        ++processed;
        if (plan.unstorable[line]) session.setStatus(unstorableEventWarning(*plan.unstorable[line]));
        if (!plan.eventOfLine[line]) continue;
        const EventFetch& event = plan.events[*plan.eventOfLine[line]];
        ++st.downloadedCount;
        FetchedEvent fetched = fetcher.take(*plan.eventOfLine[line]);
        if (fetched.storeError) throw *fetched.storeError;
        if (!fetched.prepared) {
            fetcher.stop();
            return outcomeOf(session, fetched.download, event.address, workDir + "/" + event.key + ".tx");
        }
        st.lastDownloadResult = fetched.download.httpStatus;
        // An event fetched whole is stored even when Cancel came meanwhile:
        // the wait for it was short, and the work is not lost.
        moveEventIntoPlace(workDir, dataDir, fetched.sectionFiles);
        session.setStatus(processedCaption(processed, st.downloadedCount));
        if (session.onProgress) session.onProgress(st.downloadedCount, total);
    }
    return RunOutcome::Completed;
}

}  // namespace

void CmdUpdateData_Click(KrvSession& session) {
    auto& st = session.state;
    const std::string box = session.ui.CmbID;
    // The ID becomes part of every path of the run: anything but 8 digits is
    // refused like a short ID.
    const auto member = MemberId::fromIdBox(box);
    if (!member) {
        session.messages.beep();
        session.messages.ok("Need USCF ID Number", kNeedIdText);
        return;
    }
    // A refused Analyse Only leaves this set; the run must take the name from
    // the downloaded page and clear Temp afterwards.
    st.analyseOnly = 0;
    session.setStatus(kStartCaption);
    st.opponentCount = 0;
    st.gameCount = 0;
    int processed = 0;
    st.downloadedCount = 0;

    st.historyBaseUrl = session.baseUrl() + "/krv/MbrDtlTnmtHst.php?";
    st.memberId = member->text();
    st.memberHistoryUrl = st.historyBaseUrl + st.memberId;
    // The run's pages live in this program's own Temp folder: another program
    // updating the same member at the same time has its own.
    const std::string temp = session.runTempDir() + "/";
    st.historyPageFile = temp + st.memberId + ".txt";
    st.historyTextFile = temp + st.memberId + ".rch";
    st.eventListFile = temp + st.memberId + ".lst";
    if (FileExists(st.eventListFile)) std::remove(st.eventListFile.c_str());
    removeLeftovers(session);
    makeFolder(eventWorkDir(session));
    // Whatever the outcome, nothing fetched ahead is kept.
    struct RemoveWorkDir {
        std::string path;
        ~RemoveWorkDir() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } removeWorkDir{eventWorkDir(session)};

    RunOutcome outcome = collectEventList(session);
    if (outcome == RunOutcome::Completed) {
        const std::string dataDir = session.store().data() + "/" + st.memberId;
        makeFolder(dataDir);
        outcome = storeNewEvents(session, dataDir, processed);
    }
    // A Cancel after the last event still keeps the analysis from starting.
    if (outcome == RunOutcome::Cancelled || (outcome == RunOutcome::Completed && session.cancelRequested)) {
        session.setStatus(kUpdateCancelledCaption);
        return;
    }
    if (outcome == RunOutcome::Failed) return;

    session.setStatus(processedCaption(processed, st.downloadedCount));
    st.freshDownload = true;
    if (st.updateAllRunning) return;
    Analyse(session);
    cmdAdvanceAnalyse_Click(session);
}

}  // namespace krv
