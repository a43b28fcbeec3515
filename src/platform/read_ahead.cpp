#include "platform/read_ahead.h"

#include <iterator>

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

// Hands a full batch over and takes back the buffers the caller is done
// with, for the next batch.
void ReadAhead::handOver(Batch& batch, std::vector<std::string>& buffers) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return waiting_.size() < kBatchesWaiting || stopping_; });
    waiting_.push_back(std::move(batch));
    batch = Batch{};
    buffers.insert(buffers.end(), std::make_move_iterator(spare_.begin()), std::make_move_iterator(spare_.end()));
    spare_.clear();
    lock.unlock();
    changed_.notify_all();
}

void ReadAhead::readAll() {
    try {
        Batch batch;
        std::vector<std::string> buffers;
        std::size_t size = 0;
        for (const auto& path : paths_) {
            if (stopping_) return;
            std::string bytes;
            if (!buffers.empty()) {
                bytes = std::move(buffers.back());
                buffers.pop_back();
            }
            batch.read.push_back(readFileInto(path, bytes));
            size += bytes.size();
            batch.bytes.push_back(std::move(bytes));
            if (batch.bytes.size() >= kBatchFiles || size >= kBatchBytes) {
                handOver(batch, buffers);
                size = 0;
            }
        }
        if (!batch.bytes.empty()) handOver(batch, buffers);
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

bool ReadAhead::next(std::optional<std::string_view>& bytes) {
    if (nextInCurrent_ == current_.bytes.size()) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !waiting_.empty() || finished_; });
        spare_.insert(spare_.end(), std::make_move_iterator(current_.bytes.begin()),
                      std::make_move_iterator(current_.bytes.end()));
        current_ = Batch{};
        nextInCurrent_ = 0;
        if (waiting_.empty()) {
            if (failure_) std::rethrow_exception(failure_);
            return false;
        }
        current_ = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        changed_.notify_all();
    }
    const std::size_t i = nextInCurrent_++;
    bytes = current_.read[i] ? std::optional<std::string_view>(current_.bytes[i]) : std::nullopt;
    return true;
}

}  // namespace krv
