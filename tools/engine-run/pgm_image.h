#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace enginerun {

// A binary grey map (P5): 8-bit samples when maxValue < 256, else 16-bit
// big-endian on disk. Samples are kept row by row from the top.
struct PgmImage {
    int width = 0;
    int height = 0;
    int maxValue = 0;
    std::vector<uint16_t> samples;

    bool IsEightBit() const { return maxValue < 256; }
};

// Thrown for any file that cannot be read or written; the text says why.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole content of a file.
std::string ReadWholeFile(const std::string& path);

// `parse` applied to the content of a file; its errors get the file's name in front.
template <class Result>
Result ParseFile(const std::string& path, Result (*parse)(const std::string&)) {
    const std::string bytes = ReadWholeFile(path);
    try {
        return parse(bytes);
    } catch (const FileError& e) {
        throw FileError(path + ": " + e.what());
    }
}

PgmImage ReadPgm(const std::string& path);
PgmImage ParsePgm(const std::string& bytes);
void WritePgm(const std::string& path, const PgmImage& image);

}  // namespace enginerun
