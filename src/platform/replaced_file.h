// Writing files. Every file the program replaces is written under a
// temporary name in its own folder and renamed over the old one, so that a
// reader, a crash or a full disk finds either the old file or the new one,
// never a mix of both. Only a run's own Temp files are appended to.
#pragma once

#include <string>
#include <string_view>

namespace krv {

// Whether a replaced file must also survive a power failure, or only a
// crash of the program. Files that every analysis rebuilds need not wait
// for the disk.
enum class Durability { SurvivesPowerLoss, RebuiltByAnalysis };

// A file written from its start under the temporary name path + ".partial"
// and put in place by commit(). Every failure throws StoreError naming the
// final path and the system's reason; the temporary file is then gone and
// the old file, if any, is as it was. Leaving the scope without commit()
// (an exception on the way) also removes the temporary file.
class ReplacedFile {
public:
    explicit ReplacedFile(std::string path, Durability durability = Durability::SurvivesPowerLoss);
    ~ReplacedFile();
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;

    void write(std::string_view bytes);
    // Closes the file and renames it over the old one.
    void commit();

    const std::string& path() const { return path_; }

private:
    [[noreturn]] void fail(int error);
    void discard() noexcept;

    std::string path_;
    std::string temp_;
    Durability durability_;
    int fd_ = -1;
};

// Replaces the file at path with bytes; StoreError when it cannot.
void replaceFile(const std::string& path, std::string_view bytes,
                 Durability durability = Durability::SurvivesPowerLoss);

// The same, except that a file already holding exactly these bytes is left
// as it is: an analysis run again over unchanged pages rewrites nothing,
// which spares the disk and keeps the files' times. Returns whether the
// file was replaced.
bool replaceFileUnlessSame(const std::string& path, std::string_view bytes,
                           Durability durability = Durability::SurvivesPowerLoss);

// The same for callers that only need to know whether it worked (a
// downloader's page, which the caller reports in its own words).
[[nodiscard]] bool writeFileAtomically(const std::string& path, std::string_view bytes,
                                       Durability durability = Durability::SurvivesPowerLoss);

// Appends bytes to the file, creating it when missing; StoreError when it
// cannot. Only for the run's own files in Temp, which nobody reads while
// they grow.
void appendToFile(const std::string& path, std::string_view bytes);

}  // namespace krv
