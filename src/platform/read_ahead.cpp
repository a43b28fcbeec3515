#include "platform/read_ahead.h"

#include "platform/text.h"

namespace krv {

namespace {
// Large enough that handing a batch over costs little against reading it,
// small enough that the caller starts early and memory stays small.
constexpr std::size_t kBatchFiles = 32;
constexpr std::size_t kBatchBytes = 1 << 20;
constexpr std::size_t kBatchesWaiting = 2;
}  // namespace

ReadAhead::ReadAhead(std::vector<std::string> paths) : paths_(std::move(paths)), reader_([this] { readAll(); }) {}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    reader_.join();
}

void ReadAhead::handOver(Batch& batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return waiting_.size() < kBatchesWaiting || stopping_; });
    waiting_.push_back(std::move(batch));
    batch.clear();
    lock.unlock();
    changed_.notify_all();
}

void ReadAhead::readAll() {
    try {
        Batch batch;
        std::size_t bytes = 0;
        for (const auto& path : paths_) {
            {
                std::lock_guard lock(mutex_);
                if (stopping_) return;
            }
            batch.push_back(readFileBytes(path));
            bytes += batch.back() ? batch.back()->size() : 0;
            if (batch.size() >= kBatchFiles || bytes >= kBatchBytes) {
                handOver(batch);
                bytes = 0;
            }
        }
        if (!batch.empty()) handOver(batch);
    } catch (...) {
        std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

bool ReadAhead::next(std::optional<std::string>& bytes) {
    if (nextInCurrent_ == current_.size()) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !waiting_.empty() || finished_; });
        if (waiting_.empty()) {
            if (failure_) std::rethrow_exception(failure_);
            return false;
        }
        current_ = std::move(waiting_.front());
        waiting_.pop_front();
        nextInCurrent_ = 0;
        lock.unlock();
        changed_.notify_all();
    }
    bytes = std::move(current_[nextInCurrent_++]);
    return true;
}

}  // namespace krv
