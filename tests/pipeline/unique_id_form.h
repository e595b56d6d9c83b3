#pragma once
#include <string>

#include "dng/dng_fingerprint.h"

namespace pipelinetest {

// Whether a raw-data unique ID holds 16 text bytes of the form 8 lower-case hex
// digits, "-", 4 of them, "-", 2 of them.
inline bool HasUniqueIDForm(const dng_fingerprint& id) {
    for (int k = 0; k < 16; ++k) {
        const char c = char(id.data[k]);
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (k == 8 || k == 13 ? c != '-' : !hex) return false;
    }
    return true;
}

inline std::string IDText(const dng_fingerprint& id) { return std::string(reinterpret_cast<const char*>(id.data), 16); }

}  // namespace pipelinetest
