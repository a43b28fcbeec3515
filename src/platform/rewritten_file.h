// Rewriting a large file that is rebuilt again and again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace krv {

// A file written anew from its start over the storage of its old contents:
// it is opened without being emptied (created when missing), and cut to the
// written length when finished. Every analysis rewrites its game list and
// results file with much the same bytes; emptying them first would free
// their storage only to take it again, which costs as much as the writing.
class RewrittenFile {
public:
    explicit RewrittenFile(const std::string& path);
    ~RewrittenFile();  // finishes, if not done yet
    RewrittenFile(const RewrittenFile&) = delete;
    RewrittenFile& operator=(const RewrittenFile&) = delete;

    void write(std::string_view bytes);
    // Cuts the file to the bytes written and closes it; false when the file
    // could not be opened or a write failed.
    bool finish();

private:
    int fd_ = -1;
    std::size_t written_ = 0;
    bool ok_ = false;
};

}  // namespace krv
