#include <gtest/gtest.h>

#include <cstdlib>

#include "session/session.h"
#include "shell/site_address.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::TempDir;
using krv::testing::writeBytes;

TEST(SiteAddress, TheSiteFilesFirstBaseLineCounts) {
    struct Case {
        const char* text;
        std::optional<std::string> url;
    };
    const Case cases[] = {
        {"base=https://ratings.example.org\n", "https://ratings.example.org"},
        {"base=http://a.example\r\nbase=http://b.example\r\n", "http://a.example"},  // written on another system
        {"# the club's mirror\n\n  base =x\n base= http://c.example:8080  \n", "http://c.example:8080"},
        {"base=\nbase=http://d.example", "http://d.example"},  // an empty value does not count
        {"home=http://e.example\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(baseUrlOfSiteFile(c.text), c.url) << c.text;
}

// The option, then the environment, then the store's site file, then the
// bundled sample service; an empty value counts as not given.
TEST(SiteAddress, OptionThenEnvironmentThenSiteFileThenTheSampleService) {
    TempDir t;
    const std::string root = t / "KRV";
    const char* saved = std::getenv(kBaseUrlVariable);
    const std::string savedValue = saved ? saved : "";
    ::unsetenv(kBaseUrlVariable);

    EXPECT_EQ(resolveSiteAddress(std::nullopt, root).url, kDefaultBaseUrl);
    writeBytes(root + "/site.txt", "base=http://site.example\r\n");
    EXPECT_EQ(resolveSiteAddress(std::nullopt, root).url, "http://site.example");
    EXPECT_EQ(resolveSiteAddress(std::nullopt, root).source, root + "/site.txt");
    ::setenv(kBaseUrlVariable, "", 1);
    EXPECT_EQ(resolveSiteAddress(std::nullopt, root).url, "http://site.example");
    ::setenv(kBaseUrlVariable, "http://env.example", 1);
    EXPECT_EQ(resolveSiteAddress(std::nullopt, root).url, "http://env.example");
    EXPECT_EQ(resolveSiteAddress(std::string(), root).url, "http://env.example");
    EXPECT_EQ(resolveSiteAddress(std::string("http://option.example"), root).url, "http://option.example");

    if (saved) ::setenv(kBaseUrlVariable, savedValue.c_str(), 1);
    else ::unsetenv(kBaseUrlVariable);
}
