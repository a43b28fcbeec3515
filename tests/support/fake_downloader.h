// A downloader that serves page texts from memory, records every request and
// fails on demand. Thread-safe, as the real one is.
#pragma once

#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/download.h"

namespace krv::testing {

class FakeDownloader : public Downloader {
public:
    DownloadResult download(const std::string& url, const std::string& path) override {
        std::lock_guard lock(mutex_);
        requests_.push_back(url);
        if (failUrls_.count(url)) return {false, 500, "HTTP status 500"};
        auto it = pages_.find(url);
        if (it == pages_.end()) return {false, 404, "HTTP status 404"};
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
    std::set<std::string> failUrls_;
    std::vector<std::string> requests_;
};

}  // namespace krv::testing
