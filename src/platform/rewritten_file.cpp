#include "platform/rewritten_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace krv {

RewrittenFile::RewrittenFile(const std::string& path)
    : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666)), ok_(fd_ >= 0) {}

RewrittenFile::~RewrittenFile() { finish(); }

void RewrittenFile::write(std::string_view bytes) {
    while (ok_ && !bytes.empty()) {
        const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            ok_ = false;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
        written_ += static_cast<std::size_t>(done);
    }
}

bool RewrittenFile::finish() {
    if (fd_ < 0) return false;
    // Whatever is left of longer old contents goes.
    ok_ = ::ftruncate(fd_, static_cast<off_t>(written_)) == 0 && ok_;
    ok_ = ::close(fd_) == 0 && ok_;
    fd_ = -1;
    return ok_;
}

}  // namespace krv
