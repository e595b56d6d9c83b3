// engine-run: deblurs one grey PGM with the deconvolution engine, for
// benchmarks and cross-checks without the program's windows.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "engine/class_fft.h"
#include "engine/memory_plane16.h"
#include "pgm_image.h"
#include "platform/bitmap.h"
#include "run_options.h"
#include "text_kernel_grid.h"

namespace {

constexpr int kBadInput = 2;

// 8-bit images go through the engine as bitmap planes, like JPEG planes do.
void DeblurEightBit(engine::ClassFFT& fft, enginerun::PgmImage& image, const enginerun::RunOptions& options) {
    platform::Bitmap bitmap(image.width, image.height, platform::PixelFormat::pf24bit);
    const auto sample = [&](int r, int c) -> uint16_t& { return image.samples[std::size_t(r) * image.width + c]; };
    for (int r = 0; r < image.height; ++r)
        for (int c = 0; c < image.width; ++c) bitmap.SetPixel(c, r, platform::RGBColor(uint8_t(sample(r, c)), 0, 0));
    fft.Deblur(nullptr, &bitmap, options.rowOffset, options.columnOffset, 0, options.white, nullptr);
    for (int r = 0; r < image.height; ++r)
        for (int c = 0; c < image.width; ++c) sample(r, c) = platform::RedOf(bitmap.Pixel(c, r));
}

void DeblurSixteenBit(engine::ClassFFT& fft, enginerun::PgmImage& image, const enginerun::RunOptions& options) {
    engine::MemoryPlane16 plane(image.width, image.height);
    plane.Samples().swap(image.samples);
    fft.Deblur(&plane, nullptr, options.rowOffset, options.columnOffset, 0, options.white, nullptr);
    plane.Samples().swap(image.samples);
}

}  // namespace

int main(int argc, char** argv) {
    enginerun::RunOptions options;
    try {
        options = enginerun::ParseRunOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const enginerun::UsageError& e) {
        std::cerr << "engine-run: " << e.what() << '\n' << enginerun::kUsage << '\n';
        return kBadInput;
    }

    try {
        enginerun::PgmImage image = enginerun::ReadPgm(options.inputPath);
        enginerun::TextKernelGrid grid = enginerun::TextKernelGrid::ReadFile(options.gridPath);
        grid.gridMode = options.gridMode;

        engine::ClassFFT fft("");
        fft.kernelPanel = &grid;
        enginerun::ConfigureEngine(fft, options);
        if (image.IsEightBit()) {
            DeblurEightBit(fft, image, options);
        } else {
            DeblurSixteenBit(fft, image, options);
        }
        // The engine clamps to the white level, which may lie above the file's maximum.
        for (uint16_t& v : image.samples) v = std::min<uint16_t>(v, uint16_t(image.maxValue));
        enginerun::WritePgm(options.outputPath, image);
    } catch (const enginerun::FileError& e) {
        std::cerr << "engine-run: " << e.what() << '\n';
        return kBadInput;
    }
    return 0;
}
