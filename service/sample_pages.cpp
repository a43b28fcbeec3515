// The HTML pages of the sample rating service.
//
// The program reads these pages by fixed marker strings and fixed character
// columns, so every line that carries something it extracts is composed to
// the column, and no other line may carry its markers: no ">" + number + "<"
// outside a player's own row, no "Detail:", "Note:", "anchor=" or member ID
// followed by "." or ":" where the program would take it for its own.
#include "sample_pages.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace krv::sample {

namespace {

constexpr std::string_view kHtmlType = "text/html; charset=iso-8859-1";
// The third line after "Detail:" carries the crosstable link from this column.
constexpr std::string_view kLinkLead = "<td width=40%><a href=";
static_assert(kLinkLead.size() + 1 == kHistoryLinkColumn);
// The event name starts in column 35 of the "<title>" line.
constexpr std::string_view kTitleLead = "<title>Rating Service Crosstable: ";
static_assert(kTitleLead.size() + 1 == 35);
constexpr std::string_view kHead = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\n";

std::string pad(std::string s, std::size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

std::string trimmed(std::string_view s) {
    std::size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos) return {};
    std::size_t b = s.find_last_not_of(' ');
    return std::string(s.substr(a, b - a + 1));
}

std::string isoDate(std::string_view number) {
    return std::string(number.substr(0, 4)) + "-" + std::string(number.substr(4, 2)) + "-" +
           std::string(number.substr(6, 2));
}

// Text echoed from a request goes into the page escaped.
std::string escapeHtml(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string sectionLabel(const Section& s) {
    std::string label = "Section " + std::to_string(s.number);
    if (!s.title.empty()) label += " - " + s.title;
    return label;
}

// The first line of a player: the pair number as ">" + number + "<" with its
// last digit in column 50, the ID 32 columns right of the column before that
// digit and the name 41 columns right of it, followed at once by "</a>";
// the visible text keeps the plain-text columns, so result cells start at 133.
std::string rowLine(const Event& ev, const Section& s, const Player& p) {
    std::string digits = std::to_string(p.pair);
    char sec[8];
    std::snprintf(sec, sizeof sec, "%02d", s.number % 100);
    std::string tag = "<a href=XtblPlr.php?" + ev.number + "-" + p.id + "-" + sec + ">";
    std::string line(kPairDigitColumn - digits.size() - tag.size(), ' ');
    line += tag + digits + "</a> | <a href=MbrDtlMain.php?" + p.id + ">" + p.name + "</a>";
    line.append(32 - std::min<std::size_t>(32, p.name.size()), ' ');
    line += "|" + pad(p.total, 5) + "|";
    for (const Cell& c : p.cells) {
        std::string opp = c.opponent ? std::to_string(c.opponent) : "";
        line += std::string(1, c.result) + std::string(4 - opp.size(), ' ') + opp + "|";
    }
    return line;
}

// The second line of a player, exactly as in the plain-text layout: kind at
// columns 20-21, pre-event rating at 23, post-event rating at 32.
std::string ratingLine(const Player& p) {
    std::string state = p.state.size() < 5 ? std::string(5 - p.state.size(), ' ') + p.state : p.state;
    std::string line = state + " | " + p.id + " / " + p.kind + " " + pad(p.preRating, 7) + "->" + pad(p.postRating, 9) +
                       "|" + pad(p.norm, 5) + "|";
    for (const Cell& c : p.cells) line += std::string(1, c.color) + "    |";
    return line;
}

std::string sectionTable(const Event& ev, const Section& s) {
    std::string dash(47 + kCellSpacing * static_cast<std::size_t>(s.rounds), '-');
    std::string out = "<pre>\n" + dash + "\n";
    out += " Pair | Player Name                     |Total";
    for (int r = 0; r < s.rounds; ++r) out += "|Round";
    out += "| \n Num  | USCF ID / Rtg (Pre->Post)       | Pts ";
    for (int r = 1; r <= s.rounds; ++r)
        out += r < 10 ? "|  " + std::to_string(r) + "  " : "| " + std::to_string(r) + "  ";
    out += "| \n" + dash + "\n";
    for (const Player& p : s.players) out += rowLine(ev, s, p) + "\n" + ratingLine(p) + "\n" + dash + "\n";
    out += "</pre>\n";
    return out;
}

std::string memberNameLine(std::string_view id, std::string_view name) {
    // the name runs from 10 columns after the ID to 11 characters before the line end
    return "<tr><td><font size=+1><b>" + std::string(id) + ": " + std::string(name) + "</b></font>\n</td></tr>\n";
}

const Player* latestRegular(const Member& m) {
    for (const Appearance& a : m.history)
        if (a.player->kind == "R:" && !trimmed(a.player->postRating).empty()) return a.player;
    return nullptr;
}

const Player* latestQuick(const Member& m) {
    for (const Appearance& a : m.history)
        if (a.player->kind == "Q:" && !trimmed(a.player->postRating).empty()) return a.player;
    return nullptr;
}

// A rating as the member pages show it: right-aligned in 4 columns with any
// provisional mark after, so the 4 columns the program takes are the number.
std::string ratingShown(const Player* p) {
    if (!p || p->postRating == "Unrated") return "Unrated";
    return p->postRating;
}

bool parseInt(std::string_view s, int& out) {
    if (s.empty() || s.size() > 6) return false;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && ptr == s.data() + s.size();
}

}  // namespace

std::string unknownMemberPage(std::string_view memberId) {
    std::string id = escapeHtml(memberId);
    return "<html>\n<head>\n<title>Rating Service - Member Lookup</title>\n" + std::string(kHead) +
           "</head>\n<body bgcolor=#ffffff>\n<h3>Member Lookup</h3>\n<p>\n" + id +
           " Error: no member with this ID is on file.\n</p>\n<p>Check the number and try "
           "again.</p>\n</body>\n</html>\n";
}

std::string historyPage(const Catalog& catalog, std::string_view memberId, int page) {
    const Member* m = catalog.findMember(memberId);
    if (!m) return unknownMemberPage(memberId);
    const int events = static_cast<int>(m->history.size());
    const int pages = std::max(1, (events + kEventsPerHistoryPage - 1) / kEventsPerHistoryPage);
    const int shown = page == 0 ? 1 : page;
    const std::string& id = m->id;

    std::string out = "<html>\n<head>\n<title>Rating Service - Tournament History of " + id + "</title>\n" +
                      std::string(kHead) +
                      "</head>\n<body bgcolor=#ffffff>\n<table width=100% border=0 cellpadding=2>\n";
    out += memberNameLine(id, m->name);
    out += "<tr><td><a href=MbrDtlMain.php?" + id + ">General</a> | <b>Tournament History</b></td></tr>\n";
    if (id == kMultiSectionMemberId)
        out += "<tr><td><small>Member " + id +
               " Errors in a crosstable? Report MATCH ERRORS to the rating office, quoting the event "
               "number.</small></td></tr>\n";
    if (pages > 1) {
        // one line per page: the program counts these lines on the first page
        out += "<tr><td>History pages:\n";
        for (int k = 1; k <= pages; ++k)
            out += "<a href=MbrDtlTnmtHst.php?" + id + "." + std::to_string(k) + ">[" + std::to_string(k) + "]</a>\n";
        out += "</td></tr>\n";
    }
    out += "</table>\n";

    const int first = (shown - 1) * kEventsPerHistoryPage;
    const int last = std::min(events, first + kEventsPerHistoryPage);
    if (first >= events) {
        out += "<p>No events on this page.</p>\n";
    } else {
        out += "<p>Events " + std::to_string(first + 1) + " to " + std::to_string(last) + " of " +
               std::to_string(events) + ", newest first.</p>\n";
        out += "<table border=1 cellpadding=2>\n";
        out +=
            "<tr><th>End Date<br>Event Number</th><th>Section</th><th>Rating Before and After</th><th>Event "
            "Name</th></tr>\n";
        for (int k = first; k < last; ++k) {
            const Appearance& a = m->history[static_cast<std::size_t>(k)];
            const Player& p = *a.player;
            out += "<tr>\n";
            out +=
                "<td nowrap>" + isoDate(a.event->number) + "<br><small>Detail: " + a.event->number + "</small></td>\n";
            out += "<td nowrap>" + sectionLabel(*a.section) + "</td>\n";
            out += "<td nowrap>" + p.kind + " " + trimmed(p.preRating) + " =&gt; " + trimmed(p.postRating) + "</td>\n";
            out += std::string(kLinkLead) + "XtblMain.php?" + a.event->number + "-" + id + ">" + a.event->name +
                   "</a></td>\n";
            out += "</tr>\n";
        }
        out += "</table>\n";
    }
    out += "<p><small>Ratings after an event are official once the event is rated.</small></p>\n</body>\n</html>\n";
    return out;
}

std::string crosstablePage(const Event& ev) {
    // the event name runs from column 35 of the title line to just before "(Event"
    std::string out = "<html>\n<head>\n" + std::string(kTitleLead) + ev.name + " (Event " + ev.number + ")</title>\n" +
                      std::string(kHead) + "</head>\n<body bgcolor=#ffffff>\n";
    out += "<h2>" + ev.name + "</h2>\n";
    std::size_t players = ev.playerCount();
    out += "<p>Event " + ev.number + ", ended " + isoDate(ev.number) + ". " + std::to_string(players) +
           (players == 1 ? " player" : " players") + " in " + std::to_string(ev.sections.size()) +
           (ev.sections.size() == 1 ? " section" : " sections") + ".</p>\n";
    if (ev.sections.size() > 1) {
        out += "<p>Sections:";
        for (const Section& s : ev.sections)
            out += " <a href=#Section" + std::to_string(s.number) + ">" + sectionLabel(s) + "</a>";
        out += "</p>\n";
    }
    for (const Section& s : ev.sections) {
        // the program stores each section from this line on as a file of its own
        out += "<hr><a name=Section" + std::to_string(s.number) + " id=anchor=Section" + std::to_string(s.number) +
               "></a><h3>" + sectionLabel(s) + "</h3>\n";
        out +=
            "<p>Note: ratings are shown before and after the event; P marks a provisional rating and the games "
            "it rests on. Players are listed in final standing.</p>\n";
        out += sectionTable(ev, s);
    }
    out += "<hr>\n<p><small>Crosstable as rated.</small></p>\n</body>\n</html>\n";
    return out;
}

std::string memberMainPage(const Catalog& catalog, std::string_view memberId) {
    const Member* m = catalog.findMember(memberId);
    if (!m) return unknownMemberPage(memberId);
    const Player* regular = latestRegular(*m);
    const Player* quick = latestQuick(*m);
    const Player& newest = *m->history.front().player;
    std::string out = "<html>\n<head>\n<title>Rating Service - Member Details of " + m->id + "</title>\n" +
                      std::string(kHead) +
                      "</head>\n<body bgcolor=#ffffff>\n<table width=100% border=0 cellpadding=2>\n";
    out += memberNameLine(m->id, m->name);
    out += "<tr><td>State</td><td colspan=2>" + newest.state + "</td></tr>\n";
    // the rating's 4 columns start 37 characters after the "R" of the label
    std::string lead = "<tr><td>Regular Rating";
    std::string gap = "</td><td colspan=2>";
    gap.append(23 - gap.size() - 3, ' ');
    gap += "<b>";
    out += lead + gap + ratingShown(regular) + "</b> (events on file up to " +
           isoDate(m->history.front().event->number) + ")</td></tr>\n";
    out += "<tr><td>Quick Rating</td><td colspan=2><b>" + ratingShown(quick) + "</b></td></tr>\n";
    out += "<tr><td>Events on file</td><td colspan=2>" + std::to_string(m->history.size()) + "</td></tr>\n";
    out += "<tr><td colspan=3><a href=MbrDtlTnmtHst.php?" + m->id + ">Tournament History</a></td></tr>\n";
    out += "</table>\n</body>\n</html>\n";
    return out;
}

PageAnswer answerPageRequest(const Catalog& catalog, std::string_view target) {
    auto html = [](int status, std::string body) {
        return PageAnswer{status, std::string(kHtmlType), std::move(body)};
    };
    auto notFound = [&](std::string_view what) {
        return html(404, "<html>\n<head><title>Not Found</title></head>\n<body>\n<h3>Not Found</h3>\n<p>" +
                             escapeHtml(what) + "</p>\n</body>\n</html>\n");
    };
    std::size_t q = target.find('?');
    std::string_view path = target.substr(0, q);
    std::string_view query = q == std::string_view::npos ? std::string_view() : target.substr(q + 1);

    if (path == "/krv/MbrDtlTnmtHst.php") {
        std::size_t dot = query.find('.');
        std::string_view id = query.substr(0, dot);
        int page = 0;
        if (dot != std::string_view::npos && (!parseInt(query.substr(dot + 1), page) || page < 1))
            return notFound("No such history page.");
        return html(200, historyPage(catalog, id, page));
    }
    if (path == "/krv/MbrDtlMain.php") return html(200, memberMainPage(catalog, query));
    if (path == "/krv/XtblMain.php") {
        // KEY = event number, optionally ".0-" and the requesting member's ID
        const Event* ev = catalog.findEvent(query.substr(0, 12));
        if (query.size() < 12 || !ev) return notFound("No such event.");
        return html(200, crosstablePage(*ev));
    }
    return notFound("No such page.");
}

}  // namespace krv::sample
