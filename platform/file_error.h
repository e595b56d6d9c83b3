#pragma once
#include <string>
#include <system_error>
#include <utility>

namespace platform {

// A file the system refused to open, read or write: which file, and the system's reason in its
// own words. The exceptions of the layers that touch files carry it beside their own type, so a
// message can tell both, whichever layer the failure came through.
class FileError {
public:
    FileError(std::string path, std::string reason) : path_(std::move(path)), reason_(std::move(reason)) {}

    const std::string& Path() const { return path_; }
    const std::string& Reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

// The system's words for an errno value, e.g. "No space left on device".
inline std::string SystemReason(int error) { return std::generic_category().message(error); }

}  // namespace platform
