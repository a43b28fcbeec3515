// The event page parser: the member's games in one stored crosstable
// section file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace krv {
class KrvSession;

// Parses the section file Workwiththis of the member's data folder
// (session.state.dataDir + Workwiththis) and appends, for every win, loss
// or draw in the member's row, one line to streak ("Win", "Loss" or "Draw",
// the event date, the event name) and, when the opponent is found with a
// regular rating, one game record to gameList (9 comma-separated fields).
// Lines end in CR LF. The member is the first 8 characters of the ID box.
// Sets state.eventFileName; state.eventName carries over to the next call
// for section files without a title line; counts every record in
// state.gameCount and state.gamesThisAnalysis. An empty or ".." name (the
// end of a directory listing) is ignored, and so is a file that cannot be
// read.
void analysedata(KrvSession& session, const std::string& Workwiththis, std::string& gameList, std::string& streak);

// The same for a section file already read: bytes are its contents, or
// nullopt when it could not be read.
void analysedata(KrvSession& session, const std::string& Workwiththis, std::optional<std::string_view> bytes,
                 std::string& gameList, std::string& streak);

// What parsing carries from one section file to the next.
struct SectionParseState {
    // A section file without a title line takes the event name of the file
    // parsed before it.
    std::string eventName;
    // Whether a title line was read since this state was made.
    bool eventNameSeen = false;
    // Whether a record took its event name from before this state was made:
    // files parsed apart from those before them must then be parsed again.
    bool usedEarlierName = false;
    long games = 0;  // game records appended
};

// The parser itself, apart from the session: the member's games in one
// section file's bytes, for the member ID given (no games when it is empty).
void parseSectionFile(std::string_view memberId, const std::string& fileName, std::string_view bytes,
                      SectionParseState& state, std::string& gameList, std::string& streak);

}  // namespace krv
