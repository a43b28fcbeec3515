#include "acquisition/analysis_driver.h"
#include "acquisition/update_run.h"
namespace krv {
void CmdUpdateData_Click(KrvSession&) {}
void Analyse(KrvSession&) {}
}  // namespace krv
