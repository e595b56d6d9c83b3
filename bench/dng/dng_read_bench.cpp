// Reading a 24-megapixel DNG: parse, stage-1 decode, digest check, stage 2 and stage 3,
// for lossless-JPEG tiles, lossless-JPEG strips and uncompressed data.
// Prints the best time of each step over a few runs and the process's peak memory.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "dng/dng_info.h"
#include "dng/dng_negative.h"
#include "dng/dng_stream.h"
#include "fixture_writer.h"
#include "tests/support/test_files.h"

namespace {

constexpr uint32_t kWidth = 6016;
constexpr uint32_t kHeight = 4016;
constexpr int kRuns = 3;

// A smooth scene with sensor-like noise of a few levels, so differences stay small as in camera files.
std::vector<uint16_t> SceneSamples() {
    std::vector<uint16_t> v(size_t(kWidth) * kHeight);
    uint32_t state = 12345;
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            state = state * 1103515245u + 12345u;
            const double smooth = 2000.0 + 6000.0 * (1.0 + std::sin(x * 0.003) * std::cos(y * 0.002));
            const double colour = ((x ^ y) & 1) ? 1.0 : 0.6;
            v[size_t(y) * kWidth + x] = static_cast<uint16_t>(smooth * colour + ((state >> 16) % 33) - 16);
        }
    return v;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Peak resident memory since the last reset, from the kernel's high-water mark.
long PeakMegabytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kilobytes = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kilobytes) == 1) break;
    std::fclose(status);
    return kilobytes / 1024;
}

void ResetPeak() {
    if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

void Run(const char* name, FixtureOptions options) {
    options.width = kWidth;
    options.height = kHeight;
    options.bits = 14;
    options.blackLevel = {512};
    options.whiteLevel = {15000};
    options.samples = SceneSamples();
    const std::string path = "/tmp/clarivane_dng_read_bench.dng";
    size_t fileSize = 0;
    {
        const std::vector<uint8_t> bytes = WriteFixtureDNG(options);
        test_support::WriteFileBytes(path, bytes);
        fileSize = bytes.size();
    }
    options.samples.clear();
    options.samples.shrink_to_fit();
    ResetPeak();

    double best[5] = {1e9, 1e9, 1e9, 1e9, 1e9};
    for (int run = 0; run < kRuns; ++run) {
        dng_file_stream stream(path);
        dng_host host;
        dng_info info;
        auto start = std::chrono::steady_clock::now();
        info.Parse(host, stream);
        info.PostParse(host);
        auto negative = host.Make_dng_negative();
        negative->Parse(host, stream, info);
        negative->PostParse(host, stream, info);
        best[0] = std::min(best[0], Seconds(start));
        start = std::chrono::steady_clock::now();
        negative->ReadStage1Image(host, stream, info);
        best[1] = std::min(best[1], Seconds(start));
        start = std::chrono::steady_clock::now();
        negative->ValidateRawImageDigest(host);
        best[2] = std::min(best[2], Seconds(start));
        start = std::chrono::steady_clock::now();
        negative->BuildStage2Image(host, ttShort);
        best[3] = std::min(best[3], Seconds(start));
        start = std::chrono::steady_clock::now();
        negative->BuildStage3Image(host, -1);
        best[4] = std::min(best[4], Seconds(start));
    }
    std::remove(path.c_str());
    std::printf("%-28s file %6.1f MB | parse %6.2f ms | stage 1 %7.1f ms | digest %6.1f ms | stage 2 %6.1f ms | "
                "stage 3 %7.1f ms | peak RSS %ld MB\n",
                name, fileSize / 1e6, best[0] * 1e3, best[1] * 1e3, best[2] * 1e3, best[3] * 1e3, best[4] * 1e3,
                PeakMegabytes());
}

}  // namespace

int main() {
    std::printf("%u x %u (%.1f MP), 14-bit RGGB, best of %d runs\n", kWidth, kHeight, kWidth * double(kHeight) / 1e6,
                kRuns);
    FixtureOptions tiles;
    tiles.compression = 7;
    tiles.tiled = true;
    tiles.tileWidth = 256;
    tiles.tileLength = 256;
    tiles.ljpegTwoColumnsPerPixel = true;
    Run("lossless JPEG, 256 tiles", tiles);
    FixtureOptions strips;
    strips.compression = 7;
    strips.tileLength = 4016;
    strips.ljpegTwoColumnsPerPixel = true;
    Run("lossless JPEG, one strip", strips);
    FixtureOptions plain;
    plain.tileLength = 64;
    Run("uncompressed 14-bit strips", plain);
    return 0;
}
