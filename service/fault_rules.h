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
//   junk [BYTES]  200 with BYTES (default 65536) of random bytes, the same
//                 bytes every time
//   maintenance   200 with a notice that the site is down for maintenance
//   oversize BYTES [chunked|close]
//                 200 with a body of BYTES: the page asked for (where there
//                 is one), then line ends; announced by Content-Length, or
//                 sent chunked, or without either and ended by closing
//   endless [BYTES]
//                 200, chunked, the page asked for and then line ends
//                 without end, until the client goes away; bounded all the
//                 same, so that no test can hang on it: the connection is
//                 closed (without the final chunk) after 60 s or after
//                 BYTES (default 1 GiB), whichever comes first
//   times N       the rule fires N times, then is used up (default: always)
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv::sample {

struct FaultRule {
    enum class Action { Status, Drop, Truncate, Delay, Empty, Junk, Maintenance, Oversize, Endless, Stall };
    // How an oversized body shows where it ends.
    enum class Framing { Length, Chunked, Close };
    std::string substring;
    Action action = Action::Status;
    int status = 0;                     // Action::Status
    int retryAfter = -1;                // seconds, -1 for none
    int delayMs = 0;                    // Action::Delay and Action::Stall
    std::int64_t bytes = 0;             // Junk, Oversize: body size; Endless: the cap
    Framing framing = Framing::Length;  // Action::Oversize
    int times = -1;                     // -1: unlimited
};

inline constexpr std::int64_t kDefaultJunkBytes = 65536;
inline constexpr std::int64_t kEndlessByteCap = std::int64_t{1} << 30;
inline constexpr int kEndlessSecondsCap = 60;

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
