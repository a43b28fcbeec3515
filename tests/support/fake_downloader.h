// A downloader that serves page texts from memory, records every request and
// fails, hangs or throws on demand. Thread-safe, as the real one is, and it
// honours the cancel flag as the real one does.
#pragma once

#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/download.h"

namespace krv::testing {

class FakeDownloader : public Downloader {
public:
    DownloadResult download(const std::string& url, const std::string& path,
                            const CancelFlag* cancel = nullptr) override {
        if (isCancelled(cancel)) return cancelledDownload();
        std::unique_lock lock(mutex_);
        requests_.push_back(url);
        if (throwUrls_.count(url)) throw std::runtime_error("simulated fault fetching " + url);
        if (hangUrls_.count(url)) {
            // An answer that never comes: only a cancel ends the wait.
            lock.unlock();
            while (!isCancelled(cancel)) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return cancelledDownload();
        }
        if (failUrls_.count(url)) return {false, 500, "the site answered 500 Internal Server Error"};
        auto it = pages_.find(url);
        if (it == pages_.end()) return {false, 404, "the site answered 404 Not Found"};
        std::ofstream(path, std::ios::binary | std::ios::trunc) << it->second;
        return {true, 200, ""};
    }

    void serve(const std::string& url, const std::string& body) {
        std::lock_guard lock(mutex_);
        pages_[url] = body;
    }
    void fail(const std::string& url, bool failing = true) {
        std::lock_guard lock(mutex_);
        if (failing) failUrls_.insert(url);
        else failUrls_.erase(url);
    }
    void hang(const std::string& url) {
        std::lock_guard lock(mutex_);
        hangUrls_.insert(url);
    }
    void throwOn(const std::string& url, bool throwing = true) {
        std::lock_guard lock(mutex_);
        if (throwing) throwUrls_.insert(url);
        else throwUrls_.erase(url);
    }
    std::vector<std::string> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int requestsContaining(const std::string& part) const {
        int n = 0;
        for (const auto& r : requests()) n += r.find(part) != std::string::npos;
        return n;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::string> pages_;
    std::set<std::string> failUrls_, hangUrls_, throwUrls_;
    std::vector<std::string> requests_;
};

}  // namespace krv::testing
