// What the windows show, held in the core: the ID box, the status label,
// the grids, the digest text and which controls are visible. The windows
// display this state and forward clicks; the commands change it. So every
// command runs, and is tested, without a display.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/grid.h"

namespace krv {

struct Controls {
    // Main window.
    std::string CmbID;                   // the ID box text
    std::vector<std::string> CmbIDList;  // its drop-down list
    std::string lblprocessed;            // status line
    Grid MSFlexSort;                     // tournament grid
    Grid MSFlexIDsort;                   // work grid for sorting the ID list

    // Digest window.
    std::string txtResults;               // the digest text, CR LF between lines
    std::string txthighlowrange = "100";  // width of the rating bands

    // Individual results window.
    Grid MSFlexResults;  // per-opponent table

    // Visibility by control name ("cmdsortbyid", "txtResults", ...). Grids
    // keep their own flag; the names "MSFlexSort" and "MSFlexResults" map to
    // it. Controls never named here are visible.
    void setVisible(const std::string& name, bool visible);
    bool isVisible(const std::string& name) const;

private:
    std::map<std::string, bool> visible_;
};

}  // namespace krv
