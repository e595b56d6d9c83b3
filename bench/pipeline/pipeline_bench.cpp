// Runs each full-size raw pass of the negative on a 24-megapixel synthetic
// mosaic, each in a process of its own so that the peak memory figure
// belongs to that pass alone.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dng/dng_image_plane16.h"
#include "engine/progress_status.h"
#include "pipeline/mosaic_rows.h"
#include "platform/parallel_run.h"
#include "synthetic_negative.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Processor seconds of all this process's threads so far.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// R G / G B mosaic of soft gradients, edges and noise in 12-bit range.
int Sample(int r, int c) {
    unsigned h = unsigned(r) * 2654435761u ^ unsigned(c) * 40503u;
    h ^= h >> 13;
    const int noise = int(h % 97) - 48;
    const int base = 800 + (r / 3 + c / 5) % 1500 + ((r / 400 + c / 400) % 2 ? 1200 : 0);
    const int colour = (r + c) % 2 ? 0 : (r % 2 ? -300 : 200);
    return base + colour + noise;
}

struct Setup {
    std::unique_ptr<pipelinetest::SyntheticNegative> negative = pipelinetest::SyntheticNegative::Make();
    AutoPtr<dng_image> mosaic;
    engine::ProgressStatus progress;

    Setup() {
        negative->SetBayer("0112", 300);
        negative->Linearization().fWhiteLevel[0] = 4095;
        negative->SetStage1(pipelinetest::MakePlane(kHeight, kWidth, Sample));
        mosaic = negative->Stage1Image()->Clone();
    }
    // The deblurred green the transfer and the merges read.
    void GreenWorkPlane() { negative->WorkPlane = negative->Stage1Image()->Clone(); }
};

struct Pass {
    const char* name;
    std::function<void(Setup&)> prepare;
    std::function<void(Setup&)> run;
};

void RunInChild(const Pass& pass) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        pipeline::HeadlessWindow window;
        Setup setup;
        if (pass.prepare) pass.prepare(setup);
        const long before = PeakKilobytes();
        const double cpuBefore = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        pass.run(setup);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = CpuSeconds() - cpuBefore;
        const long after = PeakKilobytes();
        std::printf("%-34s %7.3f s  (processor %6.3f s)   peak %5ld MiB (%+5ld MiB over the set-up)\n", pass.name,
                    seconds, cpu, after / 1024, (after - before) / 1024);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

}  // namespace

int main() {
    std::printf("%d x %d mosaic (%.1f megapixels); set-up holds the raw image and a mosaic copy; %d threads\n",
                kWidth, kHeight, kWidth * double(kHeight) / 1e6, platform::WorkerCount());
    const std::vector<Pass> passes = {
        {"ReadMosaicRows (balancing)", nullptr,
         [](Setup& s) {
             pipeline::MosaicRows rows(kHeight, kWidth);
             s.negative->ReadMosaicRows(rows, dng_image_plane16(*s.negative->Stage1Image()), true);
         }},
        {"ProcessPhoto (green plane)", nullptr, [](Setup& s) { s.negative->ProcessPhoto(0, 0, false, s.progress); }},
        {"ProcessPhoto (one thread)", [](Setup&) { platform::SetWorkerCount(1); },
         [](Setup& s) { s.negative->ProcessPhoto(0, 0, false, s.progress); }},
        {"ProcessFinalResult (no circles)", [](Setup& s) { s.GreenWorkPlane(); },
         [](Setup& s) { s.negative->ProcessFinalResult(*s.mosaic, 0, 0, s.progress); }},
        {"ProcessFinalResult (one circle)",
         [](Setup& s) {
             s.GreenWorkPlane();
             pipeline::gMainWindow->FftEngine()->AddCircle(kHeight / 2, kWidth / 2);
             pipeline::gMainWindow->FftEngine()->circles.back()->SetSize(1500, 1000, 20);
         },
         [](Setup& s) { s.negative->ProcessFinalResult(*s.mosaic, 0, 0, s.progress); }},
        {"ProcessRedBlue (red)", nullptr, [](Setup& s) { s.negative->ProcessRedBlue(false, s.progress); }},
        {"ProcessRedBlue (blue)", nullptr, [](Setup& s) { s.negative->ProcessRedBlue(true, s.progress); }},
        {"ProcessRedBlue (red, one thread)", [](Setup&) { platform::SetWorkerCount(1); },
         [](Setup& s) { s.negative->ProcessRedBlue(false, s.progress); }},
        {"MergeGreenPlane (no circles)", [](Setup& s) { s.GreenWorkPlane(); },
         [](Setup& s) { s.negative->MergeGreenPlane(*s.mosaic, 0, 0); }},
        {"StoreResultInStage1", nullptr, [](Setup& s) { s.negative->StoreResultInStage1(0, 0, *s.mosaic); }},
        {"ExpandEightBitRaw", nullptr, [](Setup& s) { s.negative->ExpandEightBitRaw(); }},
    };
    for (const Pass& pass : passes) RunInChild(pass);
    return 0;
}
