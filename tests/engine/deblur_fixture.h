#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>

#include "engine/class_fft.h"
#include "engine/progress_status.h"
#include "engine_fakes.h"

namespace enginetest {

// An engine wired to a fake grid, with helpers to make and compare planes.
class DeblurFixture : public ::testing::Test {
protected:
    DeblurFixture() : fft("") { fft.kernelPanel = &grid; }

    static CountingPlane MakePlane(int width, int height, const std::function<int(int, int)>& value) {
        CountingPlane plane(width, height);
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) plane.Set(r, c, uint16_t(value(r, c)));
        return plane;
    }

    static CountingPlane NoisePlane(int width, int height, int low, int high, unsigned seed) {
        std::mt19937 gen(seed);
        std::uniform_int_distribution<int> dist(low, high);
        return MakePlane(width, height, [&](int, int) { return dist(gen); });
    }

    // Horizontal line of core cells through the centre, `length` cells long.
    void LineKernel(int length) {
        for (int i = 0; i < length; ++i) grid.Set(50 - length / 2 + i, 50);
    }

    void Run(engine::ImagePlane16& plane, int white, int channel = 0, engine::ProgressStatus* progress = nullptr,
             int rowOffset = 0, int columnOffset = 0) {
        fft.Deblur(&plane, nullptr, rowOffset, columnOffset, channel, white, progress);
    }

    FakeKernelGrid grid;
    engine::ClassFFT fft;
};

}  // namespace enginetest
