// A 24-megapixel negative (6000 x 4000 Bayer mosaic, 16-bit): its stage-3 image rendered to
// a 320-pixel thumbnail, and the negative written as an uncompressed DNG. Each case runs in
// a process of its own so that its peak memory is its own.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "dng/dng_image_writer.h"
#include "dng/dng_render.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;

// A field of /proc/self/status in KiB (VmRSS now, VmHWM the peak since the last reset).
long StatusKilobytes(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long value = -1;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0) value = std::atol(line + n + 1);
    std::fclose(f);
    return value;
}

// Starts the peak over at the present size, so that it measures one operation.
void ResetPeak() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

void Report(const char* what, double seconds, long residentBefore) {
    const long peak = StatusKilobytes("VmHWM");
    std::printf("%s: %.3f s, peak %.1f MiB, of which %.1f MiB above what was resident before\n", what, seconds,
                peak / 1024.0, (peak - residentBefore) / 1024.0);
}

std::unique_ptr<LoadedDNG> LoadNegative() {
    FixtureOptions options;
    options.width = kWidth;
    options.height = kHeight;
    options.bits = 14;
    options.whiteLevel = {16383};
    options.blackLevel = {512};
    options.samples = PatternSamples(kWidth, kHeight, 1, 14);
    return LoadDNG(WriteFixtureDNG(options));
}

void RenderThumbnailCase() {
    auto loaded = LoadNegative();
    dng_negative& negative = *loaded->negative;
    BuildStages(*loaded);
    loaded->stream.reset();
    ResetPeak();
    const long before = StatusKilobytes("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    dng_render render(loaded->host, negative);
    render.SetMaximumSize(320);
    AutoPtr<dng_image> thumbnail = render.Render();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string what = "render 24 MP stage 3 -> " + std::to_string(thumbnail->Width()) + "x" +
                             std::to_string(thumbnail->Height()) + " sRGB thumbnail";
    Report(what.c_str(), seconds, before);
}

void WriteCase(const std::string& folder) {
    auto loaded = LoadNegative();
    dng_negative& negative = *loaded->negative;
    loaded->stream.reset();
    negative.ClearRawImageDigest();
    dng_image_preview thumbnail;
    thumbnail.fImage = loaded->host.Make_dng_image(dng_rect(213, 320), 3, ttByte);
    const std::string path = folder + "/dng_write_bench.dng";
    ResetPeak();
    const long before = StatusKilobytes("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    dng_image_writer().WriteDNGFile(loaded->host, path, negative, thumbnail);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string what = "write 24 MP DNG into " + folder + " (digest, 48 MB strip, flush to disk)";
    Report(what.c_str(), seconds, before);
    std::remove(path.c_str());
}

void InChild(const std::function<void()>& run) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        run();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

// Optional argument: the folder the DNG is written into (default /tmp).
int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    InChild(RenderThumbnailCase);
    InChild([&] { WriteCase(folder); });
    return 0;
}
