// Downloads over HTTP with libcurl.
#pragma once

#include <chrono>
#include <functional>

#include "platform/download.h"

namespace krv {

// How hard a download tries. The defaults are the program's; tests shorten
// the pauses by replacing sleep.
struct DownloadPolicy {
    std::chrono::seconds connectTimeout{15};
    std::chrono::seconds totalTimeout{60};
    // Answers 429 and 503 ask to come back later: at most this many requests
    // in all before the download counts as failed.
    int maxAttempts = 4;
    // Without a Retry-After header the pause grows from about 1 s and never
    // exceeds this.
    std::chrono::seconds longestPause{30};
    // A server asking for a longer wait than this is not waited for: the
    // pause is cut to it, so a run never hangs for an hour.
    std::chrono::seconds longestRetryAfter{60};
    std::function<void(std::chrono::milliseconds)> sleep;  // empty: really sleep
};

// A blocking download of one URL into a file. Redirects are followed (HTTP
// and HTTPS only); only a 2xx answer with a non-empty body counts. The body
// goes to path + ".partial" and is renamed to path once it arrived whole, so
// a failed or interrupted download never leaves a file at path and never
// replaces what was there. Safe to use from several threads at once. The
// cancel flag is looked at every 50 ms while a transfer waits for the
// network and during a pause before a retry.
class CurlDownloader : public Downloader {
public:
    explicit CurlDownloader(DownloadPolicy policy = {});
    ~CurlDownloader() override;
    DownloadResult download(const std::string& url, const std::string& path,
                            const CancelFlag* cancel = nullptr) override;

    // The pause before retry number `retry` (1 for the first retry) when the
    // server named none: doubling from 1 s, jittered by up to half, within 1 s
    // and longestPause.
    std::chrono::milliseconds backoffPause(int retry) const;

private:
    DownloadPolicy policy_;
};

}  // namespace krv
