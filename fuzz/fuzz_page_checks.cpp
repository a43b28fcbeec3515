// Feeds arbitrary bytes, as a downloaded answer, to the checks that decide
// whether it may be stored as a crosstable or read as a history page, and
// holds each verdict against what the parsers would then find.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "acquisition/history_pages.h"
#include "acquisition/member_pages.h"
#include "acquisition/page_checks.h"
#include "acquisition/page_lines.h"
#include "acquisition/section_split.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kId = "12345678";

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// A cause is one of the two texts, exactly.
void checkCause(const std::optional<std::string>& cause, std::string_view expected) {
    if (cause) check(*cause == expected);
}

bool holdsLine(const std::vector<std::string>& lines, std::string_view needle) {
    for (const auto& line : lines)
        if (krv::contains(line, needle)) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const auto lines = krv::normalisePage(page);

    const auto crosstable = krv::crosstablePageProblem(page);
    checkCause(crosstable, krv::kNotCrosstablePage);
    // The page as downloaded and in its line form get the same verdict.
    check(crosstable.has_value() == krv::crosstablePageProblem(lines).has_value());
    if (!crosstable) {
        // What passes is whole, and every section the run stores from it
        // has the line the event parser reads its rows after.
        check(krv::containsNoCase(page, "</html>"));
        const auto sections = krv::splitSections(lines);
        for (const auto& section : sections) check(holdsLine(section, "Note:"));
        check(holdsLine(sections.front(), "<title>"));
    }

    const auto history = krv::historyPageProblem(page, kId);
    checkCause(history, krv::kNotHistoryPage);
    check(history.has_value() == krv::historyPageProblem(lines, kId).has_value());
    if (!history && !krv::findWrongIdLine(lines, kId)) {
        // A page taken as the member's history gives the member a name.
        const auto name = krv::memberNameFromHistory(lines, kId);
        check(name && name->find_first_not_of(' ') != std::string::npos);
        check(krv::containsNoCase(page, "</html>"));
    }
    return 0;
}
