// Feeds arbitrary bytes, as a stored crosstable section file, to the event
// page parser and checks the shape of what it writes.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "acquisition/event_parser.h"
#include "platform/text.h"
#include "session/session.h"

namespace {

constexpr const char* kFileName = "201203110112.0-12345678.txt";

void check(bool condition) {
    if (!condition) __builtin_trap();
}

class NoDownloads : public krv::Downloader {
public:
    krv::DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

struct Harness {
    std::string root;
    krv::RecordingMessageBox boxes;
    NoDownloads downloads;
    std::unique_ptr<krv::KrvSession> session;

    Harness() {
        // Rewriting a file on a disk costs milliseconds here; in memory, microseconds.
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string pattern = (base / "krv-fuzz-XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr);
        root = pattern;
        session = std::make_unique<krv::KrvSession>(krv::SessionOptions{root}, boxes, downloads);
        session->state.dataDir = session->store().memberDataDir("12345678");
        std::filesystem::create_directories(session->state.dataDir);
    }
    ~Harness() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

Harness& harness() {
    static Harness h;
    return h;
}

// Every record has exactly nine fields whatever the page held.
void checkRecords(const std::string& games) {
    for (const auto& line : krv::splitLines(games)) {
        std::size_t commas = 0;
        for (char c : line) commas += c == ',';
        check(commas == 8);
        check(line.find('"') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = harness();
    {
        std::ofstream out(h.session->state.dataDir + kFileName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    auto& state = h.session->state;
    state.eventName.clear();
    state.gameCount = 0;
    state.gamesThisAnalysis = 0;
    h.session->ui.CmbID = "12345678 -- JANE DOE";

    std::string games, streak;
    krv::analysedata(*h.session, kFileName, games, streak);
    check(state.eventFileName == kFileName);
    check(static_cast<long>(krv::splitLines(games).size()) == state.gameCount);
    check(state.gameCount == state.gamesThisAnalysis);
    checkRecords(games);
    return 0;
}
