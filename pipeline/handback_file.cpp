#include "pipeline/handback_file.h"

#include <QDir>

#include "dng/dng_replace_file.h"

namespace pipeline {

std::string TemporaryFolder() {
    std::string folder = QDir::tempPath().toStdString();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool WriteHandBackFile(const std::string& folder, const std::string& savedPath) {
    try {
        WriteFileReplacing(folder + kHandBackFileName,
                           [&](dng_stream& stream) { stream.Put(savedPath.data(), savedPath.size()); });
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace pipeline
