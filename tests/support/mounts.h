// File systems that fail on purpose, for tests of failed writes: a tiny one
// that fills up, and a read-only view of a folder. Both need root; a test
// skips when it cannot mount. Root ignores file modes, so they are the only
// dependable way to make a write fail for root.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace krv::testing {

class Mount {
public:
    // A file system of `size` (e.g. "64k") over dir; null when not possible.
    static std::unique_ptr<Mount> tinyTmpfs(const std::string& dir, const std::string& size) {
        if (::geteuid() != 0) return nullptr;
        const std::string options = "size=" + size;
        if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0) return nullptr;
        return std::unique_ptr<Mount>(new Mount(dir));
    }
    // dir itself, seen read-only; null when not possible.
    static std::unique_ptr<Mount> readOnly(const std::string& dir) {
        if (::geteuid() != 0) return nullptr;
        if (::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0) return nullptr;
        auto mount = std::unique_ptr<Mount>(new Mount(dir));
        if (::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) return nullptr;
        return mount;
    }
    ~Mount() { ::umount2(dir_.c_str(), MNT_DETACH); }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;

private:
    explicit Mount(std::string dir) : dir_(std::move(dir)) {}
    std::string dir_;
};

}  // namespace krv::testing
