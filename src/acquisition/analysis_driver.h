// The analysis driver: turns the member's stored section files into the raw
// game list and the results file, then hands over to the game list.
#pragma once

namespace krv {
class KrvSession;

void Analyse(KrvSession& session);

}  // namespace krv
