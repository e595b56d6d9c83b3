#include "source_file.h"

#include <nettle/sha2.h>

#include <filesystem>

namespace workflow_damage {

std::string FileDigest(const std::string& path) {
    if (!std::filesystem::is_regular_file(path)) return "";
    const std::vector<uint8_t> bytes = test_support::ReadFileBytes(path);
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), bytes.data());
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : digest) text += {kHex[b >> 4], kHex[b & 15]};
    return text;
}

SourceFile::SourceFile(const std::vector<uint8_t>& bytes, const std::string& name) : path_(folder_.File(name)) {
    test_support::WriteFileBytes(path_, bytes);
    digest_ = FileDigest(path_);
}

bool SourceFile::Unchanged() const {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) files += entry.exists();
    return files == 1 && !digest_.empty() && FileDigest(path_) == digest_;
}

Texts BoxTexts(const pipeline::HeadlessWindow& window) {
    Texts texts;
    for (const pipeline::RecordedMessage& m : window.messages) texts.push_back(m.text);
    return texts;
}

}  // namespace workflow_damage
