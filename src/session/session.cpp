#include "session/session.h"

#include <algorithm>

namespace krv {

KrvSession::KrvSession(SessionOptions options, MessageBox& messageBox, Downloader& download)
    : messages(messageBox),
      downloader(download),
      store_{options.storeRoot},
      baseUrl_(std::move(options.baseUrl)),
      connections_(std::clamp(options.connections, 1, kMaxConnections)) {
    while (!baseUrl_.empty() && baseUrl_.back() == '/') baseUrl_.pop_back();
}

KrvSession::KrvSession(const KrvSession& from, MessageBox& messageBox)
    : state(from.state),
      ui(from.ui),
      messages(messageBox),
      downloader(from.downloader),
      store_(from.store_),
      baseUrl_(from.baseUrl_),
      connections_(from.connections_) {}

std::unique_ptr<KrvSession> KrvSession::copyForWorker(MessageBox& workerMessages) const {
    // The constructor is private: make_unique cannot reach it.
    return std::unique_ptr<KrvSession>(new KrvSession(*this, workerMessages));
}

void KrvSession::adoptWorkerResults(KrvSession&& worker) {
    state = std::move(worker.state);
    ui = std::move(worker.ui);
    // The command has ended, also when an exception ended Update All before
    // it could clear its flag; left set, every later update would skip its
    // analysis.
    state.updateAllRunning = false;
}

void KrvSession::setStatus(const std::string& text) {
    ui.lblprocessed = text;
    if (onStatusChanged) onStatusChanged(text);
}

void KrvSession::setIdBoxText(const std::string& text) {
    ui.CmbID = text;
    // The ID box change reaction: whatever stands in the box now was not
    // just downloaded.
    state.freshDownload = false;
}

}  // namespace krv
