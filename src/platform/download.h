// Downloading a URL into a local file: the program's only use of the network.
#pragma once

#include <string>

namespace krv {

struct DownloadResult {
    bool ok = false;
    long httpStatus = 0;   // 0 when no answer arrived
    std::string error;     // what went wrong, for messages and logs
    // The errno when the answer could not be written to the file: a fault
    // of the store, which callers report as such rather than as a failed
    // download. 0 otherwise.
    int writeError = 0;
};

class Downloader {
public:
    virtual ~Downloader() = default;
    // Blocks until the whole answer is written to path, or the download
    // failed. On failure the file is not left behind. Safe to call from
    // several threads at once.
    virtual DownloadResult download(const std::string& url, const std::string& path) = 0;
};

}  // namespace krv
