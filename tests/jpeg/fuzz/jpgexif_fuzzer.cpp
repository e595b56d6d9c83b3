#include <cstdlib>
#include <iostream>

#include "jpgexif_test_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Message boxes and diagnostics are expected on damaged input; only
    // crashes and sanitizer reports matter here.
    platform::SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return 1; });
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (!ExerciseSections(data, size)) std::abort();
    return 0;
}
