// The file browser's preview of a DNG: any file is parsed, its preview chosen, read and drawn, or
// refused with at most one message; the workflow object then opens the next file as before.
#include <cstdlib>
#include <iostream>

#include "fuzz/input_file.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One window for the whole run, as the program keeps one.
    static pipeline::HeadlessWindow window;
    window.messages.clear();
    window.Convert().ReadPreviewDNG(fuzz::WriteInputFile(data, size, ".dng"));
    if (window.messages.size() > 1 || window.Convert().HasOpenDNG()) std::abort();
    return 0;
}
