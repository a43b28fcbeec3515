// The history pages of an update run: turning the page just downloaded into
// its line file and counting the member's history pages.
#pragma once

#include <string>
#include <vector>

namespace krv {
class KrvSession;

// Turns historyPageFile into historyTextFile (the page in its line form) and
// returns those lines. A page that cannot be read gives no lines.
std::vector<std::string> normaliseHistoryPage(KrvSession& session);

// Normalises the first history page and sets historyPassCount to the number
// of its lines that link to the member's numbered history pages.
void howmanypassestomakelist(KrvSession& session);

}  // namespace krv
