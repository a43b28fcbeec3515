#include "acquisition/member_pages.h"

#include "platform/text.h"

namespace krv {

namespace {

constexpr std::size_t kNameOffset = 10;    // from the ID to the name
constexpr std::size_t kNameTrailer = 11;   // markup after the name
constexpr std::size_t kRatingOffset = 37;  // from "Regular Rating" to the rating
constexpr std::size_t kRatingWidth = 4;

}  // namespace

std::optional<std::string> memberNameInLine(std::string_view line, std::string_view id) {
    const std::string needle = std::string(id) + ":";
    const std::size_t at = findPosNoCase(line, needle);
    if (at == 0) return std::nullopt;
    const std::string_view rest = midView(line, at + kNameOffset);
    if (rest.size() < kNameTrailer) return std::nullopt;
    return std::string(rest.substr(0, rest.size() - kNameTrailer));
}

std::optional<std::string> memberNameFromHistory(const std::vector<std::string>& lines, std::string_view id) {
    std::optional<std::string> name;
    for (const auto& line : lines)
        if (auto inLine = memberNameInLine(line, id)) name = std::move(inLine);
    return name;
}

std::optional<std::string> regularRatingFromMainPage(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        const std::size_t at = findPosNoCase(line, "Regular Rating");
        if (at != 0) return mid(line, at + kRatingOffset, kRatingWidth);
    }
    return std::nullopt;
}

}  // namespace krv
