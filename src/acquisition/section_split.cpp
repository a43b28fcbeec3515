#include "acquisition/section_split.h"

#include "platform/text.h"

namespace krv {

std::vector<std::vector<std::string>> splitSections(const std::vector<std::string>& normalisedLines) {
    std::vector<std::vector<std::string>> sections(1);
    int next = 2;
    std::string marker = "Section2";
    for (const auto& line : normalisedLines) {
        if (containsNoCase(line, marker) && containsNoCase(line, "anchor=")) {
            sections.emplace_back();
            ++next;
            marker = "Section" + std::to_string(next);
        }
        sections.back().push_back(line);
    }
    return sections;
}

}  // namespace krv
