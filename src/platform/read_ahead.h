// Reading a long list of files while the caller works on them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace krv {

// Reads the files in the order given on a thread of its own, a batch or two
// ahead of the caller, so that reading the next files overlaps the work on
// this one. The caller still takes the files one by one and in order; at
// most two batches wait at a time, so memory stays bounded, and the buffers
// of files done with are read into again.
class ReadAhead {
public:
    explicit ReadAhead(std::vector<std::string> paths);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next file's bytes, nullopt for a file that could not be read;
    // they stay valid until the next call. Returns false after the last
    // file.
    bool next(std::optional<std::string_view>& bytes);

private:
    struct Batch {
        std::vector<std::string> bytes;
        std::vector<char> read;  // whether each file could be read
    };
    void readAll();
    void handOver(Batch& batch, std::vector<std::string>& buffers);

    const std::vector<std::string> paths_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> waiting_;
    std::vector<std::string> spare_;      // buffers the caller is done with
    bool finished_ = false;               // every file is read, or reading failed
    std::atomic<bool> stopping_ = false;  // the caller is gone
    std::exception_ptr failure_;
    Batch current_;
    std::size_t nextInCurrent_ = 0;
    std::thread reader_;  // last, so that it starts once the rest exists
};

}  // namespace krv
