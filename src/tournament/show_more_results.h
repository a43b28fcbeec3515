// Builds the rating summary, the per-opponent table and the chart files from
// the filled tournament grid.
#pragma once

namespace krv {
class KrvSession;

void ShowMoreResults(KrvSession& session);

}  // namespace krv
