// The individual results printout: the per-opponent grid in its current order.
#pragma once

#include <string>

namespace krv {
class KrvSession;
class Printer;

void printIndividualResults(KrvSession& session, Printer& printer, const std::string& today);

}  // namespace krv
