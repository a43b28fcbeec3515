#include "fault_rules.h"

#include <charconv>
#include <sstream>

namespace krv::sample {

namespace {

bool toInt(const std::string& s, int lo, int hi, int& out) {
    int v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool toInt64(const std::string& s, std::int64_t lo, std::int64_t hi, std::int64_t& out) {
    std::int64_t v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool isNumber(const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos; }

// Oversized bodies up to 64 GiB: far past any limit a client may set, and
// still sent in a few minutes over loopback.
constexpr std::int64_t kMaxBodyBytes = std::int64_t{1} << 36;

}  // namespace

std::optional<std::vector<FaultRule>> parseFaultRules(std::string_view text, std::string& error) {
    std::vector<FaultRule> rules;
    std::istringstream in{std::string(text)};
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string t; words >> t;) w.push_back(t);
        if (w.empty() || w[0][0] == '#') continue;
        auto bad = [&](const std::string& what) {
            error = "line " + std::to_string(lineNo) + ": " + what;
            return std::nullopt;
        };
        if (w.size() < 2) return bad("a rule needs a substring and an action");
        FaultRule r;
        r.substring = w[0];
        std::size_t i = 2;
        const std::string& action = w[1];
        if (action == "status") {
            r.action = FaultRule::Action::Status;
            if (w.size() < 3 || !toInt(w[2], 100, 599, r.status)) return bad("status needs a code from 100 to 599");
            i = 3;
        } else if (action == "delay") {
            r.action = FaultRule::Action::Delay;
            if (w.size() < 3 || !toInt(w[2], 0, 600000, r.delayMs)) return bad("delay needs milliseconds (0-600000)");
            i = 3;
        } else if (action == "stall") {
            r.action = FaultRule::Action::Stall;
            if (w.size() < 3 || !toInt(w[2], 0, 600000, r.delayMs)) return bad("stall needs milliseconds (0-600000)");
            i = 3;
        } else if (action == "drop") {
            r.action = FaultRule::Action::Drop;
        } else if (action == "truncate") {
            r.action = FaultRule::Action::Truncate;
        } else if (action == "empty") {
            r.action = FaultRule::Action::Empty;
        } else if (action == "junk") {
            r.action = FaultRule::Action::Junk;
            r.bytes = kDefaultJunkBytes;
            if (w.size() > 2 && isNumber(w[2])) {
                if (!toInt64(w[2], 1, std::int64_t{1} << 26, r.bytes)) return bad("junk takes 1 to 67108864 bytes");
                i = 3;
            }
        } else if (action == "maintenance") {
            r.action = FaultRule::Action::Maintenance;
        } else if (action == "oversize") {
            r.action = FaultRule::Action::Oversize;
            if (w.size() < 3 || !toInt64(w[2], 1, kMaxBodyBytes, r.bytes))
                return bad("oversize needs a body size in bytes (1-68719476736)");
            i = 3;
            if (w.size() > 3 && (w[3] == "chunked" || w[3] == "close")) {
                r.framing = w[3] == "chunked" ? FaultRule::Framing::Chunked : FaultRule::Framing::Close;
                i = 4;
            }
        } else if (action == "endless") {
            r.action = FaultRule::Action::Endless;
            r.bytes = kEndlessByteCap;
            if (w.size() > 2 && isNumber(w[2])) {
                if (!toInt64(w[2], 1, kEndlessByteCap, r.bytes))
                    return bad("endless takes a cap of 1 to 1073741824 bytes");
                i = 3;
            }
        } else {
            return bad("unknown action \"" + action + "\"");
        }
        while (i < w.size()) {
            if (w[i] == "times" && i + 1 < w.size()) {
                if (!toInt(w[i + 1], 1, 1000000, r.times)) return bad("times needs a count of at least 1");
            } else if (w[i] == "retry-after" && i + 1 < w.size()) {
                if (r.action != FaultRule::Action::Status || (r.status != 429 && r.status != 503))
                    return bad("retry-after goes with status 429 or 503");
                // Up to ten days: far past any wait a client should accept.
                if (!toInt(w[i + 1], 0, 864000, r.retryAfter)) return bad("retry-after needs seconds (0-864000)");
            } else {
                return bad("unexpected \"" + w[i] + "\"");
            }
            i += 2;
        }
        rules.push_back(std::move(r));
    }
    return rules;
}

void FaultTable::replace(std::vector<FaultRule> rules) {
    std::lock_guard lock(mutex_);
    rules_ = std::move(rules);
}

std::optional<FaultRule> FaultTable::take(std::string_view target) {
    std::lock_guard lock(mutex_);
    for (FaultRule& r : rules_) {
        if (r.times == 0 || target.find(r.substring) == std::string_view::npos) continue;
        if (r.times > 0) --r.times;
        return r;
    }
    return std::nullopt;
}

}  // namespace krv::sample
