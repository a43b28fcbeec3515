// The advanced analysis: notable games, streaks and results by rating
// difference appended to the digest, which is then saved.
#pragma once

namespace krv {
class KrvSession;

void cmdAdvanceAnalyse_Click(KrvSession& session);

}  // namespace krv
