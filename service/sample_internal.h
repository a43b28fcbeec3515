// Pieces of the sample library that its own sources share.
#pragma once

#include "sample_pages.h"

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

namespace krv::sample {

// The files of service/data, compiled in (see embed_data.cmake).
struct EmbeddedFile {
    std::string_view name;  // relative to service/data, "/" separated
    std::string_view bytes;
};
const std::vector<EmbeddedFile>& embeddedFiles();

// A member's long history of small generated events, one section each
// (or two, with the member in the second). Deterministic for a given plan.
struct HistoryPlan {
    std::string memberId;
    std::string memberName;
    std::string state;
    int events = 0;
    std::chrono::sys_days firstDate;
    int minGapDays = 7;
    int maxGapDays = 7;
    int startRating = 1500;
    int minRounds = 6;
    int maxRounds = 6;
    int minPlayers = 8;  // even numbers: everybody plays every round
    int maxPlayers = 8;
    int eventSerialBase = 7000;  // last four digits of the event numbers
    int twoSectionsEvery = 0;    // 0: never
    char opponentIdDigit = '5';  // first digit of the generated opponents' IDs
    int opponentPool = 400;
    std::uint64_t seed = 1;
};

std::vector<Event> generateHistory(const HistoryPlan& plan);

}  // namespace krv::sample
