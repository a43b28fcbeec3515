#include "stats/convert_date.h"

#include "platform/text.h"

namespace krv {

// Each piece takes whatever the text holds at its place, so a short or
// malformed date still converts without failing ("" gives "--").
std::string ConvertDate(std::string_view mydate) {
    const std::string year = left(mydate, 4);
    const std::string month = mid(mydate, 5, 2);
    const std::string day = right(mydate, 2);
    return month + "-" + day + "-" + year;
}

}  // namespace krv
