#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// The DNG bytes with IFD 0's UniqueCameraModel replaced by `model` in place:
// the same byte count, the rest padded with NULs, so every offset stays.
// Throws std::invalid_argument when the file has no such tag or the name
// does not fit.
std::vector<uint8_t> WithUniqueCameraModel(std::vector<uint8_t> bytes, const std::string& model);

// The bytes with the SHORT value of `tag` in IFD 0 set to `value`; throws
// std::invalid_argument when IFD 0 has no such single SHORT.
std::vector<uint8_t> WithIfd0Short(std::vector<uint8_t> bytes, uint16_t tag, uint16_t value);

}  // namespace test_support
