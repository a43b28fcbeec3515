// Answers the HTTP library cannot send, written straight to a connection's
// socket: bodies without a length, without an end, or larger than memory
// should hold. Each blocks the calling thread until the body is written, the
// client has gone away or the time allowed has run out, and is never
// compressed.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "fault_rules.h"

namespace krv::sample {

// Status 200 and a body of `size` bytes: the page asked for (cut to `size`
// where it is longer), then line ends; framed as
// asked. False when the client went away or `timeLimit` ran out first.
bool sendOversizedAnswer(int socket, std::string_view page, std::int64_t size, FaultRule::Framing framing,
                         std::chrono::milliseconds timeLimit);

// Status 200 and a chunked body of the page and line ends that never ends by
// itself: it stops when the client goes away, after `byteCap` bytes or after
// `timeLimit`, and in each case without the final chunk, so a client never
// sees it as complete. The bytes of body sent.
std::int64_t sendEndlessAnswer(int socket, std::string_view page, std::int64_t byteCap,
                               std::chrono::milliseconds timeLimit);

}  // namespace krv::sample
