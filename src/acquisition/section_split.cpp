#include "acquisition/section_split.h"

#include "platform/text.h"

namespace krv {

bool opensSection(std::string_view line, int number) {
    // "anchor=" is rare, so most lines are passed over without building the marker.
    return containsNoCase(line, "anchor=") && containsNoCase(line, "Section" + std::to_string(number));
}

std::vector<std::vector<std::string>> splitSections(const std::vector<std::string>& normalisedLines) {
    std::vector<std::vector<std::string>> sections(1);
    int next = 2;
    for (const auto& line : normalisedLines) {
        if (opensSection(line, next)) {
            sections.emplace_back();
            ++next;
        }
        sections.back().push_back(line);
    }
    return sections;
}

}  // namespace krv
