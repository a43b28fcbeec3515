#include "page_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ranges>

namespace krv::sample::reader {

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> out;
    for (auto part : std::views::split(text, '\n')) out.emplace_back(part.begin(), part.end());
    return out;
}

std::size_t findNoCase(std::string_view line, std::string_view needle) {
    std::string l(line), n(needle);
    const char* p = strcasestr(l.c_str(), n.c_str());
    return p ? static_cast<std::size_t>(p - l.c_str()) + 1 : 0;
}

std::string mid(std::string_view line, std::size_t from, std::size_t n) {
    return from < 1 || from > line.size() ? std::string() : std::string(line.substr(from - 1, n));
}

HistoryPage readHistory(std::string_view page, std::string_view id) {
    HistoryPage h;
    const std::vector<std::string> ls = lines(page);
    for (std::size_t i = 0; i < ls.size(); ++i) {
        if (findNoCase(ls[i], std::string(id) + ".")) ++h.pageLinks;
        if (!findNoCase(ls[i], "Detail:") || i + 3 >= ls.size()) continue;
        // from column 23, less the 9 characters before the first ">" and the ">"
        std::string link = mid(ls[i + 3], 23);
        std::size_t gt = link.find('>');
        link = gt == std::string::npos || gt < 9 ? "<no link>" : link.substr(0, gt - 9) + ".0-" + std::string(id);
        h.keys.push_back(link.starts_with("XtblMain.php?") ? link.substr(13) : "<bad link> " + link);
    }
    return h;
}

std::vector<std::string> splitSections(std::string_view page) {
    std::vector<std::string> files(1);
    for (const std::string& l : lines(page)) {
        if (findNoCase(l, "Section" + std::to_string(files.size() + 1)) && findNoCase(l, "anchor="))
            files.emplace_back();
        files.back() += l + "\n";
    }
    return files;
}

std::string eventName(std::string_view sectionFile) {
    for (const std::string& l : lines(sectionFile)) {
        std::size_t p = l.find("(Event");
        if (l.find("<title>") != std::string::npos)
            return mid(l, 35, p == std::string::npos || p + 1 < 35 ? 1 : p + 1 - 35);
    }
    return {};
}

int countGames(std::string_view sectionFile, std::string_view memberId) {
    const std::vector<std::string> ls = lines(sectionFile);
    auto lineWith = [&](const std::string& s) {
        return std::find_if(ls.begin(), ls.end(), [&](const std::string& l) { return l.find(s) != std::string::npos; });
    };
    int games = 0;
    std::size_t cellPos = 133;  // as the program's, not reset from row to row
    for (auto row = lineWith("Note:"); row < ls.end() && ++row < ls.end() - 1;) {
        if (row->find(std::string(memberId) + "-") == std::string::npos || mid(row[1], 20, 2) == "Q:" ||
            mid(row[1], 23, 4) == "    ")
            continue;
        for (; cellPos < row->size(); cellPos += 6) {
            const char result = (*row)[cellPos - 1];
            const std::string marker = ">" + std::to_string(std::atoi(mid(*row, cellPos + 1, 4).c_str())) + "<";
            auto opp = lineWith(marker);
            // a game against a regular-rated row whose ID stands 32 columns past the anchor (the column
            // before the pair number's last digit)
            games += (result == 'W' || result == 'L' || result == 'D') && opp < ls.end() - 1 &&
                     mid(opp[1], 20, 2) != "Q:" && mid(*opp, opp->find(marker) + marker.size() - 2 + 32, 8).size() == 8;
        }
    }
    return games;
}

}  // namespace krv::sample::reader
