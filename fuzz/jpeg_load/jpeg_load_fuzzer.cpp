// Loading a JPEG as the main window does: marker sections with the EXIF walk, the size and
// format checks, the decode into the browser and preview pictures. A damaged file ends in a
// message and false, never in a crash or a picture of another size than the header's.
#include <cstdlib>

#include "fuzz/workflow_input.h"
#include "pipeline/class_dngconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pipeline::HeadlessWindow& window = fuzz::Window();
    pipeline::DNGConvert& convert = window.Convert();
    const bool loaded = convert.LoadJPG(fuzz::WriteInputFile(data, size, ".jpg"));
    if (loaded && (window.preview.Height() != convert.Jpeg->Height() || window.preview.Width() != convert.Jpeg->Width()))
        std::abort();
    if (!loaded && window.messages.empty()) std::abort();
    return 0;
}
