#include "platform/curl_download.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "platform/text.h"

namespace krv {

// A connection slot: the easy handle keeps its settings and the multi handle
// keeps the open connections (libcurl's connection cache belongs to the
// multi handle a transfer runs in), so both live from one page to the next.
struct CurlDownloader::Slot {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    ~Slot() {
        if (multi) curl_multi_cleanup(multi);
        if (easy) curl_easy_cleanup(easy);
    }
};

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
    std::size_t largest = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    int writeError = 0;
};

// Counts the decoded bytes: a compressed answer may be small on the wire and
// huge once decoded, and a body without a length announces nothing.
std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    std::size_t n = size * count;
    if (n > sink->largest - std::min(sink->bytes, sink->largest)) {
        sink->tooLarge = true;
        return 0;  // makes curl stop with a write error
    }
    if (std::fwrite(data, 1, n, sink->file) != n) {
        sink->writeFailed = true;
        sink->writeError = errno != 0 ? errno : EIO;
        return 0;
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

// Names the program, its version and how to reach its makers, so that the
// site's staff can tell who is asking and write to them.
std::string userAgent() { return std::string("KRV-Data/") + KRV_VERSION + " (+mailto:krv-data@example.org)"; }

constexpr const char* kOfflineHint =
    ": check the address or your connection; stored data can still be analysed with Analyse Only";

std::string wholeSeconds(std::chrono::milliseconds ms) { return std::to_string((ms.count() + 999) / 1000) + " s"; }

const char* reasonPhrase(long status) {
    switch (status) {
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 408:
            return "Request Timeout";
        case 410:
            return "Gone";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return "";
    }
}

}  // namespace

std::string httpStatusCause(long status) {
    std::string text = "the site answered " + std::to_string(status);
    if (const char* reason = reasonPhrase(status); *reason) text += std::string(" ") + reason;
    return text;
}

// Every libcurl failure in the words the user reads under "Could not
// download": what happened and, where the user can do something, what.
std::string curlFailureCause(int curlCode, std::chrono::milliseconds timeout) {
    switch (static_cast<CURLcode>(curlCode)) {
        case CURLE_COULDNT_CONNECT:
            return std::string("the connection was refused") + kOfflineHint;
        case CURLE_COULDNT_RESOLVE_HOST:
            return std::string("the site's name could not be found") + kOfflineHint;
        case CURLE_COULDNT_RESOLVE_PROXY:
            return std::string("the proxy's name could not be found") + kOfflineHint;
        case CURLE_OPERATION_TIMEDOUT:
            return "the site did not answer within " + wholeSeconds(timeout);
        case CURLE_UNSUPPORTED_PROTOCOL:
            return "the site sent the download to an address that is not a web page";
        case CURLE_TOO_MANY_REDIRECTS:
            return "the site sent the download from one address to the next too many times";
        case CURLE_FILESIZE_EXCEEDED:
            return std::string(kPageTooLarge);
        case CURLE_GOT_NOTHING:
            return "the site closed the connection without answering";
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return "the connection broke before the whole page arrived";
        case CURLE_BAD_CONTENT_ENCODING:
            return "the page arrived compressed in a way that could not be decoded";
        case CURLE_WEIRD_SERVER_REPLY:
            return "the site's answer was not understood";
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
            return "the secure connection could not be set up: check the date and time of this computer";
        case CURLE_OUT_OF_MEMORY:
            return "there was not enough memory for the download";
        default:
            return std::string("the download failed: ") + curl_easy_strerror(static_cast<CURLcode>(curlCode));
    }
}

