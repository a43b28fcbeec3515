// Results against higher, equally and lower rated opponents and by rating
// bands; the last step saves the digest file.
#pragma once

#include <string>

namespace krv {
class Grid;
class KrvSession;

struct ResultCounts {
    long wins = 0;
    long draws = 0;
    long losses = 0;
    long total() const { return wins + draws + losses; }
    // A score of 0 is a loss, 0.5 a draw, 1 a win; other scores count nothing.
    void add(double score);
};

struct RatingClasses {
    ResultCounts higher;
    ResultCounts equal;
    ResultCounts lower;
};

// Every game by the opponent's rating against the member's; "UnR" is 0.
RatingClasses classifyByRating(const Grid& games);

struct RatingBands {
    ResultCounts plus;  // opponent rated more than the range above the member
    ResultCounts within;
    ResultCounts minus;  // opponent rated more than the range below the member
};

RatingBands classifyByBand(const Grid& games, double range);

// Appends the higher / equally / lower rated lines to the digest text.
void gethighlowresults(KrvSession& session);

// Appends the band lines (range from `txthighlowrange`), saves the digest
// as "digest.txt" in the member's results folder, reports the created files
// in the status line and restores the tournament grid's saved sort. Throws
// AnalysisStopped when the ID box holds no member ID and StoreError when the
// digest file cannot be written; the lines stay appended, and status and
// grid are left as they were.
void gethlflexresults(KrvSession& session);

// The status text after a complete analysis.
std::string filesCreatedText(const std::string& resultsRoot);

}  // namespace krv
