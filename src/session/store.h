// The local store: one directory tree holding everything the program keeps
// between runs, and the three file-system procedures the subsystems share.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace krv {

// The store root and the fixed names below it. Every path is built by plain
// concatenation with "/" separators.
struct StorePaths {
    std::string root;  // no trailing "/"

    std::string results() const { return root + "/Results"; }
    std::string data() const { return root + "/Data"; }
    std::string temp() const { return root + "/Temp"; }
    std::string configFile() const { return root + "/config.txt"; }
    std::string configTmpFile() const { return root + "/config.tmp"; }
    std::string defaultFile() const { return root + "/default.txt"; }
    std::string memberDataDir(const std::string& id) const { return data() + "/" + id + "/"; }
    std::string memberResultsDir(const std::string& id) const { return results() + "/" + id + "/"; }
};

// The store root: the --store argument when given, else $KRV_HOME, else
// ~/KRV.
std::string resolveStoreRoot(const std::optional<std::string>& fromCommandLine);

// True when the file system lists an entry of that name as a directory or
// as a plain file (a plain file named like the directory counts). Never fails.
bool DirExists(const std::string& path);

// True when the file can be opened for reading. Never fails, never creates.
bool FileExists(const std::string& path);

// Removes a directory with everything in it. A trailing "/" is ignored.
// Symbolic links are removed as links and never followed, whether they
// stand inside the directory or in its place: nothing outside the directory
// changes. False when there was no such directory (or link) or it could not
// be removed completely. Never fails.
bool KillFolder(const std::string& path);

// Creates the folder, and the folders above it, when DirExists says it is
// missing; StoreError when it cannot. A plain file of that name is left
// alone: the first write into the folder then reports the failure.
void makeFolder(const std::string& path);

// A member ID is used in paths: it must be exactly 8 digits, so that a text
// like "../../x" never reaches the file system.
bool isSafeMemberId(const std::string& id);

// ---- the ID list ("config.txt") --------------------------------------------

std::optional<std::vector<std::string>> readIdList(const std::string& path);
// Replaces the file whole (atomically); lines end in CR LF. StoreError when
// it cannot.
void writeIdList(const std::string& path, const std::vector<std::string>& lines);

// ---- the settings file ("default.txt") -----------------------------------

struct Settings {
    std::string idBoxText;
    std::string highLowRange;
    std::optional<int> sortColumn;
    std::optional<int> sortCode;
    std::optional<int> individualColumn;
    std::optional<int> individualSortCode;
};

// Reads groups of six lines; the last complete group is in force. A trailing
// group of fewer than six lines (an interrupted write) is ignored. nullopt
// when the file cannot be read or holds no complete group. A number line
// that is not a whole number within the range of int counts as empty.
std::optional<Settings> readSettings(const std::string& path);
// Writes the six lines: lines 1 and 2 as text, lines 3 to 6 in the print
// form (" 3 "); an empty value is written as an empty line. StoreError when
// it cannot.
void writeSettings(const std::string& path, const Settings& settings);

}  // namespace krv
