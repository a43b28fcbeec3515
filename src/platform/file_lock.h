// An advisory lock on one file, as the system keeps it: held through an
// open descriptor and dropped by the system when the holder closes it or
// dies, however it dies. Programs that agree to take the lock before they
// touch what it guards never meet; nothing else is kept out.
#pragma once

#include <string>

namespace krv {

class FileLock {
public:
    enum class Open { CreateIfMissing, ExistingOnly };

    // Opens the lock file without locking it. Check isOpen(); errorNumber()
    // then tells why it could not be opened.
    FileLock(std::string path, Open how);
    ~FileLock();  // releases the lock
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int errorNumber() const { return error_; }
    const std::string& path() const { return path_; }

    // Takes the lock when nobody holds it; never waits.
    bool tryLock();
    // Waits until the lock is free and takes it. Only for locks that are
    // held for moments (a cleaner looking at a folder), never for one that
    // a whole command holds.
    bool lock();
    void unlock();
    bool held() const { return held_; }

    // The file's contents and replacing them, through the open descriptor.
    std::string read() const;
    bool replaceContents(const std::string& text);

private:
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
    bool writable_ = false;
    bool held_ = false;
};

}  // namespace krv
