// Deblurs a full-size 16-bit plane and a result-patch-sized one, each in a
// process of its own so that the peak memory figure belongs to that size.
// After the engine, the same process runs on the same input a whole-plane
// FFTW Wiener deconvolution as a yardstick.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "engine/class_fft.h"
#include "engine/memory_plane16.h"
#include "engine/progress_status.h"
#include "platform/parallel_run.h"
#include "platform/process_messages.h"
#include "text_kernel_grid.h"
#include "wiener_reference.h"

namespace {

constexpr int kWhite = 65535;
constexpr int kLineLength = 21;

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Horizontal line of 21 core cells through the centre.
enginerun::TextKernelGrid LineKernel() {
    std::string text;
    for (int y = 0; y < 100; ++y) {
        std::string line(100, '.');
        if (y == 50) line.replace(40, kLineLength, kLineLength, 'c');
        text += line + '\n';
    }
    return enginerun::TextKernelGrid::Parse(text);
}

// Soft gradients with sharp blocks and some noise, like a photo's plane.
void FillPlane(engine::MemoryPlane16& plane) {
    std::mt19937 gen(1);
    std::uniform_int_distribution<int> noise(-300, 300);
    for (int r = 0; r < plane.Height(); ++r) {
        uint16_t* row = plane.MutableRow(r);
        for (int c = 0; c < plane.Width(); ++c) {
            int v = 8000 + (r * 7 + c * 3) % 20000;
            if ((r / 97 + c / 131) % 3 == 0) v += 25000;
            row[c] = uint16_t(v + noise(gen));
        }
    }
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RunOne(int width, int height) {
    engine::MemoryPlane16 plane(width, height);
    FillPlane(plane);
    const engine::MemoryPlane16 input = plane;
    enginerun::TextKernelGrid grid = LineKernel();
    engine::ClassFFT fft("");
    fft.kernelPanel = &grid;
    fft.SetLowPass(10);
    fft.SetLocalization(380, 400);
    fft.maskThreshold = 100;

    const long before = PeakKilobytes();
    auto start = std::chrono::steady_clock::now();
    fft.Deblur(&plane, nullptr, 0, 0, 0, kWhite, nullptr);
    const double seconds = Seconds(start);
    const long peak = PeakKilobytes();
    std::printf("%5d x %-5d  deblur %8.3f s   peak RSS %7.1f MB   plane and setup %6.1f MB   engine %6.1f MB\n",
                width, height, seconds, peak / 1024.0, before / 1024.0, (peak - before) / 1024.0);

    // Once the process has its plans, as in the program after its first run.
    engine::MemoryPlane16 again = input;
    start = std::chrono::steady_clock::now();
    fft.Deblur(&again, nullptr, 0, 0, 0, kWhite, nullptr);
    const double repeated = Seconds(start);
    engine::MemoryPlane16 wiener = input;
    const double reference = enginebench::WienerSeconds(wiener, kLineLength);
    std::printf("%13s  again  %8.3f s   whole-plane FFTW Wiener %6.3f s   engine / Wiener %5.2f   (%d threads)\n", "",
                repeated, reference, repeated / reference, platform::WorkerCount());

    // A cancel from the event pump in the middle of a run, as the progress overlay's button gives it.
    engine::MemoryPlane16 cancelled = input;
    int pumps = 0;
    std::chrono::steady_clock::time_point cancelledAt;
    platform::SetProcessMessagesHook([&] {
        if (++pumps != 5) return;
        fft.cancelRequested = true;
        cancelledAt = std::chrono::steady_clock::now();
    });
    engine::ProgressStatus progress;
    fft.Deblur(&cancelled, nullptr, 0, 0, 0, kWhite, &progress);
    platform::SetProcessMessagesHook(nullptr);
    if (pumps >= 5 && fft.cancelRequested == false && width > engine::ClassFFT::kTileSize)
        std::printf("%13s  a cancel at the 5th message pump returns after %.1f ms\n", "",
                    1000.0 * Seconds(cancelledAt));
    std::fflush(stdout);
}

}  // namespace

int main() {
    std::printf("channel 0, line kernel 21, low pass 10, localization 380/400, mask 100, white %d\n", kWhite);
    std::fflush(stdout);
    const int sizes[][2] = {{6000, 4000}, {512, 512}};
    for (const auto& size : sizes) {
        const pid_t child = fork();
        if (child < 0) {
            std::perror("fork");
            return 1;
        }
        if (child == 0) {
            RunOne(size[0], size[1]);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "run of %d x %d failed\n", size[0], size[1]);
            return 1;
        }
    }
    return 0;
}
