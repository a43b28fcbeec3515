// The tournament view printout: the tournament grid in its current order.
#pragma once

#include <string>

namespace krv {
class KrvSession;
class Printer;

// today is MM-DD-YYYY, shown in every page heading.
void printTournamentView(KrvSession& session, Printer& printer, const std::string& today);

}  // namespace krv
