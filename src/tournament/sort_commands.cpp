#include "tournament/sort_commands.h"

#include "platform/grid.h"
#include "platform/text.h"
#include "session/session.h"

namespace krv {

namespace {

constexpr int kNameColumn = 1;
constexpr int kEventNameColumn = 8;
constexpr int kNameKeyColumn = 9;
constexpr int kCrosstableFileColumn = 10;

}  // namespace

void sortTournamentView(KrvSession& session, int column, SortKind kind) {
    auto& st = session.state;
    Grid& grid = session.ui.MSFlexSort;
    grid.setCol(column);
    int code;
    if (kind == SortKind::Numeric) {
        st.numericSortCode =
            st.numericSortCode == kSortNumericAscending ? kSortNumericDescending : kSortNumericAscending;
        code = st.numericSortCode;
    } else {
        st.stringSortCode = st.stringSortCode == kSortTextAscending ? kSortTextDescending : kSortTextAscending;
        code = st.stringSortCode;
    }
    grid.sort(code);
    st.lastSortCode = code;
}

const char* tournamentSortButtonFor(int column) {
    if (column == kNameColumn) column = kNameKeyColumn;
    for (const auto& button : kTournamentSortButtons)
        if (button.column == column) return button.name;
    return nullptr;
}

bool clickTournamentSortButton(KrvSession& session, std::string_view name) {
    for (const auto& button : kTournamentSortButtons) {
        if (name == button.name) {
            sortTournamentView(session, button.column, button.kind);
            return true;
        }
    }
    return false;
}

void cmdsortbyid_Click(KrvSession& session) { clickTournamentSortButton(session, "cmdsortbyid"); }
void cmdresults_Click(KrvSession& session) { clickTournamentSortButton(session, "cmdresults"); }
void cmdsel_Click(KrvSession& session) { clickTournamentSortButton(session, "cmdsel"); }
void cmdopp_Click(KrvSession& session) { clickTournamentSortButton(session, "cmdopp"); }
void cmddif_Click(KrvSession& session) { clickTournamentSortButton(session, "cmddif"); }
void cmdPost_Click(KrvSession& session) { clickTournamentSortButton(session, "cmdPost"); }
void cmdsortbydate_Click(KrvSession& session) { clickTournamentSortButton(session, "cmdsortbydate"); }
void cmdsortbytournament_Click(KrvSession& session) { clickTournamentSortButton(session, "cmdsortbytournament"); }
void cmdsortbyalpha_Click(KrvSession& session) { clickTournamentSortButton(session, "cmdsortbyalpha"); }

std::optional<std::string> crosstableKey(std::string_view fileName) {
    std::size_t pos = findPosNoCase(fileName, ".txt");
    if (pos <= 1) return std::nullopt;
    return left(fileName, pos - 1);
}

bool MSFlexSort_Click(KrvSession& session) {
    const Grid& grid = session.ui.MSFlexSort;
    if (grid.col() != kEventNameColumn) return false;
    if (grid.row() < 0 || grid.row() >= grid.rows()) return false;
    // Without a key there is no page to open; the address stays as it was.
    auto key = crosstableKey(grid.text(grid.row(), kCrosstableFileColumn));
    if (!key) return false;
    session.state.crosstableAddress = session.baseUrl() + "/krv/XtblMain.php?" + *key;
    return true;
}

}  // namespace krv
