// Downloads over HTTP with libcurl.
#pragma once

#include "platform/download.h"

namespace krv {

class CurlDownloader : public Downloader {
public:
    CurlDownloader();
    ~CurlDownloader() override;
    DownloadResult download(const std::string& url, const std::string& path) override;
};

}  // namespace krv
