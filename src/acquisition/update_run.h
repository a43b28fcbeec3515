// The update run: downloads a member's history pages and every crosstable
// not stored yet, then hands over to the analysis.
#pragma once

namespace krv {
class KrvSession;

// "Update Individual's Data" for the member in the ID box.
void CmdUpdateData_Click(KrvSession& session);

}  // namespace krv
