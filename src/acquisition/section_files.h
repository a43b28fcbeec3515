// Parsing a member's whole data folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "acquisition/event_parser.h"

namespace krv {

// The section files of the data folder in ascending byte order of their
// names, so that an event's first section file comes right before its
// further sections, which take the event name from it. Section files whose
// first section is missing belong to no stored event and are left out.
std::vector<std::string> sectionFilesInOrder(const std::string& dataDir);

struct ParsedSections {
    std::string gameList;
    std::string streak;
    SectionParseState state;  // after the last file
};

// Parses the named files of dataDir (which ends in "/") with the result
// of parsing them one after the other in the order given, starting from
// eventNameBefore. Files that cannot be read are passed over. A long list
// is parsed in two parts on two threads, split between events.
ParsedSections parseSectionFiles(const std::string& dataDir, const std::vector<std::string>& names,
                                 std::string_view memberId, const std::string& eventNameBefore);

}  // namespace krv
