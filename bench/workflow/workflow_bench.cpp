// The photo workflow on a 24-megapixel 14-bit mosaic DNG of a supported
// camera, behind the headless main window. Every run of a case is a process
// of its own, so its peak memory is its own; the figures are wall time and
// peak resident memory per run and their medians.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "fixture_writer.h"
#include "own_process_run.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "tests/support/test_files.h"

namespace {

using workflowbench::Figures;
using workflowbench::PrintFigures;

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr int kRuns = 5;

// A case sets the window up, then `run` is timed.
struct WorkflowCase {
    const char* name;
    std::function<void(pipeline::HeadlessWindow&, const std::string& photo)> run;
};

std::string WritePhoto(const test_support::TempFolder& folder) {
    FixtureOptions o;
    o.model = "Canon EOS 5D Mark III";
    o.width = kWidth;
    o.height = kHeight;
    o.bits = 14;
    o.whiteLevel = {16383};
    o.blackLevel = {512};
    o.activeArea = {0, 8, int32_t(kHeight), int32_t(kWidth)};
    o.samples = PatternSamples(kWidth, kHeight, 1, 14);
    const std::string path = folder.File("bench.dng");
    test_support::WriteFileBytes(path, WriteFixtureDNG(o));
    return path;
}

Figures RunOnce(const WorkflowCase& c, const std::string& photo) {
    return workflowbench::RunWindowCase([](pipeline::HeadlessWindow&) {},
                                        [&](pipeline::HeadlessWindow& window) { c.run(window, photo); });
}

const std::vector<WorkflowCase>& Cases() {
    static const std::vector<WorkflowCase> cases = {
        {"open (parse, raw read, stages, thumbnail, preview render)",
         [](pipeline::HeadlessWindow& window, const std::string& photo) {
             window.Convert().ProcessDNG(photo, "bench.dng");
         }},
    };
    return cases;
}

}  // namespace

int main() {
    test_support::TempFolder folder;
    const std::string photo = WritePhoto(folder);
    std::printf("24 MP (%u x %u) 14-bit mosaic DNG, %d runs per case, each in its own process\n", kWidth, kHeight,
                kRuns);
    for (const WorkflowCase& c : Cases()) {
        std::vector<Figures> runs;
        for (int run = 0; run < kRuns; ++run) runs.push_back(RunOnce(c, photo));
        PrintFigures(c.name, runs);
    }
    return 0;
}
