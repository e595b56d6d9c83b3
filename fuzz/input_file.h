#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Writes `size` bytes to this process's own input file (created on the first call in the
// temporary folder, removed at exit) and returns its path, for targets whose entry point
// opens a file by name. Aborts when the file cannot be written.
const std::string& WriteInputFile(const uint8_t* data, std::size_t size, const char* suffix);

}  // namespace fuzz
