// A folder of one program's own for the temporary files of its runs, so
// that two programs on one store never share a temporary name. It is named
// "run-" + process id + "-" + a random part, holds a lock file that the
// program keeps locked while it lives, and is removed when the program ends.
// The folder of a program that died keeps its files, but its lock is free:
// that is how the next program tells it from the folder of a live one.
#pragma once

#include <memory>
#include <string>

namespace krv {

class FileLock;

class RunFolder {
public:
    RunFolder();
    ~RunFolder();  // removes the folder and its contents
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    // Creates the folder under parent on the first call and returns its path;
    // later calls return the same path. Throws StoreError when it cannot be
    // created.
    const std::string& create(const std::string& parent);
    bool created() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::unique_ptr<FileLock> lock_;
};

// Removes the run folders under parent that belong to programs that died,
// and leaves those of live programs alone; returns how many were removed.
int removeDeadRunFolders(const std::string& parent);

// Whether a name in the Temp folder is that of a run folder, ready or being
// made.
bool isRunFolderName(const std::string& name);

}  // namespace krv
