#include "platform/replaced_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/scope_exit.h"
#include "platform/store_error.h"

namespace krv {

ReplacedFile::ReplacedFile(std::string path, Durability durability)
    : path_(std::move(path)), temp_(path_ + ".partial"), durability_(durability) {
    // What an interrupted earlier write left under the temporary name goes
    // first; a link planted there is removed, never followed.
    ::unlink(temp_.c_str());
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) throw StoreError::fromErrno(path_, errno);
}

ReplacedFile::~ReplacedFile() { discard(); }

void ReplacedFile::discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(temp_.c_str());
    }
}

void ReplacedFile::fail(int error) {
    discard();
    throw StoreError::fromErrno(path_, error);
}

void ReplacedFile::write(std::string_view bytes) {
    if (fd_ < 0) throw StoreError(path_, "the file was already closed");
    while (!bytes.empty()) {
        const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) fail(errno);
        if (done == 0) fail(ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
}

void ReplacedFile::commit() {
    if (fd_ < 0) throw StoreError(path_, "the file was already closed");
    if (durability_ == Durability::SurvivesPowerLoss && ::fsync(fd_) != 0) fail(errno);
    // A full disk may show only when the last blocks are flushed at close.
    const int closed = ::close(fd_);
    const int closeError = errno;
    fd_ = -1;
    if (closed != 0 || ::rename(temp_.c_str(), path_.c_str()) != 0) {
        const int error = closed != 0 ? closeError : errno;
        ::unlink(temp_.c_str());
        throw StoreError::fromErrno(path_, error);
    }
}

void replaceFile(const std::string& path, std::string_view bytes, Durability durability) {
    ReplacedFile file(path, durability);
    file.write(bytes);
    file.commit();
}

namespace {

// Whether path is a plain file (not a link) holding exactly bytes.
bool holdsBytes(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    ScopeExit closeFile([fd] { ::close(fd); });
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::size_t>(status.st_size) != bytes.size())
        return false;
    char buffer[64 * 1024];
    while (!bytes.empty()) {
        const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, bytes.size()));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || std::memcmp(buffer, bytes.data(), static_cast<std::size_t>(got)) != 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(got));
    }
    // A file that grew since fstat holds more than bytes.
    return ::read(fd, buffer, 1) == 0;
}

}  // namespace

bool replaceFileUnlessSame(const std::string& path, std::string_view bytes, Durability durability) {
    if (holdsBytes(path, bytes)) return false;
    replaceFile(path, bytes, durability);
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, Durability durability) {
    try {
        replaceFile(path, bytes, durability);
        return true;
    } catch (const StoreError&) { return false; }
}

void appendToFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) throw StoreError::fromErrno(path, errno);
    int error = 0;
    while (!bytes.empty() && error == 0) {
        const ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) error = done < 0 ? errno : ENOSPC;
        else bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) throw StoreError::fromErrno(path, error);
}

}  // namespace krv
