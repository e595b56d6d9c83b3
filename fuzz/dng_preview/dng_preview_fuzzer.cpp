// The file browser's preview of a DNG: any file is parsed, its preview chosen, read and drawn, or
// refused with at most one message, and no DNG is left open.
#include <cstdlib>

#include "fuzz/workflow_input.h"
#include "pipeline/class_dngconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pipeline::HeadlessWindow& window = fuzz::Window();
    window.Convert().ReadPreviewDNG(fuzz::WriteInputFile(data, size, ".dng"));
    if (window.messages.size() > 1 || window.Convert().HasOpenDNG()) std::abort();
    return 0;
}