namespace {

// How often a transfer that is waiting for the network looks at the cancel
// flag: a Cancel then ends it well within a second.
constexpr std::chrono::milliseconds kCancelPoll{50};

// Called by libcurl while data flows; a non-zero answer aborts the transfer.
int abortWhenCancelled(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return isCancelled(static_cast<const CancelFlag*>(cancel)) ? 1 : 0;
}

// Runs the transfer in the slot, waking at least every kCancelPoll to look
// at the cancel flag: libcurl's own progress calls come only about once a
// second while nothing arrives. Returns the transfer's code; `cancelled`
// tells an abort.
CURLcode performCancellably(CurlDownloader::Slot& slot, const CancelFlag* cancel, bool& cancelled) {
    cancelled = false;
    if (curl_multi_add_handle(slot.multi, slot.easy) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode code = CURLE_OK;
    for (int running = 1; running;) {
        if (curl_multi_perform(slot.multi, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        if (!running) break;
        if (isCancelled(cancel)) {
            cancelled = true;
            break;
        }
        curl_multi_poll(slot.multi, nullptr, 0, static_cast<int>(kCancelPoll.count()), nullptr);
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(slot.multi, &left))
        if (message->msg == CURLMSG_DONE) code = message->data.result;
    curl_multi_remove_handle(slot.multi, slot.easy);
    if (code == CURLE_ABORTED_BY_CALLBACK) cancelled = true;
    return code;
}

void setRequestOptions(CURL* curl, const std::string& url, const DownloadPolicy& policy,
                       std::chrono::milliseconds timeout, const std::string& agent) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    // A page address comes from another page: never let it, or a redirect,
    // reach anything but the web (no file://, no other schemes).
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::min<long long>(policy.connectTimeout.count() * 1000, timeout.count())));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    // "": every coding this libcurl can decode (gzip and deflate); the
    // write callback sees the decoded page, byte for byte the plain answer.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    // Refuses an announced length at once; the write callback catches the
    // rest (no length, or a compressed body that grows when decoded).
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(policy.largestPage));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenCancelled);
}

