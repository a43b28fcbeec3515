// Turning a downloaded page into the lines every page parser reads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace krv {

// The line form of a page: one empty line, then each line of the page in
// page order. A line ends at CR LF, CR or LF; the bytes of a line are kept
// as they are, so every marker text and character column the parsers rely
// on stands where it stands in the page itself.
std::vector<std::string> normalisePage(std::string_view pageBytes);

}  // namespace krv
