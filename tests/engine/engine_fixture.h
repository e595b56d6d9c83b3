#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "controls/kernel_grid.h"
#include "engine/class_fft.h"
#include "engine/memory_plane16.h"
#include "engine/progress_status.h"
#include "platform/process_messages.h"
#include "platform/progress_controls.h"

namespace enginetest {

// The real grid model, its cells set directly and its repaint requests counted.
struct TestGrid : controls::KernelGrid {
    void Set(int x, int y, uint32_t color = kCoreColor) { PutCell(x, y, color); }
    void RequestRepaint() override { ++repaints; }
    int repaints = 0;
};

struct FakeProgressBar : platform::ProgressBarControl {
    void SetMin(int value) override { min = value; }
    void SetMax(int value) override { max = value; }
    void SetPosition(int value) override { position = value; }
    int Min() const override { return min; }
    int Max() const override { return max; }
    int Position() const override { return position; }
    void Repaint() override {}
    int min = -1, max = -1, position = -1;
};

struct FakeStatusLabel : platform::StatusLabelControl {
    std::string Text() const override { return text; }
    void SetText(const std::string& value) override { history.push_back(text = value); }
    void Repaint() override { ++repaints; }
    std::string text;
    std::vector<std::string> history;
    int repaints = 0;
};

// A memory plane that counts how often the engine committed it.
struct CountingPlane : engine::MemoryPlane16 {
    using MemoryPlane16::MemoryPlane16;
    void Commit() override { ++commits; }
    int commits = 0;
};

// Installs a process-messages hook for the lifetime of the object.
struct MessagesHook {
    explicit MessagesHook(std::function<void()> hook) { platform::SetProcessMessagesHook(std::move(hook)); }
    ~MessagesHook() { platform::SetProcessMessagesHook(nullptr); }
};

// An engine wired to a test grid, with helpers to make planes and run it.
class EngineFixture : public ::testing::Test {
protected:
    EngineFixture() : fft("") { fft.kernelPanel = &grid; }

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

    // A slanted line with a hook: neither symmetric nor its own transpose.
    void SlantedKernel() {
        for (int i = 0; i < 9; ++i) grid.Set(46 + i, 48 + i / 2);
        grid.Set(46, 47);
    }

    // Horizontal line of core cells through the centre, `length` cells long.
    void LineKernel(int length) {
        for (int i = 0; i < length; ++i) grid.Set(50 - length / 2 + i, 50);
    }

    void Run(platform::ImagePlane16& plane, int white, int channel = 0, engine::ProgressStatus* progress = nullptr,
             int rowOffset = 0, int columnOffset = 0) {
        fft.Deblur(&plane, nullptr, rowOffset, columnOffset, channel, white, progress);
    }

    // Deblurred copy of `input`, channel 0.
    CountingPlane Deblurred(CountingPlane plane, int white) {
        Run(plane, white);
        return plane;
    }

    TestGrid grid;
    engine::ClassFFT fft;
};

}  // namespace enginetest
