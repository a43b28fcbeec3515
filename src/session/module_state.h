// The state that the program's procedures share for the whole run. The
// members carry the names the procedures use for them; nothing here is
// saved except through the settings file.
#pragma once

#include <optional>
#include <string>

namespace krv {

struct ModuleState {
    // Update run and history pages.
    std::string memberId;  // 8-character ID of the last update run
    std::string historyBaseUrl;
    std::string memberHistoryUrl;
    std::string pageUrl;
    std::string historyPageFile;  // Temp: the last history page fetched
    std::string historyTextFile;  // Temp: that page as lines
    std::string eventListFile;    // Temp: crosstable addresses
    long lastDownloadResult = 0;  // kept, never tested
    int historyPassCount = 0;
    int downloadedCount = 0;

    // Analysis.
    std::string dataDir;  // the member's data folder, trailing "/"
    std::string eventFileName;
    std::string eventName;  // carries over from one section file to the next
    std::string memberName;
    std::string nameSourceFile;
    std::string gameListFile;
    std::string streakFile;
    std::string opponentFile;
    std::string currentRatingFile;
    std::string memberMainUrl;
    long gameCount = 0;
    long gamesThisAnalysis = 0;
    long opponentCount = 0;
    int analyseOnly = 0;
    bool freshDownload = false;
    bool updateAllRunning = false;

    // Sort state of the tournament grid and the individual results grid.
    int numericSortCode = 3;
    int stringSortCode = 5;
    std::optional<int> lastSortCode;
    int individualNumericSortCode = 3;
    int individualStringSortCode = 5;
    std::optional<int> individualLastSortCode;

    // From the settings file; empty means column 0 and no sorting.
    std::optional<int> savedSortColumn;
    std::optional<int> savedSortCode;
    std::optional<int> savedIndividualColumn;
    std::optional<int> savedIndividualSortCode;

    std::string highLowRange = "100";
    std::string crosstableAddress;  // the page the web window opens
};

}  // namespace krv
