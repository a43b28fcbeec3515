// The surname-first sort key of a player's name. Names arrive given name
// first ("JOHN SMITH JR"); every alphabetical order of the program is by
// surname, so grids hold this key in a hidden column and sort on it.
#pragma once

#include <string>
#include <string_view>

namespace krv {

// "JOHN SMITH" gives "SMITH JOHN ", "JUAN DE SOTO" gives "DE SOTO JUAN ".
// A name without a blank gives a single blank. Never fails.
std::string makeSortName(std::string_view name);

}  // namespace krv