Attempt fetchOnce(CurlDownloader::Slot& slot, const std::string& url, const std::string& partial,
                  const DownloadPolicy& policy, std::chrono::milliseconds timeout, const CancelFlag* cancel) {
    Attempt attempt;
    BodySink sink;
    sink.largest = policy.largestPage;
    sink.file = std::fopen(partial.c_str(), "wb");
    if (!sink.file) {
        attempt.result.writeError = errno;
        attempt.result.error = "cannot write " + partial;
        return attempt;
    }
    CURL* curl = slot.easy;
    // A reset keeps the open connections; the options start afresh so that
    // nothing of the last page's request carries over.
    curl_easy_reset(curl);
    const std::string agent = userAgent();
    setRequestOptions(curl, url, policy, timeout, agent);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, readHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &attempt.retryAfterSeconds);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<CancelFlag*>(cancel));

    bool cancelled = false;
    CURLcode code = performCancellably(slot, cancel, cancelled);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    bool closed = std::fclose(sink.file) == 0;
    const int closeError = errno;

    attempt.result.httpStatus = status;
    if (cancelled) {
        attempt.result = cancelledDownload();
    } else if (sink.tooLarge) {
        attempt.result.error = std::string(kPageTooLarge);
    } else if (code != CURLE_OK && sink.writeFailed) {
        attempt.result.error = "cannot write " + partial;
        attempt.result.writeError = sink.writeError;
    } else if (code != CURLE_OK) {
        attempt.result.error = curlFailureCause(code, timeout);
    } else if (status < 200 || status > 299) {
        attempt.result.error = httpStatusCause(status);
    } else if (sink.bytes == 0) {
        attempt.result.error = "the site sent an empty page";
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

std::chrono::milliseconds sinceStart(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

}  // namespace

std::optional<double> parseRequestRate(std::string_view text) {
    const std::string value(text);
    if (value.empty() || !(std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '.')) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double rate = std::strtod(value.c_str(), &end);
    if (errno != 0 || end != value.c_str() + value.size() || !(rate > 0) || rate > 1000) return std::nullopt;
    return rate;
}

CurlDownloader::CurlDownloader(DownloadPolicy policy) : policy_(std::move(policy)) { initialiseCurlOnce(); }

CurlDownloader::~CurlDownloader() = default;

std::unique_ptr<CurlDownloader::Slot> CurlDownloader::borrowSlot() {
    {
        std::lock_guard lock(poolMutex_);
        if (!idleSlots_.empty()) {
            // The slot given back last: its connection is the likeliest to
            // be still open.
            auto slot = std::move(idleSlots_.back());
            idleSlots_.pop_back();
            return slot;
        }
    }
    auto slot = std::make_unique<Slot>();
    slot->easy = curl_easy_init();
    slot->multi = curl_multi_init();
    if (!slot->easy || !slot->multi) return nullptr;
    return slot;
}

void CurlDownloader::returnSlot(std::unique_ptr<Slot> slot) {
    if (!slot) return;
    std::lock_guard lock(poolMutex_);
    idleSlots_.push_back(std::move(slot));
}

bool CurlDownloader::awaitRequestTurn(const CancelFlag* cancel) {
    if (policy_.maxRequestsPerSecond <= 0) return true;
    const auto spacing = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(1.0 / policy_.maxRequestsPerSecond));
    std::chrono::steady_clock::time_point turn;
    {
        // Each request takes the next free turn, whichever connection asks:
        // the rate holds over the whole run, not per connection.
        std::lock_guard lock(rateMutex_);
        turn = std::max(nextRequest_, std::chrono::steady_clock::now());
        nextRequest_ = turn + spacing;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(turn - std::chrono::steady_clock::now());
    return wait.count() <= 0 || pauseUnlessCancelled(wait, cancel);
}

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
    const std::chrono::milliseconds budget = policy_.pageBudget;
    const std::chrono::milliseconds requestTimeout = policy_.totalTimeout;
    // The page's time starts with its first request: a wait for the rate
    // limit before it is the run's, not the page's.
    std::optional<std::chrono::steady_clock::time_point> start;
    // Pauses a test's sleep stood in for count as if they had been waited.
    std::chrono::milliseconds pausedVirtually{0};
    auto spent = [&] { return (start ? sinceStart(*start) : std::chrono::milliseconds(0)) + pausedVirtually; };

    std::unique_ptr<Slot> slot = borrowSlot();
    struct GiveBack {
        CurlDownloader& owner;
        std::unique_ptr<Slot>& slot;
        ~GiveBack() { owner.returnSlot(std::move(slot)); }
    } giveBack{*this, slot};
    if (!slot) return {false, 0, curlFailureCause(CURLE_OUT_OF_MEMORY, requestTimeout), 0};

    for (int n = 1;; ++n) {
        if (isCancelled(cancel) || !awaitRequestTurn(cancel)) return cancelledDownload();
        if (!start) start = std::chrono::steady_clock::now();
        const auto left = budget - spent();
        if (left <= std::chrono::milliseconds(0))
            return {false, 0, "the page could not be fetched within " + wholeSeconds(budget), 0};
        Attempt attempt = fetchOnce(*slot, url, partial, policy_, std::min(requestTimeout, left), cancel);
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
        if (attempt.retryAfterSeconds)
            pause = std::chrono::seconds(std::min<long long>(*attempt.retryAfterSeconds, 999999999LL));
        // A wait the page's time cannot hold is not waited for at all: the
        // run goes on (or ends) now rather than after a pointless pause.
        if (pause >= budget - spent()) {
            attempt.result.error = httpStatusCause(attempt.result.httpStatus) + " and asked to come back in " +
                                   wholeSeconds(pause) + ", longer than a page may take (" + wholeSeconds(budget) + ")";
            return attempt.result;
        }
        if (policy_.sleep) {
            policy_.sleep(pause);
            pausedVirtually += pause;
        } else if (!pauseUnlessCancelled(pause, cancel)) {
            return cancelledDownload();
        }
    }
}

}  // namespace krv
