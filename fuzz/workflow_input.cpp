#include "fuzz/workflow_input.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <unistd.h>

namespace fuzz {
namespace {

struct InputFile {
    std::string path;
    ~InputFile() {
        if (!path.empty()) std::remove(path.c_str());
    }
};

}  // namespace

pipeline::HeadlessWindow& Window() {
    static const bool quiet = (std::cerr.rdbuf(nullptr), true);
    static pipeline::HeadlessWindow window;
    static_cast<void>(quiet);
    window.messages.clear();
    return window;
}

const std::string& WriteInputFile(const uint8_t* data, std::size_t size, const char* suffix) {
    static InputFile file;
    if (file.path.empty())
        file.path = (std::filesystem::temp_directory_path() /
                     ("clarivane-fuzz-" + std::to_string(getpid()) + suffix))
                        .string();
    std::FILE* out = std::fopen(file.path.c_str(), "wb");
    if (!out || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0) {
        std::cerr << "cannot write the fuzz input to " << file.path << '\n';
        std::abort();
    }
    return file.path;
}

}  // namespace fuzz
