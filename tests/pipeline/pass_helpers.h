#pragma once
#include <map>
#include <utility>

#include "dng_test_support.h"
#include "engine_fixture.h"
#include "synthetic_negative.h"
#include "tests/support/test_files.h"

namespace pipelinetest {

// R G / G B mosaic with one value per colour.
inline std::function<int(int, int)> PerColour(int red, int green, int blue) {
    return [=](int r, int c) { return (r + c) % 2 ? green : (r % 2 ? blue : red); };
}

// `base` with the given (row, col) sites set to other values.
inline std::function<int(int, int)> Changed(std::function<int(int, int)> base,
                                            std::map<std::pair<int, int>, int> sites) {
    return [=](int r, int c) {
        const auto site = sites.find({r, c});
        return site != sites.end() ? site->second : base(r, c);
    };
}

// Remembers the furthest position the bar reached and its maximum then.
struct RecordingBar : enginetest::FakeProgressBar {
    void SetPosition(int value) override {
        FakeProgressBar::SetPosition(value);
        if (value > peak) {
            peak = value;
            maxAtPeak = max;
        }
    }
    int peak = 0;
    int maxAtPeak = -1;
};

// Sets the negative's abort flag once the bar reaches `steps`.
class AbortingBar : public enginetest::FakeProgressBar {
public:
    AbortingBar(TWKNegative& negative, int steps) : negative_(negative), steps_(steps) {}
    void SetPosition(int value) override {
        FakeProgressBar::SetPosition(value);
        if (value >= steps_) negative_.AbortFlag = 1;
    }

private:
    TWKNegative& negative_;
    int steps_;
};

// Progress through a fake bar and label.
struct FakeProgress {
    explicit FakeProgress(enginetest::FakeProgressBar& b) { progress.bar = &b; progress.label = &label; }
    enginetest::FakeStatusLabel label;
    engine::ProgressStatus progress;
};

// A real DNG of the test data read through the program's host up to its stage-1 image.
inline std::unique_ptr<LoadedDNG> LoadRealPhoto(const std::string& name) {
    return LoadDNG(test_support::ReadFileBytes(DngTestFile(name)), true, std::make_unique<TWKHost>());
}

}  // namespace pipelinetest
