#include "acquisition/history_run.h"

#include "acquisition/history_pages.h"
#include "acquisition/page_lines.h"
#include "platform/text.h"
#include "session/session.h"

namespace krv {

std::vector<std::string> normaliseHistoryPage(KrvSession& session) {
    const auto& st = session.state;
    auto bytes = readFileBytes(st.historyPageFile);
    std::vector<std::string> lines = normalisePage(bytes ? *bytes : std::string());
    replaceFileUnlessSame(st.historyTextFile, joinLinesCrLf(lines), Durability::RebuiltByAnalysis);
    return lines;
}

void howmanypassestomakelist(KrvSession& session) {
    std::vector<std::string> lines = normaliseHistoryPage(session);
    session.state.historyPassCount = countHistoryPageLinks(lines, session.state.memberId);
}

}  // namespace krv
