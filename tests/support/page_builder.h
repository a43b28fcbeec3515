// Small rating-service pages for tests, laid out column for column the way
// the service lays out its pages: a member's history page, an event's
// crosstable and a member's main page.
#pragma once

#include <string>
#include <vector>

namespace krv::testing {

// One crosstable row: the pair number, the player and the result cells
// ("W   2", "D  12", "B    ", ...).
struct PagePlayer {
    int pair = 1;
    std::string id;
    std::string name;
    std::string kind = "R:";
    std::string pre;  // as shown: "1500", "Unrated"
    std::string post;
    std::vector<std::string> cells;
};

using PageSection = std::vector<PagePlayer>;

inline std::string padRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

inline std::string crosstableRow(const std::string& eventNumber, const PagePlayer& p) {
    std::string pair = std::to_string(p.pair);
    std::string line(5 - pair.size(), ' ');
    line += "<a href=XtblPlr.php?" + eventNumber + "-" + p.id + "-01>" + pair + "</a> | <a href=MbrDtlMain.php?" +
            p.id + ">" + padRight(p.name + "</a>", 36) + "|0.0  |";
    for (const auto& cell : p.cells) line += padRight(cell, 5) + "|";
    return line;
}

inline std::string ratingRow(const PagePlayer& p) {
    std::string line =
        "   MI | " + p.id + " / " + p.kind + " " + padRight(p.pre, 7) + "->" + padRight(p.post, 9) + "|     |";
    for (std::size_t i = 0; i < p.cells.size(); ++i) line += "W    |";
    return line;
}

// A crosstable page, lines ended by LF as the service sends them.
inline std::string crosstablePage(const std::string& eventNumber, const std::string& eventName,
                                  const std::vector<PageSection>& sections) {
    std::string page = "<html>\n<head>\n<title>Rating Service Crosstable: " + eventName + " (Event " + eventNumber +
                       ")</title>\n</head>\n<body>\n<h2>" + eventName + "</h2>\n";
    for (std::size_t s = 0; s < sections.size(); ++s) {
        std::string n = std::to_string(s + 1);
        page += "<hr><a name=Section" + n + " id=anchor=Section" + n + "></a><h3>Section " + n + "</h3>\n";
        page += "<p>Note: ratings before and after the event.</p>\n<pre>\n";
        for (const auto& player : sections[s]) {
            page += "-----------------------------------------------\n";
            page += crosstableRow(eventNumber, player) + "\n" + ratingRow(player) + "\n";
        }
        page += "</pre>\n";
    }
    page += "</body>\n</html>\n";
    return page;
}

// A history page listing the given event numbers, with `pageLinks` links to
// numbered history pages (0 for a member with one page).
inline std::string historyPage(const std::string& id, const std::string& name,
                               const std::vector<std::string>& eventNumbers, int pageLinks) {
    std::string page = "<html>\n<head>\n<title>Rating Service - Tournament History of " + id +
                       "</title>\n</head>\n<body>\n<table>\n<tr><td><font size=+1><b>" + id + ": " + name +
                       "</b></font>\n</td></tr>\n";
    for (int k = 1; k <= pageLinks; ++k)
        page += "<a href=MbrDtlTnmtHst.php?" + id + "." + std::to_string(k) + ">[" + std::to_string(k) + "]</a>\n";
    page += "</table>\n<table border=1>\n";
    for (const auto& number : eventNumbers) {
        page += "<tr>\n<td nowrap>" + number.substr(0, 8) + "<br><small>Detail: " + number + "</small></td>\n";
        page += "<td nowrap>Section 1</td>\n<td nowrap>R: 1500 =&gt; 1510</td>\n";
        page += "<td width=40%><a href=XtblMain.php?" + number + "-" + id + ">EVENT " + number + "</a></td>\n</tr>\n";
    }
    page += "</table>\n</body>\n</html>\n";
    return page;
}

// The page the service shows for an ID it does not hold.
inline std::string unknownMemberPage(const std::string& id) {
    return "<html>\n<body>\n<p>" + id + " Error: no such member.</p>\n</body>\n</html>\n";
}

inline std::string mainPage(const std::string& id, const std::string& name, const std::string& rating) {
    return "<html>\n<body>\n<table>\n<tr><td><b>" + id + ": " + name +
           "</b></td></tr>\n<tr><td>Regular Rating</td><td colspan=2> <b>" + rating +
           "</b> (events on file)</td></tr>\n</table>\n</body>\n</html>\n";
}

}  // namespace krv::testing
