#include "pipeline/output_naming.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace pipeline {

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

std::optional<std::string> DeblurredName(const std::string& name, const std::string& extension) {
    if (name.size() < extension.size()) return std::nullopt;
    const std::size_t at = name.size() - extension.size();
    if (Lower(name.substr(at)) != extension) return std::nullopt;
    return name.substr(0, at) + "-DB" + name.substr(at);
}

std::string NumberedName(const std::string& path, std::size_t extensionLength, unsigned long number) {
    if (number <= 1) return path;
    const std::size_t at = path.size() - std::min(extensionLength, path.size());
    return path.substr(0, at) + "-" + std::to_string(number) + path.substr(at);
}

bool WouldOverwriteSource(const std::string& destination, const std::string& source) {
    if (Lower(destination) == Lower(source)) return true;
    std::error_code error;
    return std::filesystem::equivalent(destination, source, error) && !error;
}

std::string MissingFolderText(const std::string& folder) {
    return "The auto-save folder doesn't exist...\n\n" + folder +
           "\n\nChoose another folder or switch auto save off.\n\nThe result isn't stored.";
}

std::string UnsavableNameText(const std::string& name, const std::string& extension) {
    return "The photo's name doesn't end in \"" + extension + "\"...\n\n" + name +
           "\n\nThe result isn't stored.";
}

}  // namespace pipeline
