// The catalog of sample events and members.
#include "sample_internal.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

namespace krv::sample {

namespace {

using namespace std::chrono;

std::string_view fileBytes(std::string_view name) {
    for (const EmbeddedFile& f : embeddedFiles())
        if (f.name == name) return f.bytes;
    throw std::runtime_error("sample data file missing: " + std::string(name));
}

// events.txt: "NUMBER FILE NAME", '#' comments.
std::vector<Event> loadDataEvents() {
    std::vector<Event> events;
    std::string_view index = fileBytes("events.txt");
    std::size_t start = 0;
    while (start < index.size()) {
        std::size_t end = index.find('\n', start);
        if (end == std::string_view::npos) end = index.size();
        std::string line(index.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        std::size_t a = line.find(' ');
        std::size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
        if (b == std::string::npos) throw std::runtime_error("events.txt: bad line: " + line);
        Event ev;
        ev.number = line.substr(0, a);
        ev.name = line.substr(b + 1);
        std::string file = line.substr(a + 1, b - a - 1);
        try {
            ev.sections = parseCrosstableText(fileBytes(file));
        } catch (const std::runtime_error& e) { throw std::runtime_error(file + ": " + e.what()); }
        events.push_back(std::move(ev));
    }
    return events;
}

const Player* findPlayer(const std::vector<Event>& events, std::string_view number, std::string_view id) {
    for (const Event& e : events)
        if (e.number == number)
            for (const Section& s : e.sections)
                for (const Player& p : s.players)
                    if (p.id == id) return &p;
    return nullptr;
}

std::vector<Event> allBundledEvents() {
    std::vector<Event> events = loadDataEvents();

    // The multi-page member: her first event is the three-section one in the
    // data files; a decade of generated events follows it.
    const Player* start = findPlayer(events, kThreeSectionEventNumber, kMultiSectionMemberId);
    if (!start) throw std::runtime_error("three-section event lacks the multi-page member");
    HistoryPlan m2;
    m2.memberId = std::string(kMultiSectionMemberId);
    m2.memberName = start->name;
    m2.state = start->state;
    m2.events = 120;
    m2.firstDate = sys_days(year{2014} / January / 11);
    m2.minGapDays = 21;
    m2.maxGapDays = 40;
    m2.startRating = std::stoi(start->postRating);
    m2.minRounds = 3;
    m2.maxRounds = 5;
    m2.minPlayers = 6;
    m2.maxPlayers = 14;
    m2.eventSerialBase = 5000;
    m2.twoSectionsEvery = 8;
    m2.opponentIdDigit = '4';
    m2.opponentPool = 250;
    m2.seed = 0x4d32;
    for (Event& e : generateHistory(m2)) events.push_back(std::move(e));

    // The benchmark member: one six-round event a week for 31 years.
    HistoryPlan bench;
    bench.memberId = std::string(kBenchmarkMemberId);
    bench.memberName = "ADELAIDE MARCHETTI";
    bench.state = "MI";
    bench.events = 1600;
    bench.firstDate = sys_days(year{1994} / January / 8);
    bench.startRating = 1450;
    bench.minPlayers = 8;
    bench.maxPlayers = 12;
    bench.eventSerialBase = 7000;
    bench.opponentIdDigit = '5';
    bench.opponentPool = 600;
    bench.seed = 0xbe4c;
    for (Event& e : generateHistory(bench)) events.push_back(std::move(e));

    // A busy member of today's size: about 300 events on 6 history pages,
    // for counting what one first update costs the site.
    HistoryPlan busy;
    busy.memberId = std::string(kBusyMemberId);
    busy.memberName = "CORNELIA FAIRWEATHER";
    busy.state = "OR";
    busy.events = 300;
    busy.firstDate = sys_days(year{2018} / January / 6);
    busy.startRating = 1610;
    busy.minRounds = 4;
    busy.maxRounds = 5;
    busy.minPlayers = 6;
    busy.maxPlayers = 10;
    busy.eventSerialBase = 8000;
    busy.opponentIdDigit = '6';
    busy.opponentPool = 300;
    busy.seed = 0x300e;
    for (Event& e : generateHistory(busy)) events.push_back(std::move(e));
    return events;
}

bool isDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

}  // namespace

const Catalog& Catalog::bundled() {
    static const Catalog catalog(allBundledEvents());
    return catalog;
}

Catalog::Catalog(std::vector<Event> events) : events_(std::move(events)) {
    std::stable_sort(events_.begin(), events_.end(),
                     [](const Event& a, const Event& b) { return a.number < b.number; });
    for (std::size_t i = 1; i < events_.size(); ++i)
        if (events_[i].number == events_[i - 1].number)
            throw std::runtime_error("two sample events numbered " + events_[i].number);
    std::map<std::string, Member> byId;
    for (const Event& e : events_)
        for (const Section& s : e.sections)
            for (const Player& p : s.players) {
                Member& m = byId[p.id];
                m.id = p.id;
                m.name = p.name;  // events ascend, so the newest name stays
                m.history.push_back({&e, &s, &p});
            }
    for (auto& [id, m] : byId) {
        std::reverse(m.history.begin(), m.history.end());
        members_.push_back(std::move(m));
    }
}

const Event* Catalog::findEvent(std::string_view number) const {
    auto it = std::lower_bound(events_.begin(), events_.end(), number,
                               [](const Event& e, std::string_view n) { return e.number < n; });
    return it != events_.end() && it->number == number ? &*it : nullptr;
}

const Member* Catalog::findMember(std::string_view id) const {
    auto it = std::lower_bound(members_.begin(), members_.end(), id,
                               [](const Member& m, std::string_view n) { return m.id < n; });
    return it != members_.end() && it->id == id ? &*it : nullptr;
}

std::vector<const Member*> Catalog::members() const {
    std::vector<const Member*> out;
    for (const Member& m : members_) out.push_back(&m);
    return out;
}

MemberSummary Catalog::summary(const Member& member) const {
    MemberSummary s;
    s.id = member.id;
    s.name = member.name;
    s.events = static_cast<int>(member.history.size());
    s.historyPages = std::max(1, (s.events + kEventsPerHistoryPage - 1) / kEventsPerHistoryPage);
    for (const Appearance& a : member.history) {
        if (a.event->sections.size() > 1) ++s.multiSection;
        if (a.player->kind == "Q:") {
            ++s.quickRows;
            continue;
        }
        if (a.player->preRating.empty()) continue;  // a pre-rating of four blanks gives no records
        for (const Cell& c : a.player->cells) {
            if (c.result != 'W' && c.result != 'L' && c.result != 'D') continue;
            if (c.opponent < 1 || c.opponent > static_cast<int>(a.section->players.size())) continue;
            if (a.section->players[static_cast<std::size_t>(c.opponent - 1)].kind == "Q:") continue;
            ++s.ratedGames;
        }
    }
    return s;
}

std::vector<std::string> Catalog::problems() const {
    std::vector<std::string> out;
    std::map<std::string, std::string> nameOf;
    for (const Event& e : events_) {
        std::string where = "event " + e.number;
        if (e.number.size() != 12 || !isDigits(e.number)) out.push_back(where + ": event number is not 12 digits");
        if (e.name.empty() || e.name.find("(Event") != std::string::npos) out.push_back(where + ": unusable name");
        std::map<std::string, int> seen;
        for (const Section& s : e.sections) {
            std::string sw = where + " section " + std::to_string(s.number);
            for (std::size_t k = 0; k < s.players.size(); ++k) {
                const Player& p = s.players[k];
                std::string pw = sw + " pair " + std::to_string(p.pair);
                if (p.pair != static_cast<int>(k) + 1) out.push_back(pw + ": pair number out of order");
                if (p.id.size() != 8 || !isDigits(p.id)) out.push_back(pw + ": ID is not 8 digits");
                if (p.name.empty() || p.name.size() > 32) out.push_back(pw + ": name empty or longer than 32");
                if (p.kind != "R:" && p.kind != "Q:") out.push_back(pw + ": unknown rating kind");
                if (++seen[p.id] > 1) out.push_back(pw + ": plays twice in one event");
                auto [it, fresh] = nameOf.emplace(p.id, p.name);
                if (!fresh && it->second != p.name) out.push_back(pw + ": ID " + p.id + " also named " + it->second);
                if (static_cast<int>(p.cells.size()) != s.rounds) out.push_back(pw + ": wrong number of cells");
                for (std::size_t r = 0; r < p.cells.size(); ++r) {
                    const Cell& c = p.cells[r];
                    bool played = c.result == 'W' || c.result == 'L' || c.result == 'D';
                    if (!played) {
                        if (c.opponent) out.push_back(pw + ": unplayed cell with an opponent");
                        continue;
                    }
                    if (c.opponent < 1 || c.opponent > static_cast<int>(s.players.size()) || c.opponent == p.pair) {
                        out.push_back(pw + ": opponent out of range");
                        continue;
                    }
                    const Cell& back = s.players[static_cast<std::size_t>(c.opponent - 1)].cells.at(r);
                    char mirror = c.result == 'W' ? 'L' : c.result == 'L' ? 'W' : 'D';
                    if (back.opponent != p.pair || back.result != mirror)
                        out.push_back(pw + " round " + std::to_string(r + 1) + ": result not mirrored");
                }
            }
        }
    }
    return out;
}

const std::vector<BundledMember>& bundledMembers() {
    static const std::vector<BundledMember> list{
        {kRealCrosstableMemberId,
         "from the real 64-player crosstable: bye, half-point bye, provisional ratings below 1000"},
        {kMultiSectionMemberId,
         "three history pages, a three-section event (she plays section 3), two-section events, 2013-2023, a MATCH "
         "ERRORS line"},
        {kUnratedStartMemberId,
         "starts unrated, unrated opponents, two events on one date, a quick-rated row, an event name with a comma and "
         "a double quote"},
        {kOnePageMemberId, "a single history page: no page-link lines"},
        {kQuickOnlyMemberId, "quick-rated events only: no regular-rated games"},
        {kLargeEventMemberId,
         "a 118-player event: three-digit pair numbers, opponents with 31- and 32-character names"},
        {kBenchmarkMemberId, "generated: 1,600 events of 6 rounds, 32 history pages"},
        {kBusyMemberId, "generated: 300 events, 6 history pages, for counting the connections of a first update"},
    };
    return list;
}

}  // namespace krv::sample
