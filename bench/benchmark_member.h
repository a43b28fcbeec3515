// The benchmark member of the sample service (1,600 events, 9,600 games) in
// a store of its own, built once by a real update run from the bundled
// pages, without HTTP. Shared by the benchmarks of the core and of the
// windows.
#pragma once

#include <filesystem>
#include <iostream>
#include <string>

#include "acquisition/update_run.h"
#include "platform/download.h"
#include "platform/message_box.h"
#include "platform/replaced_file.h"
#include "sample_pages.h"
#include "session/session.h"
#include "shell/commands.h"
#include "support/temp_store.h"

namespace krv::bench {

inline const std::string kMember(sample::kBenchmarkMemberId);
inline constexpr const char* kMemoryBase = "http://sample.memory";

// Serves the sample pages straight from the page library, without HTTP.
class CatalogDownloader : public Downloader {
public:
    DownloadResult download(const std::string& url, const std::string& path, const CancelFlag* = nullptr) override {
        const std::string target = url.substr(std::string(kMemoryBase).size());
        sample::PageAnswer answer = sample::answerPageRequest(sample::Catalog::bundled(), target);
        if (answer.status != 200 || answer.body.empty()) return {false, answer.status, "no page"};
        if (!writeFileAtomically(path, answer.body)) return {false, 0, "cannot write"};
        return {true, 200, ""};
    }
};

// The benchmark member's store, built once by a real update run.
struct MemberStore {
    testing::TempDir dir;
    std::string root = dir / "KRV";
    std::string entry;  // the member's ID list entry, as the ID box shows it
    std::string dataDir;
    int games = 0;

    MemberStore() {
        RecordingMessageBox boxes;
        CatalogDownloader pages;
        KrvSession session(SessionOptions{root, kMemoryBase, 4}, boxes, pages);
        startUp(session);
        session.setIdBoxText(kMember);
        CmdUpdateData_Click(session);
        entry = session.ui.CmbID;
        dataDir = session.store().data() + "/" + kMember;
        games = session.state.gameCount;
        std::size_t files = 0;
        for (const auto& e : std::filesystem::directory_iterator(dataDir)) files += e.is_regular_file();
        std::cerr << "benchmark member " << entry << ": " << files << " section files, " << games << " games\n";
    }
};

}  // namespace krv::bench
