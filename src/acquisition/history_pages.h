// What the update run reads from a member's tournament-history pages: how
// many pages there are, whether the service knew the ID, and the address of
// every event crosstable. All take the page in its line form (page_lines.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv {

// The number of lines that contain the member ID followed by "." (case
// ignored): the links to the member's numbered history pages.
int countHistoryPageLinks(const std::vector<std::string>& lines, std::string_view memberId);

// The ID check. Among the lines that contain the member ID, the first one
// that also contains " Error" decides (case ignored): with "MATCH ERRORS" the
// ID is accepted, without it the ID is wrong and that line is returned for
// the message. nullopt when the ID is accepted.
std::optional<std::string> findWrongIdLine(const std::vector<std::string>& lines, std::string_view memberId);

// What one line says in the ID check: nothing (the check reads on), the ID
// accepted, or the ID wrong; the first line that says something decides.
enum class IdCheck { NoSay, Accepted, Wrong };
IdCheck idCheckOfLine(std::string_view line, std::string_view memberId);

// The crosstable addresses of one history page, in page order, duplicates
// kept. Each "Detail:" row links to its event on the third line after it;
// the address is baseUrl + "/krv/" + that line from its 23rd character,
// cut before the link's closing ">" and the nine characters in front of it,
// followed by ".0-" and the member ID. A row whose link line holds no ">"
// gives no address.
std::vector<std::string> extractCrosstableAddresses(const std::vector<std::string>& lines, std::string_view baseUrl,
                                                    std::string_view memberId);

// The event key of a crosstable address: the text after "XtblMain.php?".
// The key names the event's files in the member's data folder, so a key
// that could reach outside that folder or break a comma-delimited record
// (one holding "/", "\", ",", a double quote or a control character, or
// being "." or "..") is refused like a missing one: the result is empty.
std::string eventKeyOf(std::string_view crosstableAddress);

}  // namespace krv
