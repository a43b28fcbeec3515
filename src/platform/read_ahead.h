// Reading a long list of files while the caller works on them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace krv {

// Reads the files in the order given on a thread of its own, a batch or two
// ahead of the caller, so that reading the next files overlaps the work on
// this one. The caller still takes the files one by one and in order; at
// most two batches wait at a time, so memory stays bounded.
class ReadAhead {
public:
    explicit ReadAhead(std::vector<std::string> paths);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next file's bytes, nullopt for a file that could not be read.
    // Returns false after the last file.
    bool next(std::optional<std::string>& bytes);

private:
    using Batch = std::vector<std::optional<std::string>>;
    void readAll();
    void handOver(Batch& batch);

    const std::vector<std::string> paths_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> waiting_;
    bool finished_ = false;  // every file is read, or reading failed
    bool stopping_ = false;  // the caller is gone
    std::exception_ptr failure_;
    Batch current_;
    std::size_t nextInCurrent_ = 0;
    std::thread reader_;  // last, so that it starts once the rest exists
};

}  // namespace krv
