#include "acquisition/event_downloads.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "acquisition/page_checks.h"
#include "acquisition/section_split.h"
#include "platform/text.h"

namespace krv {

namespace fs = std::filesystem;

namespace {

// A file of the work folder, written through a small buffer. Nobody reads
// the work folder but the run itself, so no temporary name is needed there;
// the data is flushed to disk before the file may be moved into the data
// folder, so that even a power failure cannot leave an event marked as
// stored with its pages missing. Errors are the errno of the step that
// failed, 0 for none.
class DurableFile {
public:
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;
    explicit DurableFile(const std::string& path)
        : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)), error_(fd_ < 0 ? errno : 0) {}
    ~DurableFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    void append(std::string_view bytes) {
        buffer_ += bytes;
        if (buffer_.size() >= kBufferSize) flush();
    }
    [[nodiscard]] int finish() {
        flush();
        if (error_ == 0 && ::fsync(fd_) != 0) error_ = errno;
        if (fd_ >= 0 && ::close(fd_) != 0 && error_ == 0) error_ = errno;
        fd_ = -1;
        return error_;
    }
    int error() const { return error_; }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    void flush() {
        std::string_view rest = buffer_;
        while (!rest.empty() && error_ == 0) {
            const ssize_t done = ::write(fd_, rest.data(), rest.size());
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) error_ = done < 0 ? errno : ENOSPC;
            else rest.remove_prefix(static_cast<std::size_t>(done));
        }
        buffer_.clear();
    }

    int fd_;
    int error_;
    std::string buffer_;
};

// An exception in a download thread must not end the program: it becomes a
// failed download that says what happened.
DownloadResult failedByException(const char* what) {
    return DownloadResult{.ok = false, .httpStatus = 0, .error = what};
}

}  // namespace

std::string sectionFileName(const std::string& key, std::size_t section) {
    std::string name = key + ".txt";
    if (section >= 2) name += std::to_string(section);
    return name;
}

DownloadResult fetchEvent(Downloader& downloader, const std::string& workDir, const EventFetch& event,
                          const CancelFlag* cancel) {
    return downloader.download(event.address, workDir + "/" + event.key + ".tx", cancel);
}

FetchedEvent prepareEvent(DownloadResult download, const std::string& workDir, const EventFetch& event) {
    FetchedEvent fetched;
    fetched.download = std::move(download);
    const std::string pageFile = workDir + "/" + event.key + ".tx";
    if (fetched.download.writeError != 0)
        fetched.storeError = StoreError::fromErrno(pageFile, fetched.download.writeError);
    if (!fetched.download.ok) return fetched;
    auto fail = [&](const std::string& path, int error) {
        fetched.storeError = StoreError::fromErrno(path, error);
        fetched.download.error = fetched.storeError->what();
        std::remove(path.c_str());
        return fetched;
    };

    auto bytes = readFileBytes(pageFile);
    if (!bytes) return fail(pageFile, errno != 0 ? errno : EIO);
    // Once stored, an event is never fetched again: an answer that is not a
    // crosstable must fail here, leaving nothing behind, so that the next
    // update asks for it again.
    if (auto problem = crosstablePageProblem(*bytes)) {
        std::remove(pageFile.c_str());
        fetched.download.ok = false;
        fetched.download.error = std::move(*problem);
        return fetched;
    }
    // The page goes to its section files line by line, straight from the
    // downloaded bytes: the same files as splitSections(normalisePage())
    // would give, without a string per line, which for a page of 8 MiB of
    // line ends would cost some hundred times the page. The first section
    // is written over the download itself, which then takes the first
    // section's name: one file fewer to create and delete per event, which
    // counts on a busy file system.
    std::string path = pageFile;
    auto out = std::make_unique<DurableFile>(path);
    auto finishSection = [&]() -> int {
        if (const int error = out->finish()) return error;
        std::string name = sectionFileName(event.key, fetched.sectionFiles.size() + 1);
        if (fetched.sectionFiles.empty()) {
            path = workDir + "/" + name;
            if (std::rename(pageFile.c_str(), path.c_str()) != 0) return errno;
        }
        fetched.sectionFiles.push_back(std::move(name));
        return 0;
    };
    out->append(kLineEnd);  // the line form's leading empty line
    LineSplitter lines(*bytes);
    int nextSection = 2;
    while (auto line = lines.next()) {
        if (opensSection(*line, nextSection)) {
            if (const int error = finishSection()) return fail(path, error);
            ++nextSection;
            path = workDir + "/" + sectionFileName(event.key, fetched.sectionFiles.size() + 1);
            out = std::make_unique<DurableFile>(path);
        }
        if (out->error() != 0) return fail(path, out->error());
        out->append(*line);
        out->append(kLineEnd);
    }
    if (const int error = finishSection()) return fail(path, error);
    fetched.prepared = true;
    return fetched;
}

CrosstableFetcher::CrosstableFetcher(Downloader& downloader, std::string workDir, std::vector<EventFetch> events,
                                     int connections, const CancelFlag* cancel)
    : downloader_(downloader),
      cancel_(cancel),
      workDir_(std::move(workDir)),
      events_(std::move(events)),
      // A few events of look-ahead per connection keep every connection busy
      // while the caller stores, without fetching far past a failure.
      window_(static_cast<std::size_t>(std::clamp(connections, 1, kMaxFetchConnections)) * 4),
      connections_(std::clamp(connections, 1, kMaxFetchConnections)),
      firstFailure_(std::numeric_limits<std::size_t>::max()),
      results_(events_.size()),
      done_(events_.size(), false) {
    // Twice as many threads as connections: while some wait for the disk,
    // the others keep every connection busy.
    const int threads =
        std::min(2 * std::clamp(connections, 1, kMaxFetchConnections), static_cast<int>(events_.size()));
    for (int t = 0; t < threads && !events_.empty(); ++t) {
        // With fewer threads than planned the fetching is only slower; with
        // none there is nobody to fetch, and the run must fail.
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            if (workers_.empty()) throw;
            break;
        }
    }
}

