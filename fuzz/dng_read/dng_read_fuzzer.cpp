// libFuzzer entry: a file goes through the directory parse, the negative parse,
// the stage-1 read and the stage builds; the layer may refuse it, never crash.
#include <cstddef>
#include <cstdint>

#include "dng/dng_exceptions.h"
#include "dng/dng_read_negative.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        dng_memory_stream stream(data, size);
        dng_host host;
        dng_info info;
        auto negative = ReadNegative(host, stream, info, true);
        // Keep the stage builds to small images so each input stays quick.
        if (negative->Stage1Image()->Width() * uint64_t(negative->Stage1Image()->Height()) <= 4096 * 4) {
            negative->BuildStage2Image(host, ttShort);
            negative->BuildStage3Image(host, -1);
        }
    } catch (const dng_exception&) {
    }
    return 0;
}
