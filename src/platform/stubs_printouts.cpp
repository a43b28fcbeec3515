#include "individual/individual_printout.h"
#include "stats/digest_printout.h"
#include "tournament/tournament_printout.h"
namespace krv {
void printTournamentView(KrvSession&, Printer&, const std::string&) {}
void printDigest(KrvSession&, Printer&) {}
void printIndividualResults(KrvSession&, Printer&, const std::string&) {}
}  // namespace krv
