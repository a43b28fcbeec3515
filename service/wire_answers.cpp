#include "wire_answers.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

namespace krv::sample {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPiece = 64 * 1024;

// Writes all bytes unless the client goes away or the deadline passes; a
// client that stops reading without closing costs at most the time left.
bool sendAll(int socket, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{socket, POLLOUT, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string head(std::string_view framing) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=iso-8859-1\r\n" + std::string(framing) +
           "Connection: close\r\n\r\n";
}

// `count` bytes of a filled body from `offset`: the page asked for, then
// line ends, which are what strains a client that splits a page into lines.
void fill(std::string& piece, std::string_view page, std::int64_t offset, std::size_t count) {
    piece.assign(count, '\n');
    if (offset < static_cast<std::int64_t>(page.size())) {
        const std::string_view rest = page.substr(static_cast<std::size_t>(offset));
        piece.replace(0, std::min(count, rest.size()), rest.substr(0, std::min(count, rest.size())));
    }
}

std::string chunkHead(std::size_t size) {
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%zx\r\n", size);
    return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace

bool sendOversizedAnswer(int socket, std::string_view page, std::int64_t size, FaultRule::Framing framing,
                         std::chrono::milliseconds timeLimit) {
    const Clock::time_point deadline = Clock::now() + timeLimit;
    const bool chunked = framing == FaultRule::Framing::Chunked;
    const std::string framingHeader = framing == FaultRule::Framing::Length
                                          ? "Content-Length: " + std::to_string(size) + "\r\n"
                                      : chunked ? "Transfer-Encoding: chunked\r\n"
                                                : "";
    if (!sendAll(socket, head(framingHeader), deadline)) return false;
    std::string piece;
    for (std::int64_t offset = 0; offset < size;) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(kPiece, size - offset));
        fill(piece, page, offset, count);
        if (chunked) piece = chunkHead(count) + piece + "\r\n";
        if (!sendAll(socket, piece, deadline)) return false;
        offset += static_cast<std::int64_t>(count);
    }
    return !chunked || sendAll(socket, "0\r\n\r\n", deadline);
}

std::int64_t sendEndlessAnswer(int socket, std::string_view page, std::int64_t byteCap,
                               std::chrono::milliseconds timeLimit) {
    const Clock::time_point deadline = Clock::now() + timeLimit;
    if (!sendAll(socket, head("Transfer-Encoding: chunked\r\n"), deadline)) return 0;
    std::string piece;
    std::int64_t offset = 0;
    while (offset < byteCap) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(kPiece, byteCap - offset));
        fill(piece, page, offset, count);
        if (!sendAll(socket, chunkHead(count) + piece + "\r\n", deadline)) break;
        offset += static_cast<std::int64_t>(count);
    }
    return offset;
}

}  // namespace krv::sample
