#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/headless_window.h"
#include "tests/support/test_files.h"

namespace workflow_damage {

// A photo written to a temporary folder, with the SHA-256 of its bytes as written, so a test can
// tell whether an operation changed, replaced or removed it.
class SourceFile {
public:
    SourceFile(const std::vector<uint8_t>& bytes, const std::string& name);
    const std::string& Path() const { return path_; }
    // True when the file still holds exactly the bytes it was written with and nothing was
    // written beside it.
    bool Unchanged() const;

private:
    test_support::TempFolder folder_;
    std::string path_;
    std::string digest_;
};

// SHA-256 of a file's bytes as hex; empty when it cannot be read.
std::string FileDigest(const std::string& path);

using Texts = std::vector<std::string>;

// Texts of the message boxes the window has shown.
Texts BoxTexts(const pipeline::HeadlessWindow& window);

}  // namespace workflow_damage
