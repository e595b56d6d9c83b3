#include "pipeline/handback_file.h"

#include <cstdlib>

#include "dng/dng_publish_file.h"
#include "pipeline/failure_text.h"
#include "platform/file_error.h"

namespace pipeline {

std::string TemporaryFolder() {
    // Taken as given: a TMPDIR that is missing must fail the write there, not send it elsewhere
    // (QDir::tempPath makes a missing folder the empty path, which would mean the root folder).
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool WriteHandBackFile(const std::string& folder, const std::string& savedPath, std::string* reason) {
    try {
        WriteFileReplacing(folder + kHandBackFileName,
                           [&](dng_stream& stream) { stream.Put(savedPath.data(), savedPath.size()); });
        return true;
    } catch (const platform::FileError& e) {
        if (reason) *reason = e.Reason();
        return false;
    } catch (const std::exception& e) {
        if (reason) *reason = e.what();
        return false;
    }
}

std::string HandBackFailureText(const std::string& savedPath, const std::string& handBackPath,
                                const std::string& reason) {
    return "The result is saved as\n\n" + savedPath +
           "\n\nbut Lightroom can't be told: the file that hands it back could not be written..." +
           CauseLines(handBackPath, reason);
}

}  // namespace pipeline
