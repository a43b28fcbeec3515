#include "shell/session.h"

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
