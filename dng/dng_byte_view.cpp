#include "dng/dng_byte_view.h"

#include <cstring>
#include <string>

#include "dng/dng_exceptions.h"

bool dng_byte_view::Matches(uint64 offset, const void* bytes, uint64 count) const {
    return Contains(offset, count) && (count == 0 || std::memcmp(fData + offset, bytes, count) == 0);
}

void dng_byte_view::ThrowPastEnd(uint64 offset, uint64 count) const {
    Throw_dng_error(dng_error_end_of_file, "Read of " + std::to_string(count) + " bytes at offset " +
                                              std::to_string(offset) + " runs past the end of a " +
                                              std::to_string(fSize) + "-byte view");
}
