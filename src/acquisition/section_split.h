// Splitting one stored crosstable into its section files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace krv {

// Whether the line opens section `number` (2 or more) of a crosstable: it
// holds "Section" + number and "anchor=", case ignored. The page's
// navigation line names the sections too but holds no "anchor=".
bool opensSection(std::string_view line, int number);

// The lines of each section file of one crosstable, given in its line form
// (page_lines.h). [0] is section 1: everything before the first section
// line, the page title included. [1] is section 2, starting with the line
// that holds "Section2" and "anchor=" (case ignored), [2] section 3 from its
// "Section3" line, and so on; sections are looked for in number order, so
// a "Section3" line before any "Section2" line does not split.
std::vector<std::vector<std::string>> splitSections(const std::vector<std::string>& normalisedLines);

}  // namespace krv
