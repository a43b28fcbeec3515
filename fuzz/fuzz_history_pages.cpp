// Feeds arbitrary bytes, as a downloaded page, to every procedure that reads
// a member's history page or main page, and to the section split.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "acquisition/history_pages.h"
#include "acquisition/member_pages.h"
#include "acquisition/page_lines.h"
#include "acquisition/section_split.h"

namespace {

constexpr std::string_view kId = "12345678";
constexpr std::string_view kBase = "http://127.0.0.1:8080";

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const auto lines = krv::normalisePage(page);
    check(!lines.empty() && lines.front().empty());

    const int links = krv::countHistoryPageLinks(lines, kId);
    check(links >= 0 && static_cast<std::size_t>(links) < lines.size());

    if (auto wrong = krv::findWrongIdLine(lines, kId)) check(wrong->find(kId) != std::string::npos);

    for (const auto& address : krv::extractCrosstableAddresses(lines, kBase, kId)) {
        check(address.size() > 11 && address.compare(address.size() - 11, 11, ".0-" + std::string(kId)) == 0);
        const std::string key = krv::eventKeyOf(address);
        // A key names files in the member's folder: it never leads out of it.
        check(key.find('/') == std::string::npos && key != "..");
    }

    (void)krv::memberNameFromHistory(lines, kId);
    if (auto rating = krv::regularRatingFromMainPage(lines)) check(rating->size() <= 4);

    std::size_t sectionLines = 0;
    for (const auto& section : krv::splitSections(lines)) sectionLines += section.size();
    check(sectionLines == lines.size());
    return 0;
}
