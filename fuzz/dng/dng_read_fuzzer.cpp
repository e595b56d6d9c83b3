// libFuzzer entry: a file goes through the directory parse, the negative parse,
// the stage-1 read and the stage builds; the layer may refuse it, never crash.
#include <cstddef>
#include <cstdint>

#include "dng/dng_exceptions.h"
#include "dng/dng_info.h"
#include "dng/dng_negative.h"
#include "dng/dng_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        dng_memory_stream stream(data, size);
        dng_host host;
        dng_info info;
        info.Parse(host, stream);
        info.PostParse(host);
        if (!info.IsValidDNG()) return 0;
        auto negative = host.Make_dng_negative();
        negative->Parse(host, stream, info);
        negative->PostParse(host, stream, info);
        negative->ReadStage1Image(host, stream, info);
        negative->ValidateRawImageDigest(host);
        // Keep the stage builds to small images so each input stays quick.
        if (negative->Stage1Image()->Width() * uint64_t(negative->Stage1Image()->Height()) <= 4096 * 4) {
            negative->BuildStage2Image(host, ttShort);
            negative->BuildStage3Image(host, -1);
        }
    } catch (const dng_exception&) {
    }
    return 0;
}
