#include "shell/store.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace krv {

std::string resolveStoreRoot(const std::optional<std::string>& fromCommandLine) {
    std::string root;
    if (fromCommandLine && !fromCommandLine->empty()) root = *fromCommandLine;
    else if (const char* home = std::getenv("KRV_HOME"); home && *home) root = home;
    else if (const char* user = std::getenv("HOME"); user && *user) root = std::string(user) + "/KRV";
    else root = "KRV";
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

bool DirExists(const std::string& path) {
    std::error_code ec;
    auto status = fs::status(path, ec);
    if (ec) return false;
    return fs::is_directory(status) || fs::is_regular_file(status);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool KillFolder(const std::string& path) {
    std::string dir = path;
    if (!dir.empty() && dir.back() == '/') dir.pop_back();
    std::error_code ec;
    if (dir.empty() || !fs::is_directory(fs::symlink_status(dir, ec))) return false;
    // Read-only entries go as well: make everything writable first.
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::error_code ignored;
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    std::error_code removeError;
    fs::remove_all(dir, removeError);
    std::error_code existsError;
    return !removeError && !fs::exists(fs::symlink_status(dir, existsError));
}

bool isSafeMemberId(const std::string& id) {
    if (id.size() != 8) return false;
    for (char c : id)
        if (c < '0' || c > '9') return false;
    return true;
}

std::optional<std::vector<std::string>> readIdList(const std::string& path) {
    if (!FileExists(path)) return std::nullopt;
    return readFileLines(path);
}

bool writeIdList(const std::string& path, const std::vector<std::string>& lines) {
    return writeFileAtomically(path, joinLinesCrLf(lines));
}

namespace {
std::optional<int> settingsNumber(const std::string& line) {
    std::string t = trimBlanks(line);
    if (t.empty()) return std::nullopt;
    return static_cast<int>(numericValue(t));
}

std::string settingsLine(const std::optional<int>& value) {
    return value ? printForm(*value) : std::string();
}
}  // namespace

std::optional<Settings> readSettings(const std::string& path) {
    if (!FileExists(path)) return std::nullopt;
    auto lines = readFileLines(path);
    if (!lines) return std::nullopt;
    std::optional<Settings> inForce;
    for (std::size_t g = 0; g + 6 <= lines->size(); g += 6) {
        const auto& l = *lines;
        inForce = Settings{l[g], l[g + 1], settingsNumber(l[g + 2]), settingsNumber(l[g + 3]),
                           settingsNumber(l[g + 4]), settingsNumber(l[g + 5])};
    }
    return inForce;
}

bool writeSettings(const std::string& path, const Settings& s) {
    std::vector<std::string> lines{s.idBoxText,                  s.highLowRange,
                                   settingsLine(s.sortColumn),   settingsLine(s.sortCode),
                                   settingsLine(s.individualColumn), settingsLine(s.individualSortCode)};
    return writeFileAtomically(path, joinLinesCrLf(lines));
}

}  // namespace krv
