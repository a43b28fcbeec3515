#include "acquisition/page_lines.h"

#include "platform/text.h"

namespace krv {

std::vector<std::string> normalisePage(std::string_view pageBytes) {
    // The leading empty line keeps line numbers and the first section file
    // the same as the stored pages have always had them.
    std::vector<std::string> lines{std::string()};
    std::vector<std::string> pageLines = splitLines(pageBytes);
    lines.reserve(pageLines.size() + 1);
    for (auto& line : pageLines) lines.push_back(std::move(line));
    return lines;
}

}  // namespace krv
