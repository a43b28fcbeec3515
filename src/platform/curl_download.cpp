#include "platform/curl_download.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "platform/text.h"

namespace krv {

namespace {

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What one request brought back.
struct Attempt {
    DownloadResult result;
    std::optional<long long> retryAfterSeconds;  // from the final answer's header
};

struct BodySink {
    std::FILE* file = nullptr;
    std::size_t bytes = 0;
    bool writeFailed = false;
    int writeError = 0;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    std::size_t n = size * count;
    if (std::fwrite(data, 1, n, sink->file) != n) {
        sink->writeFailed = true;
        sink->writeError = errno != 0 ? errno : EIO;
        return 0;  // makes curl stop with a write error
    }
    sink->bytes += n;
    return n;
}

// Seconds from a Retry-After value: a number of seconds or an HTTP date.
std::optional<long long> parseRetryAfter(const std::string& value) {
    std::string v = trimBlanks(value);
    if (v.empty()) return std::nullopt;
    if (std::all_of(v.begin(), v.end(), [](unsigned char c) { return c >= '0' && c <= '9'; })) {
        if (v.size() > 9) return 999999999LL;
        return std::stoll(v);
    }
    time_t when = curl_getdate(v.c_str(), nullptr);
    if (when == -1) return std::nullopt;
    return std::max<long long>(0, static_cast<long long>(when - std::time(nullptr)));
}

// Collects the Retry-After header of the last answer (a redirect's headers
// come first and are forgotten at the next status line).
std::size_t readHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* retryAfter = static_cast<std::optional<long long>*>(user);
    std::size_t n = size * count;
    std::string_view line(data, n);
    if (line.rfind("HTTP/", 0) == 0) {
        retryAfter->reset();
    } else if (findPosNoCase(line, "retry-after:") == 1) {
        std::string value(line.substr(12));
        value = replaceAll(replaceAll(value, "\r", ""), "\n", "");
        *retryAfter = parseRetryAfter(value);
    }
    return n;
}

std::string userAgent() { return std::string("KRV-Data/") + KRV_VERSION; }

// How often a transfer that is waiting for the network looks at the cancel
// flag: a Cancel then ends it well within a second.
constexpr std::chrono::milliseconds kCancelPoll{50};

// Called by libcurl while data flows; a non-zero answer aborts the transfer.
int abortWhenCancelled(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return isCancelled(static_cast<const CancelFlag*>(cancel)) ? 1 : 0;
}

// Runs the transfer, waking at least every kCancelPoll to look at the cancel
// flag: libcurl's own progress calls come only about once a second while
// nothing arrives. Returns the transfer's code; `cancelled` tells an abort.
CURLcode performCancellably(CURL* curl, const CancelFlag* cancel, bool& cancelled) {
    cancelled = false;
    CURLM* multi = curl_multi_init();
    if (!multi) return CURLE_OUT_OF_MEMORY;
    curl_multi_add_handle(multi, curl);
    CURLcode code = CURLE_OK;
    for (int running = 1; running;) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        if (!running) break;
        if (isCancelled(cancel)) {
            cancelled = true;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(kCancelPoll.count()), nullptr);
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left))
        if (message->msg == CURLMSG_DONE) code = message->data.result;
    curl_multi_remove_handle(multi, curl);
    curl_multi_cleanup(multi);
    if (code == CURLE_ABORTED_BY_CALLBACK) cancelled = true;
    return code;
}

