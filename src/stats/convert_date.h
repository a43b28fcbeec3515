// Stored dates are YYYYMMDD; reports show them as MM-DD-YYYY.
#pragma once

#include <string>
#include <string_view>

namespace krv {

std::string ConvertDate(std::string_view mydate);

}  // namespace krv
