// Generated histories: many small round-robin events around one member.
//
// Used for the member with several history pages and for the benchmark
// member with well over a thousand events. Only a fixed-seed generator of our
// own and integer arithmetic are used, so every build yields the same events.
#include "sample_internal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>

namespace krv::sample {

namespace {

// splitmix64: small, fast and the same on every platform (the standard
// library's distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int range(int lo, int hi) {  // lo..hi inclusive
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    int permille() { return range(0, 999); }

private:
    std::uint64_t state_;
};

constexpr std::array kFirst{"ALICE",   "BORIS",    "CECILIA",  "DMITRI",    "ELEANOR",  "FREDERICK", "GRETCHEN",
                            "HAROLD",  "INGRID",   "JEROME",   "KATRINA",   "LEOPOLD",  "MATILDA",   "NATHANIEL",
                            "OPHELIA", "PERCIVAL", "ROSAMUND", "SEBASTIAN", "THEODORA", "ULRICH",    "VALERIE",
                            "WINSTON", "YOLANDA",  "ZEBEDIAH", "AUGUST",    "BLANCHE",  "CASPAR",    "DOROTHEA",
                            "ERASMUS", "FELICITY", "GUSTAV",   "HENRIETTA"};
constexpr std::array kMiddle{"", "", "", "A", "B", "C", "E", "G", "H", "J", "M", "P", "R", "T"};
constexpr std::array kLast{
    "ASHWORTH",  "BRADDOCK",   "CROWTHER",   "DELACROIX", "EBERHARDT",  "FINCHLEY", "GARRICK",      "HUXTABLE",
    "ISHERWOOD", "JOLLIFFE",   "KETTERING",  "LUDLOW",    "MERRIVALE",  "NORTHAM",  "OAKESHOTT",    "PRIESTLEY",
    "QUENNELL",  "ROWNTREE",   "SACKVILLE",  "TUNSTALL",  "UTTERIDGE",  "VERNON",   "WOLSTENHOLME", "YELVERTON",
    "ARBUTHNOT", "BLENKINSOP", "CATTERMOLE", "DIMBLEBY",  "EGGLESTONE", "FANSHAWE", "GREATOREX",    "HEPPLEWHITE"};
constexpr std::array kStates{"MI", "MI", "MI", "OH", "IN", "ON", "WI", "IL", "PA", "NY"};
constexpr std::array kPlaces{"LAKESIDE",    "RIVERBEND",   "OAKWOOD",      "PINE HILLS", "CEDAR POINT", "MAPLE GROVE",
                             "STONEBRIDGE", "HARBOR TOWN", "WILLOW CREEK", "NORTHGATE",  "EASTWOOD",    "FOX VALLEY"};
constexpr std::array kKinds{
    "OPEN",         "SWISS",       "ACTION SWISS", "CLASSIC",     "G/60 SWISS",   "TUESDAY NIGHT SWISS",
    "CHAMPIONSHIP", "WINTER OPEN", "SPRING SWISS", "SUMMER OPEN", "FALL CLASSIC", "MEMORIAL"};

struct PoolPlayer {
    std::string id, name, state;
    int rating = 0;
};

std::vector<PoolPlayer> makePool(const HistoryPlan& plan, Rng& rng) {
    std::vector<PoolPlayer> pool;
    std::set<std::string> ids{plan.memberId};
    std::set<std::string> names{plan.memberName};
    while (static_cast<int>(pool.size()) < plan.opponentPool) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%c%07d", plan.opponentIdDigit, rng.range(0, 9999999));
        std::string name = kFirst[static_cast<std::size_t>(rng.range(0, kFirst.size() - 1))];
        std::string middle = kMiddle[static_cast<std::size_t>(rng.range(0, kMiddle.size() - 1))];
        if (!middle.empty()) name += " " + middle;
        name += " ";
        name += kLast[static_cast<std::size_t>(rng.range(0, kLast.size() - 1))];
        if (!ids.insert(buf).second || !names.insert(name).second) continue;
        pool.push_back(
            {buf, name, kStates[static_cast<std::size_t>(rng.range(0, kStates.size() - 1))], rng.range(900, 2200)});
    }
    return pool;
}

