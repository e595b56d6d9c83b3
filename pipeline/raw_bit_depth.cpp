#include "pipeline/raw_bit_depth.h"

#include "dng/dng_info.h"

namespace pipeline {

bool HasEightBitRaw(const dng_info& info) {
    return info.IFDCount() > 1 && info.fIFD[1]->fBitsPerSample[0] == 8;
}

}  // namespace pipeline
