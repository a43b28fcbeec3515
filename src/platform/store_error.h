// A write to the store that failed. Whatever the program writes into the
// store either lands whole or ends the command with this error, which names
// the path and the system's reason; the command layer shows it to the user
// in a box titled kStoreErrorTitle and ends the command as failed.
#pragma once

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace krv {

inline constexpr const char* kStoreErrorTitle = "Store Error";

class StoreError : public std::runtime_error {
public:
    StoreError(std::string path, std::string reason)
        : std::runtime_error("Could not write " + path + ": " + reason),
          path_(std::move(path)),
          reason_(std::move(reason)) {}

    // The reason the system gave for errno value `error`.
    static StoreError fromErrno(std::string path, int error) {
        return StoreError(std::move(path), std::strerror(error));
    }

    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

}  // namespace krv