std::string ratingText(int r) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%4d", r);
    return buf;
}

std::string totalText(int halfPoints) { return std::to_string(halfPoints / 2) + (halfPoints % 2 ? ".5" : ".0"); }

// Expected score of a against b (logistic rating curve).
double expected(int a, int b) { return 1.0 / (1.0 + std::pow(10.0, (b - a) / 400.0)); }

struct Entrant {
    Player player;
    int rating = 0;
    int halfPoints = 0;
    int order = 0;
};

// Plays a round robin (the first `rounds` rounds of the circle method) and
// numbers the players by final standing.
Section playSection(std::vector<Entrant> entrants, int rounds, Rng& rng, int number, std::string title) {
    const int n = static_cast<int>(entrants.size());
    std::vector<int> circle(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) circle[static_cast<std::size_t>(i)] = i;
    std::vector<std::vector<std::pair<int, int>>> schedule;  // per round: (white, black) entrant indexes
    for (int r = 0; r < rounds; ++r) {
        std::vector<std::pair<int, int>> pairs;
        for (int i = 0; i < n / 2; ++i) {
            int a = circle[static_cast<std::size_t>(i)], b = circle[static_cast<std::size_t>(n - 1 - i)];
            if ((r + i) % 2) std::swap(a, b);
            pairs.emplace_back(a, b);
        }
        schedule.push_back(pairs);
        std::rotate(circle.begin() + 1, circle.end() - 1, circle.end());
    }
    struct Game {
        int round, white, black;
        char whiteResult;
    };
    std::vector<Game> games;
    for (int r = 0; r < rounds; ++r)
        for (auto [w, b] : schedule[static_cast<std::size_t>(r)]) {
            double e =
                expected(entrants[static_cast<std::size_t>(w)].rating, entrants[static_cast<std::size_t>(b)].rating);
            int x = rng.permille();
            char res = x < 140 ? 'D' : (x < 140 + static_cast<int>(860 * e) ? 'W' : 'L');
            games.push_back({r, w, b, res});
            entrants[static_cast<std::size_t>(w)].halfPoints += res == 'W' ? 2 : res == 'D' ? 1 : 0;
            entrants[static_cast<std::size_t>(b)].halfPoints += res == 'L' ? 2 : res == 'D' ? 1 : 0;
        }
    // final standing: points, then rating, then entry order (stable)
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Entrant& x = entrants[static_cast<std::size_t>(a)];
        const Entrant& y = entrants[static_cast<std::size_t>(b)];
        if (x.halfPoints != y.halfPoints) return x.halfPoints > y.halfPoints;
        return x.rating > y.rating;
    });
    std::vector<int> pairOf(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) pairOf[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] = k + 1;
    for (auto& e : entrants) e.player.cells.assign(static_cast<std::size_t>(rounds), Cell{});
    std::vector<double> scoreMinusExpected(static_cast<std::size_t>(n), 0.0);
    for (const Game& g : games) {
        auto& w = entrants[static_cast<std::size_t>(g.white)];
        auto& b = entrants[static_cast<std::size_t>(g.black)];
        char blackResult = g.whiteResult == 'W' ? 'L' : g.whiteResult == 'L' ? 'W' : 'D';
        w.player.cells[static_cast<std::size_t>(g.round)] = {g.whiteResult, pairOf[static_cast<std::size_t>(g.black)],
                                                             'W'};
        b.player.cells[static_cast<std::size_t>(g.round)] = {blackResult, pairOf[static_cast<std::size_t>(g.white)],
                                                             'B'};
        double e = expected(w.rating, b.rating);
        double sw = g.whiteResult == 'W' ? 1.0 : g.whiteResult == 'D' ? 0.5 : 0.0;
        scoreMinusExpected[static_cast<std::size_t>(g.white)] += sw - e;
        scoreMinusExpected[static_cast<std::size_t>(g.black)] += (1.0 - sw) - (1.0 - e);
    }
    Section s;
    s.number = number;
    s.title = std::move(title);
    s.rounds = rounds;
    for (int k = 0; k < n; ++k) {
        int i = order[static_cast<std::size_t>(k)];
        Entrant& e = entrants[static_cast<std::size_t>(i)];
        e.player.pair = k + 1;
        e.player.total = totalText(e.halfPoints);
        e.player.preRating = ratingText(e.rating);
        int post = std::max(
            100, static_cast<int>(std::lround(e.rating + 32.0 * scoreMinusExpected[static_cast<std::size_t>(i)])));
        e.player.postRating = ratingText(post);
        s.players.push_back(std::move(e.player));
    }
    return s;
}

