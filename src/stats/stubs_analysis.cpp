#include "gamelist/sort_data.h"
#include "stats/advanced_analysis.h"
#include "stats/convert_date.h"
#include "tournament/show_more_results.h"
namespace krv {
void SortData(KrvSession&) {}
void ShowMoreResults(KrvSession&) {}
void cmdAdvanceAnalyse_Click(KrvSession&) {}
std::string ConvertDate(std::string_view d) { return std::string(d); }
}  // namespace krv
