// Reads the sample pages the way the program does: by marker strings and
// 1-based character columns within lines. Written from the program's rules,
// not from the page builders, so the tests compare two independent views.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace krv::sample::reader {

std::vector<std::string> lines(std::string_view text);                   // split at LF, as the pages end their lines
std::size_t findNoCase(std::string_view line, std::string_view needle);  // 1-based; 0 when absent
std::string mid(std::string_view line, std::size_t from, std::size_t n = std::string::npos);  // 1-based

// A history page: its page-link lines (holding ID + ".") and event keys
// ("NUMBER.0-ID", from the link line three lines after each "Detail:").
struct HistoryPage {
    int pageLinks = 0;
    std::vector<std::string> keys;
};
HistoryPage readHistory(std::string_view page, std::string_view id);

// A crosstable's section files: each further one starts at its "Section" + n line.
std::vector<std::string> splitSections(std::string_view page);
// The event name from the title line: column 35 up to and including the blank before "(Event".
std::string eventName(std::string_view sectionFile);
// The member's regular-rated games in one section file, found by "ID-", the
// cells at 133 + 6k, the opponent's pair marker and the rating lines' kinds.
int countGames(std::string_view sectionFile, std::string_view memberId);

}  // namespace krv::sample::reader
