// The photo workflow on a 24-megapixel 14-bit mosaic DNG of a supported
// camera, behind the headless main window. Every run of a case is a process
// of its own, so its peak memory is its own; the figures are wall time and
// peak resident memory per run and their medians.
#include <cstdio>
#include <filesystem>
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

using Step = std::function<void(pipeline::HeadlessWindow&, const std::string& photo)>;

// A case sets the window up with `prepare`, untimed, then `run` is timed. The peak
// memory is the whole process's, set-up included.
struct WorkflowCase {
    const char* name;
    Step prepare;
    Step run;
};

// Where the final results are saved.
std::string gOutputFolder;

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
    return workflowbench::RunWindowCase(
        [&](pipeline::HeadlessWindow& window) {
            if (c.prepare) c.prepare(window, photo);
        },
        [&](pipeline::HeadlessWindow& window) { c.run(window, photo); });
}

// Opens the photo with a 13-cell line kernel and the result-patch zoom and method given.
Step OpenForDeblurring(int zoomPercent, bool threePlanes) {
    return [=](pipeline::HeadlessWindow& window, const std::string& photo) {
        for (int x = 44; x <= 56; ++x) window.grid.ClickCell(x, 50, false, controls::KernelGrid::kCoreColor);
        window.autoSave = true;
        window.autoSaveFolder = gOutputFolder;
        window.cropLeft = 2400;
        window.cropTop = 1600;
        window.zoomPercent = zoomPercent;
        window.Convert().ProcessDNG(photo, "bench.dng");
        window.Convert().Negative->fResultScale = zoomPercent / 100.0;
        window.Convert().HighQuality = threePlanes;
    };
}

void ResultPatch(pipeline::HeadlessWindow& window, const std::string&) {
    platform::Bitmap patch;
    window.Convert().DeblurPreview(patch);
}

// A patch after the first one, as on every later slider release: the first pays for the
// transform plans.
Step AfterAFirstPatch(const Step& open) {
    return [=](pipeline::HeadlessWindow& window, const std::string& photo) {
        open(window, photo);
        ResultPatch(window, photo);
    };
}

void FinalResult(pipeline::HeadlessWindow& window, const std::string&) {
    window.Convert().DeblurDNG(pipeline::DNGConvert::kFinalResult);
}

const std::vector<WorkflowCase>& Cases() {
    static const std::vector<WorkflowCase> cases = {
        {"open (parse, raw read, stages, thumbnail, preview render)", nullptr,
         [](pipeline::HeadlessWindow& window, const std::string& photo) {
             window.Convert().ProcessDNG(photo, "bench.dng");
         }},
        {"result patch 100%, one plane", OpenForDeblurring(100, false), ResultPatch},
        {"result patch 200%, one plane", OpenForDeblurring(200, false), ResultPatch},
        {"result patch 100%, three planes", OpenForDeblurring(100, true), ResultPatch},
        {"result patch 200%, three planes", OpenForDeblurring(200, true), ResultPatch},
        {"later result patch 100%, one plane", AfterAFirstPatch(OpenForDeblurring(100, false)), ResultPatch},
        {"later result patch 200%, one plane", AfterAFirstPatch(OpenForDeblurring(200, false)), ResultPatch},
        {"later result patch 100%, three planes", AfterAFirstPatch(OpenForDeblurring(100, true)), ResultPatch},
        {"later result patch 200%, three planes", AfterAFirstPatch(OpenForDeblurring(200, true)), ResultPatch},
        {"final result, one plane, written", OpenForDeblurring(100, false), FinalResult},
        {"final result, three planes, written", OpenForDeblurring(100, true), FinalResult},
    };
    return cases;
}

}  // namespace

// With an argument, only the cases whose name holds it run.
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    test_support::TempFolder folder;
    const std::string photo = WritePhoto(folder);
    gOutputFolder = folder.File("out");
    std::filesystem::create_directory(gOutputFolder);
    std::printf("24 MP (%u x %u) 14-bit mosaic DNG, %d runs per case, each in its own process\n", kWidth, kHeight,
                kRuns);
    for (const WorkflowCase& c : Cases()) {
        if (std::string(c.name).find(only) == std::string::npos) continue;
        std::vector<Figures> runs;
        for (int run = 0; run < kRuns; ++run) runs.push_back(RunOnce(c, photo));
        PrintFigures(c.name, runs);
    }
    return 0;
}
