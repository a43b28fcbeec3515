#include "platform/run_folder.h"

#include <cerrno>
#include <filesystem>
#include <random>

#include <unistd.h>

#include "platform/file_lock.h"
#include "platform/store_error.h"

namespace krv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kReadyPrefix = "run-";
// A folder is made under this prefix and renamed to its ready name once its
// lock is held, so that a ready folder always has a holder or a dead one.
constexpr const char* kMakingPrefix = ".making-run-";
constexpr const char* kLockName = "lock";
constexpr int kNameAttempts = 20;

std::string randomPart() {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::random_device random;
    std::string part;
    for (int i = 0; i < 12; ++i) part += kDigits[random() % 16];
    return part;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

bool isRunFolderName(const std::string& name) {
    return startsWith(name, kReadyPrefix) || startsWith(name, kMakingPrefix);
}

RunFolder::RunFolder() = default;

RunFolder::~RunFolder() {
    if (path_.empty()) return;
    // Removed while the lock is still held: nobody takes it for a dead one
    // half-way.
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

const std::string& RunFolder::create(const std::string& parent) {
    if (created()) return path_;
    int lastError = 0;
    std::string failedPath = parent;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = std::to_string(static_cast<long>(::getpid())) + "-" + randomPart();
        const std::string making = parent + "/" + kMakingPrefix + name;
        const std::string ready = parent + "/" + kReadyPrefix + name;
        std::error_code ec;
        if (!fs::create_directory(making, ec)) {
            if (ec) {
                lastError = ec.value();
                failedPath = making;
                if (ec != std::errc::file_exists) break;  // no other name will do better
            }
            continue;
        }
        auto lock = std::make_unique<FileLock>(making + "/" + kLockName, FileLock::Open::CreateIfMissing);
        // A cleaner that found the folder before it was locked removes it;
        // the rename then fails and another name is tried.
        if (lock->isOpen() && lock->lock()) {
            fs::rename(making, ready, ec);
            if (!ec) {
                lock_ = std::move(lock);
                path_ = ready;
                return path_;
            }
            lastError = ec.value();
        } else {
            lastError = lock->errorNumber();
        }
        failedPath = making;
        fs::remove_all(making, ec);
    }
    throw StoreError::fromErrno(failedPath, lastError ? lastError : EEXIST);
}

int removeDeadRunFolders(const std::string& parent) {
    std::vector<std::string> candidates;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(parent, ec)) {
        const std::string name = entry.path().filename().string();
        if (isRunFolderName(name) && entry.is_directory(ec) && !entry.is_symlink(ec))
            candidates.push_back(entry.path().string());
    }
    int removed = 0;
    for (const auto& folder : candidates) {
        FileLock lock(folder + "/" + kLockName, FileLock::Open::ExistingOnly);
        // No lock file: a folder whose maker has not got that far, or the
        // remains of one half removed; either way nobody relies on it.
        if (lock.isOpen() && !lock.tryLock()) continue;
        fs::remove_all(folder, ec);
        ++removed;
    }
    return removed;
}

}  // namespace krv
