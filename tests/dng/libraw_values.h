#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An independent reader's view of a raw file: LibRaw's mosaic values (after the file's
// linearization table), row-major over the whole raw image; empty when LibRaw gives no
// one-sample mosaic. `width` and `height` receive its size.
std::vector<uint16_t> LibRawValues(const std::string& path, uint32_t* width = nullptr, uint32_t* height = nullptr);
