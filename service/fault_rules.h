// Fault rules of the sample service: how it misbehaves on purpose.
//
// One rule per line: SUBSTRING ACTION [ARG] [retry-after S] [times N].
// Blank lines and lines starting with '#' are ignored. The first rule whose
// SUBSTRING occurs in a request target and that is not used up applies.
//   status CODE   answer with that HTTP status (100-599) and a short page;
//                 "retry-after S" adds a Retry-After header (429 and 503 only)
//   drop          close the connection without any answer
//   truncate      announce the full Content-Length, send half the body, close
//   delay MS      wait MS milliseconds, then answer normally
//   stall MS      status 200 and the full Content-Length, half the body, a
//                 pause of MS milliseconds, then the rest
//   empty         200 with an empty body
//   times N       the rule fires N times, then is used up (default: always)
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv::sample {

struct FaultRule {
    enum class Action { Status, Drop, Truncate, Delay, Empty, Stall };
    std::string substring;
    Action action = Action::Status;
    int status = 0;       // Action::Status
    int retryAfter = -1;  // seconds, -1 for none
    int delayMs = 0;      // Action::Delay and Action::Stall
    int times = -1;       // -1: unlimited
};

// Parses a fault file; on a malformed line returns nothing and sets `error`
// to the line number and what is wrong.
std::optional<std::vector<FaultRule>> parseFaultRules(std::string_view text, std::string& error);

// The rules in force, shared by the server's threads.
class FaultTable {
public:
    void replace(std::vector<FaultRule> rules);
    // The rule for a request target, counting one firing; nothing when no
    // rule applies.
    std::optional<FaultRule> take(std::string_view target);

private:
    std::mutex mutex_;
    std::vector<FaultRule> rules_;
};

}  // namespace krv::sample
