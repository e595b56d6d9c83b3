#include "pipeline/failure_text.h"

#include "platform/file_error.h"

namespace pipeline {

std::string CauseLines(const std::string& path, const std::string& reason) {
    return "\n\n" + path + "\n" + reason;
}

std::string FileCauseLines(const std::exception_ptr& failure) {
    if (!failure) return "";
    try {
        std::rethrow_exception(failure);
    } catch (const platform::FileError& error) {
        return CauseLines(error.Path(), error.Reason());
    } catch (...) {
        return "";
    }
}

std::string NotStoredText(const std::string& text, const std::string& cause) {
    // Results are written whole or not at all, so a failed one has replaced nothing.
    return text + cause + "\n\nThe result isn't stored; an earlier file of its name is unchanged.";
}

}  // namespace pipeline
