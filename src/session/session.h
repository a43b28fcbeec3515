// One running program: the store it works on, the rating service it talks
// to, the shared module state, the controls' state and the services the
// procedures need (message boxes, downloads). Every procedure takes the
// session; there are no globals.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "platform/download.h"
#include "platform/message_box.h"
#include "platform/run_folder.h"
#include "session/chart_window_state.h"
#include "session/controls.h"
#include "session/module_state.h"
#include "session/store.h"

namespace krv {

inline constexpr const char* kDefaultBaseUrl = "http://127.0.0.1:8080";
inline constexpr int kDefaultConnections = 2;
inline constexpr int kMaxConnections = 8;

struct SessionOptions {
    std::string storeRoot;
    std::string baseUrl = kDefaultBaseUrl;  // scheme, host and optional port
    int connections = kDefaultConnections;  // crosstable downloads at once
};

class KrvSession {
public:
    KrvSession(SessionOptions options, MessageBox& messages, Downloader& downloader);
    KrvSession(const KrvSession&) = delete;
    KrvSession& operator=(const KrvSession&) = delete;

    // A session for a command that runs on another thread: the same store,
    // rating service and downloader, its own copy of the module state and
    // the controls' state, no callbacks, no cancel request, and the message
    // box given (one that may be called from that thread). Nothing of it is
    // shared with this session, so the two threads never meet in memory.
    std::unique_ptr<KrvSession> copyForWorker(MessageBox& workerMessages) const;
    // Takes over what a command changed on such a copy once it has ended
    // (the module state and the controls' state), however it ended; no
    // command is running after it (updateAllRunning is false). The chart
    // window's state is this session's own and stays.
    void adoptWorkerResults(KrvSession&& worker);

    const StorePaths& store() const { return store_; }
    const std::string& baseUrl() const { return baseUrl_; }
    int connections() const { return connections_; }

    ModuleState state;
    Controls ui;
    ChartWindowState chartWindowState;  // the chart window's paging state, kept while the program runs
    MessageBox& messages;
    Downloader& downloader;

    // Sets the status label and tells whoever shows it.
    void setStatus(const std::string& text);
    std::function<void(const std::string&)> onStatusChanged;

    // Progress of the crosstable downloads of an update run (events done of
    // events to fetch), for a progress bar.
    std::function<void(int done, int total)> onProgress;
    // Set from another thread to stop what the program is doing: the
    // downloads in flight are aborted, no new one starts, and a wait for the
    // store's lock ends.
    std::atomic<bool> cancelRequested{false};

    // This program's own folder in Temp for the pages of its update runs,
    // created on first use (a StoreError when it cannot be) and removed with
    // the session.
    const std::string& runTempDir() { return runFolder_.create(store_.temp()); }
    // True while runStoreCommand holds the store's writer lock for this
    // program, so that a command run inside another does not wait for itself.
    bool holdsStoreLock = false;

    // Sets the ID box text the way typing does: the change reaction runs.
    void setIdBoxText(const std::string& text);
    // Sets the ID box text the way picking a list entry does: no reaction.
    void pickIdBoxEntry(const std::string& entry) { ui.CmbID = entry; }

private:
    KrvSession(const KrvSession& from, MessageBox& messages);

    StorePaths store_;
    std::string baseUrl_;
    int connections_;
    RunFolder runFolder_;
};

}  // namespace krv
