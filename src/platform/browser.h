// The browser control as the web window uses it: a page display with a
// history, driven by text addresses. Operations that the control cannot
// carry out (no earlier page, an address it cannot make sense of) report
// false instead of raising, so that the caller decides what to ignore.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace krv {

class Browser {
public:
    virtual ~Browser() = default;
    // Opens the address; false when the control rejects it as malformed.
    virtual bool navigate(const std::string& address) = 0;
    // Steps through the history; false when there is no such page.
    virtual bool back() = 0;
    virtual bool forward() = 0;
    // The control's own home and search pages.
    virtual bool home() = 0;
    virtual bool search() = 0;
    virtual void reload() = 0;
    virtual void stop() = 0;
};

// Remembers every call and keeps a history the way a browser does: opening
// a page drops the pages after the current one. Addresses listed in
// `rejected` are refused like malformed ones.
class RecordingBrowser : public Browser {
public:
    RecordingBrowser(std::string homePage = "home:", std::string searchPage = "search:")
        : homePage_(std::move(homePage)), searchPage_(std::move(searchPage)) {}

    bool navigate(const std::string& address) override {
        calls.push_back("navigate " + address);
        return open(address);
    }
    bool back() override {
        calls.push_back("back");
        if (current_ == 0 || pages_.empty()) return false;
        --current_;
        return true;
    }
    bool forward() override {
        calls.push_back("forward");
        if (current_ + 1 >= pages_.size()) return false;
        ++current_;
        return true;
    }
    bool home() override {
        calls.push_back("home");
        return open(homePage_);
    }
    bool search() override {
        calls.push_back("search");
        return open(searchPage_);
    }
    void reload() override { calls.push_back("reload"); }
    void stop() override { calls.push_back("stop"); }

    // The page shown; empty before the first page.
    std::string currentPage() const { return pages_.empty() ? std::string() : pages_[current_]; }
    std::size_t historyLength() const { return pages_.size(); }

    std::vector<std::string> calls;
    std::set<std::string> rejected;

private:
    bool open(const std::string& address) {
        if (rejected.count(address) != 0) return false;
        if (!pages_.empty()) pages_.resize(current_ + 1);
        pages_.push_back(address);
        current_ = pages_.size() - 1;
        return true;
    }

    std::string homePage_;
    std::string searchPage_;
    std::vector<std::string> pages_;
    std::size_t current_ = 0;
};

}  // namespace krv
