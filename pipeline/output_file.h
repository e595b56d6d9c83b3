#pragma once
#include <cstddef>
#include <functional>
#include <string>

class dng_stream;

namespace pipeline {

// Where a finished result file goes and how it takes its name.
class OutputFile {
public:
    // Under `path`, atomically replacing whatever has that name.
    OutputFile(std::string path);  // NOLINT: a plain path is the usual target

    // The first free name of `first`, then `first` numbered -2, -3, ... before its last
    // `extensionLength` characters, claimed atomically and never replacing anything.
    // A name that could stand for the photo at `source` is passed over.
    static OutputFile Numbered(std::string first, std::size_t extensionLength, std::string source);

    // The name, or the first name tried: for messages before the file is written.
    const std::string& Path() const { return path_; }

    // Writes the file through `write` and names it; returns the name it took. Errors pass on
    // (dng_exception), and then no file of the name was made or changed.
    std::string Write(const std::function<void(dng_stream&)>& write) const;

private:
    std::string path_;
    std::size_t extensionLength_ = 0;
    std::string source_;
    bool numbered_ = false;
};

}  // namespace pipeline