Entrant entrantFrom(const PoolPlayer& p, Rng& rng) {
    Entrant e;
    e.player.id = p.id;
    e.player.name = p.name;
    e.player.state = p.state;
    e.player.kind = "R:";
    e.rating = std::max(100, p.rating + rng.range(-40, 40));
    return e;
}

std::vector<Entrant> drawOpponents(const std::vector<PoolPlayer>& pool, int count, Rng& rng, std::set<int>& taken) {
    std::vector<Entrant> out;
    while (static_cast<int>(out.size()) < count) {
        int k = rng.range(0, static_cast<int>(pool.size()) - 1);
        if (!taken.insert(k).second) continue;
        out.push_back(entrantFrom(pool[static_cast<std::size_t>(k)], rng));
    }
    return out;
}

}  // namespace

std::vector<Event> generateHistory(const HistoryPlan& plan) {
    Rng rng(plan.seed);
    std::vector<PoolPlayer> pool = makePool(plan, rng);
    std::vector<Event> events;
    std::chrono::sys_days date = plan.firstDate;
    int rating = plan.startRating;
    for (int i = 0; i < plan.events; ++i) {
        if (i > 0) date += std::chrono::days(rng.range(plan.minGapDays, plan.maxGapDays));
        std::chrono::year_month_day ymd(date);
        char number[16];
        std::snprintf(number, sizeof number, "%04d%02u%02u%04d", static_cast<int>(ymd.year()),
                      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                      plan.eventSerialBase + i % 1000);
        Event ev;
        ev.number = number;
        ev.name = std::string(kPlaces[static_cast<std::size_t>(rng.range(0, kPlaces.size() - 1))]) + " " +
                  kKinds[static_cast<std::size_t>(rng.range(0, kKinds.size() - 1))];
        int rounds = rng.range(plan.minRounds, plan.maxRounds);
        int players = rng.range(plan.minPlayers / 2, plan.maxPlayers / 2) * 2;
        players = std::max(players, (rounds + 2) / 2 * 2);
        bool twoSections = plan.twoSectionsEvery > 0 && i % plan.twoSectionsEvery == plan.twoSectionsEvery - 1;
        std::set<int> taken;

        Entrant me;
        me.player.id = plan.memberId;
        me.player.name = plan.memberName;
        me.player.state = plan.state;
        me.player.kind = "R:";
        me.rating = rating;
        if (twoSections) {
            std::vector<Entrant> top = drawOpponents(pool, players, rng, taken);
            for (auto& e : top) e.rating = std::max(e.rating, rating + rng.range(150, 500));
            ev.sections.push_back(playSection(std::move(top), rounds, rng, 1, "OPEN"));
        }
        std::vector<Entrant> field = drawOpponents(pool, players - 1, rng, taken);
        field.insert(field.begin() + rng.range(0, players - 1), me);
        ev.sections.push_back(
            playSection(std::move(field), rounds, rng, twoSections ? 2 : 1, twoSections ? "RESERVE" : ""));
        for (const Player& p : ev.sections.back().players)
            if (p.id == plan.memberId) rating = std::stoi(p.postRating);
        events.push_back(std::move(ev));
    }
    return events;
}

}  // namespace krv::sample
