#include "session/store.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/store_error.h"
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

namespace {

// Gives the owner full rights on every directory of the tree, so that
// read-only entries can be removed too. Only real directories are touched:
// the mode of whatever a link points to is not the store's to change.
void makeTreeRemovable(const fs::path& dir) {
    std::error_code ignored;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ignored);
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code statusError;
        if (it->symlink_status(statusError).type() == fs::file_type::directory) makeTreeRemovable(it->path());
    }
}

}  // namespace

bool KillFolder(const std::string& path) {
    std::string dir = path;
    if (!dir.empty() && dir.back() == '/') dir.pop_back();
    if (dir.empty()) return false;
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(dir, ec);
    if (fs::is_symlink(own)) {
        // The member's folder is a link: the link goes, not what it points to.
        if (!fs::is_directory(fs::status(dir, ec))) return false;
        return fs::remove(dir, ec) && !ec;
    }
    if (!fs::is_directory(own)) return false;
    makeTreeRemovable(dir);
    // remove_all removes links as links.
    std::error_code removeError;
    fs::remove_all(dir, removeError);
    std::error_code existsError;
    return !removeError && !fs::exists(fs::symlink_status(dir, existsError));
}

void makeFolder(const std::string& path) {
    std::string dir = path;
    // "file/" does not exist where "file" does: the plain file must count.
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (DirExists(dir)) return;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw StoreError(dir, ec.message());
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

void writeIdList(const std::string& path, const std::vector<std::string>& lines) {
    replaceFile(path, joinLinesCrLf(lines));
}

namespace {
// A whole number in the range of int, blanks around it and a leading "+"
// allowed; anything else is malformed and counts as an empty value.
std::optional<int> settingsNumber(const std::string& line) {
    std::string t = trimBlanks(line);
    if (t.size() > 1 && t[0] == '+' && t[1] >= '0' && t[1] <= '9') t.erase(0, 1);
    if (t.empty()) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (error != std::errc() || end != t.data() + t.size()) return std::nullopt;
    return value;
}

std::string settingsLine(const std::optional<int>& value) { return value ? printForm(*value) : std::string(); }
}  // namespace

std::optional<Settings> readSettings(const std::string& path) {
    if (!FileExists(path)) return std::nullopt;
    auto lines = readFileLines(path);
    if (!lines) return std::nullopt;
    std::optional<Settings> inForce;
    for (std::size_t g = 0; g + 6 <= lines->size(); g += 6) {
        const auto& l = *lines;
        inForce = Settings{l[g],
                           l[g + 1],
                           settingsNumber(l[g + 2]),
                           settingsNumber(l[g + 3]),
                           settingsNumber(l[g + 4]),
                           settingsNumber(l[g + 5])};
    }
    return inForce;
}

void writeSettings(const std::string& path, const Settings& s) {
    std::vector<std::string> lines{s.idBoxText,
                                   s.highLowRange,
                                   settingsLine(s.sortColumn),
                                   settingsLine(s.sortCode),
                                   settingsLine(s.individualColumn),
                                   settingsLine(s.individualSortCode)};
    replaceFile(path, joinLinesCrLf(lines));
}

}  // namespace krv
