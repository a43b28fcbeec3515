#include "platform/file_lock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace krv {

namespace {

// O_CLOEXEC: a program started from this one must not inherit the lock and
// keep it after this one has died.
int openLockFile(const std::string& path, FileLock::Open how, bool& writable) {
    const int create = how == FileLock::Open::CreateIfMissing ? O_CREAT : 0;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | create, 0644);
    writable = fd >= 0;
    // A lock works through a read-only descriptor too: a store that cannot
    // be written is still guarded, and the write that fails is reported by
    // whoever makes it.
    if (fd < 0 && (errno == EROFS || errno == EACCES)) {
        const int cannotWrite = errno;
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        // No lock file to fall back on: the reason is that it cannot be made.
        if (fd < 0) errno = cannotWrite;
    }
    return fd;
}

bool flockRetrying(int fd, int operation) {
    while (::flock(fd, operation) != 0)
        if (errno != EINTR) return false;
    return true;
}

}  // namespace

FileLock::FileLock(std::string path, Open how) : path_(std::move(path)) {
    fd_ = openLockFile(path_, how, writable_);
    if (fd_ < 0) error_ = errno;
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileLock::tryLock() {
    if (held_) return true;
    held_ = fd_ >= 0 && flockRetrying(fd_, LOCK_EX | LOCK_NB);
    return held_;
}

bool FileLock::lock() {
    if (held_) return true;
    held_ = fd_ >= 0 && flockRetrying(fd_, LOCK_EX);
    return held_;
}

void FileLock::unlock() {
    if (held_) ::flock(fd_, LOCK_UN);
    held_ = false;
}

std::string FileLock::read() const {
    std::string text;
    if (fd_ < 0) return text;
    char buffer[256];
    for (off_t at = 0;;) {
        ssize_t n = ::pread(fd_, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    return text;
}

bool FileLock::replaceContents(const std::string& text) {
    if (fd_ < 0 || !writable_ || ::ftruncate(fd_, 0) != 0) return false;
    return ::pwrite(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
}

}  // namespace krv
