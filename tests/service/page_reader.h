// Reads the sample pages the way the program does: by marker strings and
// 1-based character columns within lines. Written from the program's rules,
// not from the page builders, so the tests compare two independent views.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv::sample::reader {

// Lines end at CR, LF or CR LF.
std::vector<std::string> lines(std::string_view text);
// 1-based position of needle in line, ignoring ASCII case; 0 when absent.
std::size_t findNoCase(std::string_view line, std::string_view needle);
// At most n characters from 1-based column `from`; empty beyond the end.
std::string mid(std::string_view line, std::size_t from, std::size_t n = std::string::npos);

// ---- history pages ----
int pageLinkCount(std::string_view page, std::string_view id);  // lines holding ID + "."
// The offending line when the page says the ID is wrong.
std::optional<std::string> wrongIdLine(std::string_view page, std::string_view id);
// Event keys ("NUMBER.0-ID") from the "Detail:" rows.
std::vector<std::string> eventKeys(std::string_view page, std::string_view id);
// The name after ID + ":" (last such line), nothing when absent.
std::optional<std::string> memberName(std::string_view page, std::string_view id);

// ---- member main page ----
std::optional<std::string> currentRating(std::string_view page);

// ---- crosstables ----
// The section files: the first holds everything above the second section's
// opening line; each further one starts with its "Section" + n line.
std::vector<std::string> splitSections(std::string_view page);

struct GameRecord {
    std::string opponentId, opponentName, score, memberPre, opponentPre, memberPost, eventName;
};

// The member's regular-rated games in one section file. `eventName` carries
// the name from file to file as the program's does.
std::vector<GameRecord> readGames(std::string_view sectionFile, std::string_view memberId, std::string& eventName);

}  // namespace krv::sample::reader
