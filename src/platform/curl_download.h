// Downloads over HTTP with libcurl.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/download.h"

namespace krv {

// How hard a download tries and how much it accepts. The defaults are the
// program's; tests shorten the pauses by replacing sleep.
struct DownloadPolicy {
    std::chrono::seconds connectTimeout{15};
    // One request, from the start of the connection to the last byte.
    std::chrono::seconds totalTimeout{60};
    // One page, every request and pause before a retry included: a run
    // promises the user that no page keeps it longer than this.
    std::chrono::seconds pageBudget{90};
    // Answers 429 and 503 ask to come back later: at most this many requests
    // in all before the download counts as failed.
    int maxAttempts = 4;
    // Without a Retry-After header the pause grows from about 1 s and never
    // exceeds this.
    std::chrono::seconds longestPause{30};
    // No page of the site comes near this; anything larger is an error page
    // gone wrong or a hostile answer, and holding it would cost the memory
    // of every connection at once.
    std::size_t largestPage = std::size_t{8} << 20;
    // Requests per second over all connections together; 0: no limit.
    double maxRequestsPerSecond = 0;
    std::function<void(std::chrono::milliseconds)> sleep;  // empty: really sleep
};

inline constexpr std::string_view kPageTooLarge = "the page is larger than 8 MiB";

// Why a download failed, in the words shown under "Could not download": an
// HTTP status with its reason ("the site answered 500 Internal Server
// Error"), and a libcurl error code (a CURLcode) for a request that was
// given `timeout`. Every failure text of the downloader comes from here.
std::string httpStatusCause(long status);
std::string curlFailureCause(int curlCode, std::chrono::milliseconds timeout);

// A blocking download of one URL into a file. Redirects are followed (HTTP
// and HTTPS only); only a 2xx answer with a non-empty body counts. The body
// goes to path + ".partial" and is renamed to path once it arrived whole, so
// a failed or interrupted download never leaves a file at path and never
// replaces what was there. Safe to use from several threads at once: each
// call borrows a connection slot from a pool and gives it back, so the
// connections made stay open for the next page (the site sees as many
// connections as there were downloads at once, not one per page). Answers
// may come compressed; what is written is the decoded page. The cancel flag
// is looked at every 50 ms while a transfer waits for the network and during
// a pause before a retry. A failed download's error says why in plain words.
// The value of a --max-rate option: requests per second, a number greater
// than 0 and at most 1000 (decimals allowed: 0.5 is one request every 2 s).
std::optional<double> parseRequestRate(std::string_view text);

class CurlDownloader : public Downloader {
public:
    explicit CurlDownloader(DownloadPolicy policy = {});
    ~CurlDownloader() override;
    CurlDownloader(const CurlDownloader&) = delete;
    CurlDownloader& operator=(const CurlDownloader&) = delete;

    DownloadResult download(const std::string& url, const std::string& path,
                            const CancelFlag* cancel = nullptr) override;

    // The pause before retry number `retry` (1 for the first retry) when the
    // server named none: doubling from 1 s, jittered by up to half, within 1 s
    // and longestPause.
    std::chrono::milliseconds backoffPause(int retry) const;

    struct Slot;  // one connection's handles, kept between downloads

private:
    std::unique_ptr<Slot> borrowSlot();
    void returnSlot(std::unique_ptr<Slot> slot);
    // Waits until the rate limit lets the next request go; false when
    // cancelled meanwhile.
    bool awaitRequestTurn(const CancelFlag* cancel);

    DownloadPolicy policy_;
    std::mutex poolMutex_;
    std::vector<std::unique_ptr<Slot>> idleSlots_;
    std::mutex rateMutex_;
    std::chrono::steady_clock::time_point nextRequest_{};
};

}  // namespace krv
