#include "shell/site_address.h"

#include <cstdlib>

#include "platform/text.h"
#include "session/session.h"

namespace krv {

std::optional<std::string> baseUrlOfSiteFile(const std::string& text) {
    constexpr std::string_view kKey = "base=";
    for (const auto& line : splitLines(text)) {
        const std::string trimmed = trimBlanks(line);
        if (trimmed.rfind(kKey, 0) != 0) continue;
        std::string url = trimBlanks(std::string_view(trimmed).substr(kKey.size()));
        if (!url.empty()) return url;
    }
    return std::nullopt;
}

SiteAddress resolveSiteAddress(const std::optional<std::string>& fromCommandLine, const std::string& storeRoot) {
    if (fromCommandLine && !fromCommandLine->empty()) return {*fromCommandLine, "--base-url"};
    if (const char* variable = std::getenv(kBaseUrlVariable); variable && *variable)
        return {variable, kBaseUrlVariable};
    const std::string siteFile = storeRoot + "/" + kSiteFileName;
    if (auto text = readFileBytes(siteFile))
        if (auto url = baseUrlOfSiteFile(*text)) return {*url, siteFile};
    return {kDefaultBaseUrl, "the sample service"};
}

}  // namespace krv
