#include <cstdlib>
#include <iostream>

#include "jpgexif_test_support.h"

namespace {
// The saved file of every input goes here; the folder lives as long as the process.
const test_support::TempFolder* gOutput = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gOutput = new test_support::TempFolder();
    // Message boxes and diagnostics are expected on damaged input; only
    // crashes and sanitizer reports matter here.
    platform::SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return 1; });
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (!ExerciseSections(data, size, gOutput->File("out.jpg"))) std::abort();
    return 0;
}
