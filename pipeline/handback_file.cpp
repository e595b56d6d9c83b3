#include "pipeline/handback_file.h"

#include <QDir>

#include "dng/dng_publish_file.h"

namespace pipeline {

std::string TemporaryFolder() {
    std::string folder = QDir::tempPath().toStdString();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool WriteHandBackFile(const std::string& folder, const std::string& savedPath, std::string* reason) {
    try {
        WriteFileReplacing(folder + kHandBackFileName,
                           [&](dng_stream& stream) { stream.Put(savedPath.data(), savedPath.size()); });
        return true;
    } catch (const std::exception& e) {
        if (reason) *reason = e.what();
        return false;
    }
}

std::string HandBackFailureText(const std::string& savedPath, const std::string& handBackPath,
                                const std::string& reason) {
    return "The result is saved as\n\n" + savedPath +
           "\n\nbut Lightroom can't be told: the file that hands it back could not be written...\n\n" +
           handBackPath + "\n\n" + reason;
}

}  // namespace pipeline
