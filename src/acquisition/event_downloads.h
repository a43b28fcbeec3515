// The crosstables of an update run: fetched over several connections at
// once, ahead of the event being stored, and each turned into its section
// files in a work folder. Storing moves those files into the member's data
// folder in event-list order, so the store ends up byte for byte as if the
// events had been fetched one at a time.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "platform/download.h"
#include "platform/store_error.h"

namespace krv {

inline constexpr int kMaxFetchConnections = 8;

// One event to fetch.
struct EventFetch {
    std::string address;  // the crosstable address
    std::string key;      // its event key, which names the section files
};

// What became of one fetch.
struct FetchedEvent {
    DownloadResult download;
    bool prepared = false;                  // the section files are in the work folder
    std::vector<std::string> sectionFiles;  // key + ".txt", key + ".txt2", ...
    // The page arrived but its section files could not be written: a fault
    // of the store, not of the download, which the caller reports as such.
    std::optional<StoreError> storeError;
};

// The name of section s (1-based) of an event: key + ".txt", then the
// number appended from section 2 on.
std::string sectionFileName(const std::string& key, std::size_t section);

// Downloads the crosstable into the work folder as key + ".tx".
DownloadResult fetchEvent(Downloader& downloader, const std::string& workDir, const EventFetch& event,
                          const CancelFlag* cancel = nullptr);

// Splits a downloaded crosstable into sections and writes each as a file of
// the work folder, flushed to disk; the download itself is removed. A write
// that fails leaves the event unprepared with its storeError set. A page
// that is not a crosstable (page_checks.h) is removed and comes back as a
// failed download with that cause.
FetchedEvent prepareEvent(DownloadResult download, const std::string& workDir, const EventFetch& event);

// Fetches the events with up to `connections` downloads at once, starting
// ahead of the event the caller waits for by a small window only, so a
// failure or a cancel wastes little. Preparing an event (which waits for the
// disk) does not hold a connection. Events must be taken in list order.
// Once *cancel is set the downloads in flight are aborted and no further one
// starts: every event not fetched by then comes back `cancelled`. A fetch
// that throws comes back as failed, with the exception's text as its error.
class CrosstableFetcher {
public:
    CrosstableFetcher(Downloader& downloader, std::string workDir, std::vector<EventFetch> events, int connections,
                      const CancelFlag* cancel = nullptr);
    ~CrosstableFetcher();
    CrosstableFetcher(const CrosstableFetcher&) = delete;
    CrosstableFetcher& operator=(const CrosstableFetcher&) = delete;

    // Waits for event i to be fetched and prepared.
    FetchedEvent take(std::size_t i);
    // No further fetch starts; waits for those in flight.
    void stop();

private:
    void work();
    FetchedEvent fetchAndPrepare(const EventFetch& event);

    Downloader& downloader_;
    const CancelFlag* cancel_;
    const std::string workDir_;
    const std::vector<EventFetch> events_;
    const std::size_t window_;
    std::counting_semaphore<kMaxFetchConnections> connections_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t nextToStart_ = 0;
    std::size_t wanted_ = 0;  // the event the caller waits for or handles
    std::size_t firstFailure_;
    bool stopping_ = false;
    std::vector<FetchedEvent> results_;
    std::vector<bool> done_;
    std::vector<std::thread> workers_;
};

// Downloads every page (address, file) with up to `connections` downloads at
// once and returns each page's result, in the order given. Used where all
// pages are needed anyway, such as a member's history pages. Once *cancel is
// set no page starts and those in flight are aborted (`cancelled`); a
// download that throws counts as failed, with the exception's text as its
// error.
struct PageFetch {
    std::string url;
    std::string path;
};
std::vector<DownloadResult> fetchAll(Downloader& downloader, const std::vector<PageFetch>& pages, int connections,
                                     const CancelFlag* cancel = nullptr);

// Moves an event's prepared section files from the work folder into the
// data folder, the first section file (key + ".txt") last: that file is what
// marks the event as stored, so it must not appear before all the others
// are in place. StoreError, naming the data folder's file, when a move
// failed; what was moved is then removed.
void moveEventIntoPlace(const std::string& workDir, const std::string& dataDir,
                        const std::vector<std::string>& sectionFiles);

// True for a section file from 2 on (key + ".txt" + number) whose first
// section file is not among `names`: the remains of a store that was
// interrupted between two moves.
bool isOrphanSectionFile(const std::string& name, const std::vector<std::string>& sortedNames);

// Removes such orphans from a data folder.
void removeOrphanSectionFiles(const std::string& dataDir);

}  // namespace krv
