#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "dng/dng_info.h"
#include "dng/dng_stream.h"
#include "engine_fakes.h"
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

// A real DNG of the test data read through the program's host up to its stage-1 image.
struct RealPhoto {
    explicit RealPhoto(const std::string& name) {
        dng_file_stream stream(test_support::TestData("dng/" + name));
        dng_info info;
        info.Parse(host, stream);
        info.PostParse(host);
        made = host.Make_dng_negative();
        negative = dynamic_cast<TWKNegative*>(made.get());
        made->Parse(host, stream, info);
        made->PostParse(host, stream, info);
        made->ReadStage1Image(host, stream, info);
    }

    TWKHost host;
    std::unique_ptr<dng_negative> made;
    TWKNegative* negative = nullptr;
};

}  // namespace pipelinetest
