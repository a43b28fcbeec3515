// Loads the raw game list into the tournament grid and totals the games per
// opponent.
#pragma once

namespace krv {
class KrvSession;

void SortData(KrvSession& session);

}  // namespace krv
