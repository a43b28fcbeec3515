#include "page_reader.h"

#include <algorithm>
#include <cstring>

namespace krv::sample::reader {

namespace {

std::string trim(std::string_view s) {
    std::size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos) return {};
    return std::string(s.substr(a, s.find_last_not_of(' ') - a + 1));
}

void replaceAll(std::string& s, std::string_view from, std::string_view to) {
    for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
        s.replace(p, from.size(), to);
}

}  // namespace

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            out.emplace_back(text.substr(start));
            break;
        }
        out.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return out;
}

std::size_t findNoCase(std::string_view line, std::string_view needle) {
    std::string l(line), n(needle);
    const char* p = strcasestr(l.c_str(), n.c_str());
    return p ? static_cast<std::size_t>(p - l.c_str()) + 1 : 0;
}

std::string mid(std::string_view line, std::size_t from, std::size_t n) {
    if (from < 1 || from > line.size()) return {};
    return std::string(line.substr(from - 1, n));
}

int pageLinkCount(std::string_view page, std::string_view id) {
    int n = 0;
    for (const std::string& l : lines(page))
        if (findNoCase(l, std::string(id) + ".")) ++n;
    return n;
}

std::optional<std::string> wrongIdLine(std::string_view page, std::string_view id) {
    for (const std::string& l : lines(page)) {
        if (!findNoCase(l, id) || !findNoCase(l, " Error")) continue;
        if (findNoCase(l, "MATCH ERRORS")) return std::nullopt;
        return l;
    }
    return std::nullopt;
}

std::vector<std::string> eventKeys(std::string_view page, std::string_view id) {
    std::vector<std::string> keys;
    std::vector<std::string> ls = lines(page);
    for (std::size_t i = 0; i < ls.size(); ++i) {
        if (!findNoCase(ls[i], "Detail:")) continue;
        if (i + 3 >= ls.size()) break;
        std::string address = "http://host/krv/" + mid(ls[i + 3], 23);
        std::size_t gt = address.find('>');
        if (gt == std::string::npos || gt < 9) {
            keys.push_back("<no link>");
        } else {
            std::string kept = address.substr(0, gt + 1 - 10) + ".0-" + std::string(id);
            std::size_t q = kept.find("XtblMain.php?");
            keys.push_back(q == std::string::npos ? "<bad link>" : kept.substr(q + 13));
        }
        i += 3;
    }
    return keys;
}

std::optional<std::string> memberName(std::string_view page, std::string_view id) {
    std::optional<std::string> name;
    for (const std::string& l : lines(page)) {
        std::size_t p = findNoCase(l, std::string(id) + ":");
        if (!p) continue;
        std::string rest = mid(l, p + 10);
        if (rest.size() >= 11) name = rest.substr(0, rest.size() - 11);
    }
    return name;
}

std::optional<std::string> currentRating(std::string_view page) {
    for (const std::string& l : lines(page)) {
        std::size_t p = findNoCase(l, "Regular Rating");
        if (p) return mid(mid(l, p + 37, 24), 1, 4);
    }
    return std::nullopt;
}

std::vector<std::string> splitSections(std::string_view page) {
    std::vector<std::string> files(1);
    int s = 2;
    for (const std::string& l : lines(page)) {
        if (findNoCase(l, "Section" + std::to_string(s)) && findNoCase(l, "anchor=")) {
            files.emplace_back();
            ++s;
        }
        files.back() += l + "\n";
    }
    return files;
}

std::vector<GameRecord> readGames(std::string_view sectionFile, std::string_view memberId, std::string& eventName) {
    std::vector<GameRecord> out;
    std::vector<std::string> ls = lines(sectionFile);
    std::size_t i = 0;
    for (; i < ls.size(); ++i) {
        if (ls[i].find("Note:") != std::string::npos) break;
        if (ls[i].find("<title>") != std::string::npos) {
            std::size_t p = ls[i].find("(Event");
            long len = p == std::string::npos ? -35 : static_cast<long>(p + 1) - 35;
            eventName = mid(ls[i], 35, len < 0 ? 1 : static_cast<std::size_t>(len));
            replaceAll(eventName, ",", "-");
        }
    }
    std::size_t cellPos = 133;
    for (++i; i + 1 < ls.size(); ++i) {
        const std::string& row = ls[i];
        if (row.find(std::string(memberId) + "-") == std::string::npos) continue;
        const std::string& rating = ls[i + 1];
        std::string pre = mid(rating, 23, 4), post = mid(rating, 32, 4);
        if (mid(rating, 20, 2) == "Q:") continue;
        if (pre == "Unra") pre = "UnR";
        for (; cellPos < row.size(); cellPos += 6) {
            std::string cell = mid(row, cellPos, 5);
            char r = cell.empty() ? ' ' : cell[0];
            if (r != 'W' && r != 'L' && r != 'D') continue;
            std::string marker = ">" + trim(mid(cell, 2, 4)) + "<";
            auto opp = std::find_if(ls.begin(), ls.end(), [&](const std::string& l) { return l.find(marker) != std::string::npos; });
            if (opp == ls.end() || opp + 1 == ls.end()) continue;
            std::size_t digits = marker.size() - 2;
            std::size_t anchor = opp->find(marker) + 1 + digits - 1;
            GameRecord g;
            g.opponentName = mid(*opp, anchor + 41, 32);
            replaceAll(g.opponentName, "</a>", "");
            replaceAll(g.opponentName, ",", "-");
            replaceAll(g.opponentName, "\"", " ");
            g.opponentId = mid(*opp, anchor + 32, 8);
            std::string oppRating = *(opp + 1);
            if (mid(oppRating, 20, 2) == "Q:") continue;
            g.opponentPre = mid(oppRating, 23, 4);
            if (g.opponentPre == "Unra") g.opponentPre = "UnR";
            if (g.opponentId.size() != 8 || pre == "    ") continue;
            g.score = r == 'W' ? " 1" : r == 'L' ? " 0" : " .5";
            g.memberPre = pre;
            g.memberPost = post;
            g.eventName = eventName;
            replaceAll(g.eventName, "\"", "-");
            out.push_back(g);
        }
    }
    return out;
}

}  // namespace krv::sample::reader
