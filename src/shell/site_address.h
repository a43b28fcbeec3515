// Where the rating site is. A program started from the desktop menu has no
// command line, so the store root can name the site in "site.txt".
#pragma once

#include <optional>
#include <string>

namespace krv {

inline constexpr const char* kSiteFileName = "site.txt";
inline constexpr const char* kBaseUrlVariable = "KRV_BASE_URL";

// The site's address and where it came from, for the user to see.
struct SiteAddress {
    std::string url;
    std::string source;  // "--base-url", "KRV_BASE_URL", the site file's path, or "the sample service"
};

// The first of: the --base-url argument, $KRV_BASE_URL, the line
// "base=URL" of site.txt in the store root, the bundled sample service.
// Empty values count as not given.
SiteAddress resolveSiteAddress(const std::optional<std::string>& fromCommandLine, const std::string& storeRoot);

// The address of a site file's text: its first line "base=URL" (blanks
// around the value dropped, LF or CR LF line ends), nullopt without one.
std::optional<std::string> baseUrlOfSiteFile(const std::string& text);

}  // namespace krv
