#include "pipeline/output_file.h"

#include "dng/dng_publish_file.h"
#include "pipeline/output_naming.h"

namespace pipeline {

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile OutputFile::Numbered(std::string first, std::size_t extensionLength, std::string source) {
    OutputFile output(std::move(first));
    output.extensionLength_ = extensionLength;
    output.source_ = std::move(source);
    output.numbered_ = true;
    return output;
}

std::string OutputFile::Write(const std::function<void(dng_stream&)>& write) const {
    if (!numbered_) {
        WriteFileReplacing(path_, write);
        return path_;
    }
    unsigned long number = 0;
    const auto nextName = [&] {
        std::string name;
        do name = NumberedName(path_, extensionLength_, ++number);
        while (WouldOverwriteSource(name, source_));
        return name;
    };
    return WriteFileClaiming(nextName, write);
}

}  // namespace pipeline