CrosstableFetcher::~CrosstableFetcher() { stop(); }

void CrosstableFetcher::work() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] {
            return stopping_ || nextToStart_ >= events_.size() || nextToStart_ > firstFailure_ ||
                   nextToStart_ < wanted_ + window_;
        });
        if (stopping_ || nextToStart_ >= events_.size() || nextToStart_ > firstFailure_) return;
        const std::size_t i = nextToStart_++;
        lock.unlock();
        FetchedEvent fetched = fetchAndPrepare(events_[i]);
        lock.lock();
        if (!fetched.prepared) firstFailure_ = std::min(firstFailure_, i);
        results_[i] = std::move(fetched);
        done_[i] = true;
        changed_.notify_all();
    }
}

FetchedEvent CrosstableFetcher::fetchAndPrepare(const EventFetch& event) {
    FetchedEvent fetched;
    try {
        if (isCancelled(cancel_)) {
            fetched.download = cancelledDownload();
            return fetched;
        }
        connections_.acquire();
        struct ReleaseConnection {
            std::counting_semaphore<kMaxFetchConnections>& connections;
            ~ReleaseConnection() { connections.release(); }
        } release{connections_};
        fetched.download = fetchEvent(downloader_, workDir_, event, cancel_);
    } catch (const std::exception& e) {
        fetched.download = failedByException(e.what());
        return fetched;
    } catch (...) {
        fetched.download = failedByException("unknown error");
        return fetched;
    }
    try {
        return prepareEvent(std::move(fetched.download), workDir_, event);
    } catch (const std::exception& e) {
        fetched = FetchedEvent{};
        fetched.download = failedByException(e.what());
        return fetched;
    } catch (...) {
        fetched = FetchedEvent{};
        fetched.download = failedByException("unknown error");
        return fetched;
    }
}

FetchedEvent CrosstableFetcher::take(std::size_t i) {
    std::unique_lock lock(mutex_);
    wanted_ = i;
    changed_.notify_all();
    // An event past a failure is never started: report it as not fetched
    // rather than wait for it.
    changed_.wait(lock, [&] { return done_[i] || (i > firstFailure_ && i >= nextToStart_) || stopping_; });
    if (!done_[i]) return FetchedEvent{DownloadResult{false, 0, "not fetched", 0}, false, {}, std::nullopt};
    return std::move(results_[i]);
}

void CrosstableFetcher::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (auto& worker : workers_)
        if (worker.joinable()) worker.join();
}

std::vector<DownloadResult> fetchAll(Downloader& downloader, const std::vector<PageFetch>& pages, int connections,
                                     const CancelFlag* cancel) {
    std::vector<DownloadResult> results(pages.size());
    std::atomic<std::size_t> next{0};
    auto fetch = [&](const PageFetch& page) {
        if (isCancelled(cancel)) return cancelledDownload();
        try {
            return downloader.download(page.url, page.path, cancel);
        } catch (const std::exception& e) { return failedByException(e.what()); } catch (...) {
            return failedByException("unknown error");
        }
    };
    auto work = [&] {
        for (std::size_t i = next++; i < pages.size(); i = next++) results[i] = fetch(pages[i]);
    };
    const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(connections, 1)), pages.size());
    std::vector<std::thread> workers;
    for (std::size_t t = 1; t < threads; ++t) {
        // The caller's thread fetches too, so fewer helpers only take longer.
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) { break; }
    }
    work();
    for (auto& worker : workers) worker.join();
    return results;
}

void moveEventIntoPlace(const std::string& workDir, const std::string& dataDir,
                        const std::vector<std::string>& sectionFiles) {
    if (sectionFiles.empty()) throw StoreError(dataDir, "the event has no section files");
    std::vector<std::string> order(sectionFiles.begin() + 1, sectionFiles.end());
    order.push_back(sectionFiles.front());
    std::vector<std::string> moved;
    for (const auto& name : order) {
        std::error_code ec;
        fs::rename(workDir + "/" + name, dataDir + "/" + name, ec);
        if (ec) {
            std::error_code ignored;
            for (const auto& undo : moved) fs::remove(dataDir + "/" + undo, ignored);
            throw StoreError(dataDir + "/" + name, ec.message());
        }
        moved.push_back(name);
    }
}

namespace {

// The first section file's name for a later section's file name, or empty
// when the name is not that of a later section.
std::string firstSectionOf(const std::string& name) {
    std::size_t end = name.size();
    while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9') --end;
    if (end == name.size() || end < 4 || name.compare(end - 4, 4, ".txt") != 0) return {};
    return name.substr(0, end);
}

}  // namespace

bool isOrphanSectionFile(const std::string& name, const std::vector<std::string>& sortedNames) {
    const std::string first = firstSectionOf(name);
    return !first.empty() && !std::binary_search(sortedNames.begin(), sortedNames.end(), first);
}

void removeOrphanSectionFiles(const std::string& dataDir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dataDir, ec))
        if (entry.is_regular_file(ec)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const auto& name : names)
        if (isOrphanSectionFile(name, names)) fs::remove(dataDir + "/" + name, ec);
}

}  // namespace krv
