// A downloader that serves page texts from memory: it records every request,
// fails on demand and can run a hook per request (to cancel a run, to slow
// some pages down). Thread-safe, as the real one is.
#pragma once

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/download.h"

namespace krv::testing {

class FakeDownloader : public Downloader {
public:
    DownloadResult download(const std::string& url, const std::string& path) override {
        std::function<void(const std::string&)> hook;
        std::string body;
        bool known = false;
        bool failing = false;
        std::chrono::milliseconds delay{0};
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(url);
            hook = onRequest;
            failing = failUrls_.count(url) > 0;
            auto it = pages_.find(url);
            if (it != pages_.end()) {
                known = true;
                body = it->second;
            }
            auto d = delays_.find(url);
            if (d != delays_.end()) delay = d->second;
        }
        if (hook) hook(url);
        if (delay.count() > 0) std::this_thread::sleep_for(delay);
        if (failing) return {false, 500, "HTTP status 500"};
        if (!known) return {false, 404, "HTTP status 404"};
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << body;
        return {true, 200, ""};
    }

    void serve(const std::string& url, const std::string& body) {
        std::lock_guard lock(mutex_);
        pages_[url] = body;
    }
    void fail(const std::string& url) {
        std::lock_guard lock(mutex_);
        failUrls_.insert(url);
    }
    void heal(const std::string& url) {
        std::lock_guard lock(mutex_);
        failUrls_.erase(url);
    }
    void delay(const std::string& url, std::chrono::milliseconds by) {
        std::lock_guard lock(mutex_);
        delays_[url] = by;
    }

    std::vector<std::string> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int requestsContaining(const std::string& part) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& r : requests_)
            if (r.find(part) != std::string::npos) ++n;
        return n;
    }
    void clearRequests() {
        std::lock_guard lock(mutex_);
        requests_.clear();
    }

    // Runs on the requesting thread before each answer.
    std::function<void(const std::string&)> onRequest;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::string> pages_;
    std::map<std::string, std::chrono::milliseconds> delays_;
    std::set<std::string> failUrls_;
    std::vector<std::string> requests_;
};

}  // namespace krv::testing
