// The photo workflow on a 24-megapixel 14-bit mosaic DNG of a supported
// camera, behind the headless main window. Every run of a case is a process
// of its own, so its peak memory is its own; the figures are wall time and
// peak resident memory per run and their medians.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "fixture_writer.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "tests/support/test_files.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr int kRuns = 5;

struct Figures {
    double seconds = 0.0;
    double peakMiB = 0.0;
};

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

// One run in a child process; its figures come back through a pipe.
Figures RunOnce(const WorkflowCase& c, const std::string& photo) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Figures figures;
        {
            pipeline::HeadlessWindow window;
            const auto start = std::chrono::steady_clock::now();
            c.run(window, photo);
            figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (!window.messages.empty()) std::printf("  %s: %s\n", window.messages[0].caption.c_str(),
                                                      window.messages[0].text.c_str());
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        figures.peakMiB = usage.ru_maxrss / 1024.0;
        const ssize_t written = write(channel[1], &figures, sizeof figures);
        std::fflush(stdout);
        _exit(written == ssize_t(sizeof figures) ? 0 : 1);
    }
    close(channel[1]);
    Figures figures;
    const ssize_t got = read(channel[0], &figures, sizeof figures);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return got == ssize_t(sizeof figures) ? figures : Figures{};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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
        std::vector<double> seconds, peaks;
        for (int run = 0; run < kRuns; ++run) {
            const Figures f = RunOnce(c, photo);
            seconds.push_back(f.seconds);
            peaks.push_back(f.peakMiB);
        }
        std::printf("%s: median %.3f s, peak %.0f MiB (runs:", c.name, Median(seconds), Median(peaks));
        for (double s : seconds) std::printf(" %.3f", s);
        std::printf(" s)\n");
    }
    return 0;
}
