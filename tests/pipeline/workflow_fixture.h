#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fixture_writer.h"
#include "tests/support/test_files.h"

namespace pipelinetest {

// A mosaic DNG of a supported camera with a smooth noisy pattern.
inline FixtureOptions MosaicFixture(uint32_t width, uint32_t height, const std::string& model = "Canon EOS 550D",
                                    uint32_t bits = 14, uint32_t seed = 1) {
    FixtureOptions o;
    o.model = model;
    o.width = width;
    o.height = height;
    o.bits = bits;
    o.samples = PatternSamples(width, height, 1, bits, seed);
    o.whiteLevel = {(1u << bits) - 1};
    return o;
}

// The same for a monochrome sensor (LinearRaw, one sample).
inline FixtureOptions MonochromeFixture(uint32_t width, uint32_t height, const std::string& model = "M Monochrom") {
    FixtureOptions o = MosaicFixture(width, height, model);
    o.cfa = false;
    o.colour = false;
    return o;
}

inline std::string WriteFixtureFile(const test_support::TempFolder& folder, const std::string& name,
                                    const FixtureOptions& options) {
    const std::string path = folder.File(name);
    test_support::WriteFileBytes(path, WriteFixtureDNG(options));
    return path;
}

}  // namespace pipelinetest