Attempt fetchOnce(const std::string& url, const std::string& partial, const DownloadPolicy& policy,
                  const CancelFlag* cancel) {
    Attempt attempt;
    BodySink sink;
    sink.file = std::fopen(partial.c_str(), "wb");
    if (!sink.file) {
        attempt.result.writeError = errno;
        attempt.result.error = "cannot write " + partial;
        return attempt;
    }
    CURL* curl = curl_easy_init();
    if (!curl) {
        std::fclose(sink.file);
        std::remove(partial.c_str());
        attempt.result.error = "cannot start a download";
        return attempt;
    }
    char errorText[CURL_ERROR_SIZE] = {0};
    const std::string agent = userAgent();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    // A page address comes from another page: never let it, or a redirect,
    // reach anything but the web (no file://, no other schemes).
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(policy.connectTimeout.count() * 1000));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(policy.totalTimeout.count() * 1000));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, readHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &attempt.retryAfterSeconds);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenCancelled);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<CancelFlag*>(cancel));

    bool cancelled = false;
    CURLcode code = performCancellably(curl, cancel, cancelled);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    bool closed = std::fclose(sink.file) == 0;
    const int closeError = errno;

    attempt.result.httpStatus = status;
    if (cancelled) {
        attempt.result = cancelledDownload();
    } else if (code != CURLE_OK) {
        attempt.result.error = sink.writeFailed ? "cannot write " + partial
                                                : std::string(*errorText ? errorText : curl_easy_strerror(code));
        attempt.result.writeError = sink.writeError;
    } else if (status < 200 || status > 299) {
        attempt.result.error = "HTTP status " + std::to_string(status);
    } else if (sink.bytes == 0) {
        attempt.result.error = "empty answer";
    } else if (!closed) {
        attempt.result.error = "cannot write " + partial;
        attempt.result.writeError = closeError;
    } else {
        attempt.result.ok = true;
    }
    if (!attempt.result.ok) std::remove(partial.c_str());
    return attempt;
}

// Sleeps for `pause`, in steps short enough that a Cancel ends the sleep
// within kCancelPoll; false when it did.
bool pauseUnlessCancelled(std::chrono::milliseconds pause, const CancelFlag* cancel) {
    const auto end = std::chrono::steady_clock::now() + pause;
    while (!isCancelled(cancel)) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kCancelPoll, end - now));
    }
    return false;
}

bool asksToComeBackLater(long status) { return status == 429 || status == 503; }

}  // namespace

CurlDownloader::CurlDownloader(DownloadPolicy policy) : policy_(std::move(policy)) { initialiseCurlOnce(); }

CurlDownloader::~CurlDownloader() = default;

std::chrono::milliseconds CurlDownloader::backoffPause(int retry) const {
    thread_local std::mt19937 random{std::random_device{}()};
    const double base = 1000.0 * static_cast<double>(1LL << std::clamp(retry - 1, 0, 20));
    std::uniform_real_distribution<double> jitter(1.0, 1.5);
    const double longest = 1000.0 * static_cast<double>(policy_.longestPause.count());
    const double ms = std::clamp(base * jitter(random), 1000.0, std::max(1000.0, longest));
    return std::chrono::milliseconds(static_cast<long long>(ms));
}

DownloadResult CurlDownloader::download(const std::string& url, const std::string& path, const CancelFlag* cancel) {
    const std::string partial = path + ".partial";
    const int attempts = std::max(1, policy_.maxAttempts);
    for (int n = 1;; ++n) {
        if (isCancelled(cancel)) return cancelledDownload();
        Attempt attempt = fetchOnce(url, partial, policy_, cancel);
        if (attempt.result.ok) {
            if (std::rename(partial.c_str(), path.c_str()) != 0) {
                const int error = errno;
                std::remove(partial.c_str());
                return {false, attempt.result.httpStatus, "cannot write " + path, error};
            }
            return attempt.result;
        }
        if (!asksToComeBackLater(attempt.result.httpStatus) || n >= attempts) return attempt.result;

        std::chrono::milliseconds pause = backoffPause(n);
        if (attempt.retryAfterSeconds) {
            long long seconds = std::min<long long>(*attempt.retryAfterSeconds, policy_.longestRetryAfter.count());
            pause = std::chrono::milliseconds(seconds * 1000);
        }
        if (policy_.sleep)
            policy_.sleep(pause);
        else if (!pauseUnlessCancelled(pause, cancel))
            return cancelledDownload();
    }
}

}  // namespace krv
