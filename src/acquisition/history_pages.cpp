#include "acquisition/history_pages.h"

#include <algorithm>

#include "platform/text.h"

namespace krv {

namespace {

constexpr std::string_view kEventPage = "XtblMain.php?";
// Lines between a "Detail:" row and the line carrying its link.
constexpr std::size_t kLinkLineOffset = 3;
// The link text starts at this character of its line.
constexpr std::size_t kLinkColumn = 23;
// Characters dropped in front of the link's ">": the link's own member
// suffix, replaced by ".0-" and the member ID.
constexpr std::size_t kDroppedBeforeBracket = 9;

bool isSafeKey(std::string_view key) {
    if (key == "." || key == "..") return false;
    return std::none_of(key.begin(), key.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f || c == '/' || c == '\\' || c == ',' || c == '"';
    });
}

}  // namespace

int countHistoryPageLinks(const std::vector<std::string>& lines, std::string_view memberId) {
    const std::string needle = std::string(memberId) + ".";
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& line) { return containsNoCase(line, needle); }));
}

IdCheck idCheckOfLine(std::string_view line, std::string_view memberId) {
    if (!containsNoCase(line, memberId) || !containsNoCase(line, " Error")) return IdCheck::NoSay;
    // The service's "MATCH ERRORS" notice names the ID without meaning the
    // ID is unknown.
    return containsNoCase(line, "MATCH ERRORS") ? IdCheck::Accepted : IdCheck::Wrong;
}

std::optional<std::string> findWrongIdLine(const std::vector<std::string>& lines, std::string_view memberId) {
    for (const auto& line : lines) {
        switch (idCheckOfLine(line, memberId)) {
            case IdCheck::NoSay:
                continue;
            case IdCheck::Accepted:
                return std::nullopt;
            case IdCheck::Wrong:
                return line;
        }
    }
    return std::nullopt;
}

std::vector<std::string> extractCrosstableAddresses(const std::vector<std::string>& lines, std::string_view baseUrl,
                                                    std::string_view memberId) {
    std::vector<std::string> addresses;
    const std::string prefix = std::string(baseUrl) + "/krv/";
    std::size_t i = 0;
    while (i < lines.size()) {
        if (!containsNoCase(lines[i], "Detail:")) {
            ++i;
            continue;
        }
        const std::size_t linkLine = i + kLinkLineOffset;
        if (linkLine >= lines.size()) break;  // a truncated page: no link to read
        const std::string address = prefix + mid(lines[linkLine], kLinkColumn);
        const std::size_t bracket = findPos(address, ">");
        if (bracket > kDroppedBeforeBracket + 1) {
            addresses.push_back(left(address, bracket - kDroppedBeforeBracket - 1) + ".0-" + std::string(memberId));
        }
        // The skipped lines and the link line are not searched for "Detail:".
        i = linkLine + 1;
    }
    return addresses;
}

std::string eventKeyOf(std::string_view crosstableAddress) {
    const std::size_t at = findPosNoCase(crosstableAddress, kEventPage);
    if (at == 0) return {};
    std::string key(crosstableAddress.substr(at - 1 + kEventPage.size()));
    return isSafeKey(key) ? key : std::string();
}

}  // namespace krv
