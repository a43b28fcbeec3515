#include "acquisition/section_files.h"

#include <algorithm>
#include <filesystem>
#include <future>

#include "acquisition/event_downloads.h"
#include "platform/text.h"

namespace krv {

namespace fs = std::filesystem;

namespace {

// Below this many files a second thread costs more than it saves.
constexpr std::size_t kFilesWorthSplitting = 64;

// "199401087000" of "199401087000.0-17000001.txt": the event a section file
// belongs to.
std::string_view eventOf(const std::string& name) { return std::string_view(name).substr(0, name.find('.')); }

// Where the second part starts: at the first event that begins at or after
// the middle, so that both parts start with an event's first section, which
// names the event. 0 when the list is not worth splitting.
std::size_t secondPartStart(const std::vector<std::string>& names) {
    if (names.size() < kFilesWorthSplitting) return 0;
    std::size_t at = names.size() / 2;
    while (at < names.size() && eventOf(names[at]) == eventOf(names[at - 1])) ++at;
    return at < names.size() ? at : 0;
}

ParsedSections parseRange(const std::string& dataDir, const std::vector<std::string>& names, std::size_t begin,
                          std::size_t end, std::string_view memberId, SectionParseState state) {
    ParsedSections parsed;
    parsed.state = std::move(state);
    std::string bytes;
    for (std::size_t i = begin; i < end; ++i) {
        if (!readFileInto(dataDir + names[i], bytes)) continue;
        parseSectionFile(memberId, names[i], bytes, parsed.state, parsed.gameList, parsed.streak);
    }
    return parsed;
}

}  // namespace

std::vector<std::string> sectionFilesInOrder(const std::string& dataDir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dataDir, ec))
        if (entry.is_regular_file(ec)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> files;
    for (const auto& name : names)
        if (!isOrphanSectionFile(name, names)) files.push_back(name);
    return files;
}

ParsedSections parseSectionFiles(const std::string& dataDir, const std::vector<std::string>& names,
                                 std::string_view memberId, const std::string& eventNameBefore) {
    const SectionParseState start{eventNameBefore};
    const std::size_t split = secondPartStart(names);
    if (split == 0) return parseRange(dataDir, names, 0, names.size(), memberId, start);

    auto second = std::async(std::launch::async, parseRange, std::cref(dataDir), std::cref(names), split, names.size(),
                             memberId, SectionParseState{});
    ParsedSections parsed = parseRange(dataDir, names, 0, split, memberId, start);
    ParsedSections rest = second.get();
    // A second part whose first files have no title took no event name
    // where the files in order would have taken the first part's last one:
    // it is parsed again, after the first part.
    const bool parseAgain = rest.state.usedEarlierName;
    if (parseAgain) {
        SectionParseState carried = parsed.state;
        carried.games = 0;
        rest = parseRange(dataDir, names, split, names.size(), memberId, std::move(carried));
    }
    parsed.gameList += rest.gameList;
    parsed.streak += rest.streak;
    parsed.state.games += rest.state.games;
    if (parseAgain || rest.state.eventNameSeen) parsed.state.eventName = std::move(rest.state.eventName);
    return parsed;
}

}  // namespace krv
