// Downloading a URL into a local file: the program's only use of the network.
#pragma once

#include <atomic>
#include <string>

namespace krv {

// Set by whoever wants the downloads in hand to stop (the session's
// cancelRequested).
using CancelFlag = std::atomic<bool>;

struct DownloadResult {
    bool ok = false;
    long httpStatus = 0;  // 0 when no answer arrived
    // Why the download failed, in plain words the user reads under "Could
    // not download URL" ("the site answered 500 Internal Server Error",
    // "the answer is not a crosstable page", ...).
    std::string error;
    // The errno when the answer could not be written to the file: a fault
    // of the store, which callers report as such rather than as a failed
    // download. 0 otherwise.
    int writeError = 0;
    bool cancelled = false;  // stopped by the cancel flag, not by a fault
};

class Downloader {
public:
    virtual ~Downloader() = default;
    // Blocks until the whole answer is written to path, or the download
    // failed. On failure the file is not left behind. Safe to call from
    // several threads at once. When *cancel is set (before the call or
    // during it, also during a pause before a retry) the download stops
    // within a fraction of a second with `cancelled` set; a null cancel
    // never stops it.
    virtual DownloadResult download(const std::string& url, const std::string& path,
                                    const CancelFlag* cancel = nullptr) = 0;
};

// A download that was not made because the cancel flag was set.
inline DownloadResult cancelledDownload() {
    return DownloadResult{.ok = false, .httpStatus = 0, .error = "cancelled", .cancelled = true};
}

inline bool isCancelled(const CancelFlag* cancel) { return cancel && cancel->load(); }

}  // namespace krv
