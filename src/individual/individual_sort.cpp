#include "individual/individual_sort.h"

#include "platform/grid.h"
#include "session/session.h"

namespace krv {

void sortIndividualResults(KrvSession& session, int column, SortKind kind) {
    auto& st = session.state;
    Grid& grid = session.ui.MSFlexResults;
    grid.setCol(column);
    int code;
    if (kind == SortKind::Numeric) {
        st.individualNumericSortCode =
            st.individualNumericSortCode == kSortNumericAscending ? kSortNumericDescending : kSortNumericAscending;
        code = st.individualNumericSortCode;
    } else {
        // Names start descending: the first press gives 6.
        st.individualStringSortCode =
            st.individualStringSortCode == kSortTextDescending ? kSortTextAscending : kSortTextDescending;
        code = st.individualStringSortCode;
    }
    grid.sort(code);
    st.individualLastSortCode = code;
}

const char* individualSortButtonFor(int column) {
    if (column == 1) column = 0;  // the name is sorted by its key in column 0
    for (const auto& button : kIndividualSortButtons)
        if (button.column == column) return button.name;
    return nullptr;
}

bool clickIndividualSortButton(KrvSession& session, std::string_view name) {
    for (const auto& button : kIndividualSortButtons) {
        if (name == button.name) {
            sortIndividualResults(session, button.column, button.kind);
            return true;
        }
    }
    return false;
}

void cmdalpharesults_Click(KrvSession& session) { clickIndividualSortButton(session, "cmdalpharesults"); }
void cmdW_Click(KrvSession& session) { clickIndividualSortButton(session, "cmdW"); }
void cmdD_Click(KrvSession& session) { clickIndividualSortButton(session, "cmdD"); }
void cmdL_Click(KrvSession& session) { clickIndividualSortButton(session, "cmdL"); }
void cmdT_Click(KrvSession& session) { clickIndividualSortButton(session, "cmdT"); }
void cmdper_Click(KrvSession& session) { clickIndividualSortButton(session, "cmdper"); }

}  // namespace krv
