// Opening a DNG as the main window does: parse, camera check, raw read, stages, thumbnail and
// preview render. A damaged file ends in at most one message, and a refused one leaves no open
// DNG behind.
#include <cstdlib>

#include "fuzz/workflow_input.h"
#include "pipeline/class_dngconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pipeline::HeadlessWindow& window = fuzz::Window();
    pipeline::DNGConvert& convert = window.Convert();
    const bool opened = convert.ProcessDNG(fuzz::WriteInputFile(data, size, ".dng"), "input.dng");
    if (window.messages.size() > 1 || (!opened && convert.HasOpenDNG())) std::abort();
    return 0;
}
