#include "pipeline/class_twk_host.h"

#include <cmath>
#include <new>

#include "dng/dng_exceptions.h"

TWKHost::~TWKHost() = default;

std::unique_ptr<dng_negative> TWKHost::Make_dng_negative() { return TWKNegative::Make(Allocator()); }

std::unique_ptr<TWKNegative> TWKNegative::Make(dng_memory_allocator& allocator) {
    std::unique_ptr<TWKNegative> negative(new (std::nothrow) TWKNegative(allocator));
    if (!negative) ThrowMemoryFull();
    negative->Initialize();
    return negative;
}

// The large buffers are left uninitialised on purpose: their pages cost
// nothing until a photo is demosaiced or rendered into them.
TWKNegative::TWKNegative(dng_memory_allocator& allocator) : dng_negative(allocator) {
    const double exponent = 1.0 / 2.2;
    for (uint32 j = 0; j < kGammaEntries; ++j)
        GammaTable[j] = static_cast<uint32>(255.0 * std::pow(j / double(kGammaEntries), exponent) + 0.5);
    WorkImage.reset(new uint16[kMaxWorkPixels * 3]);
    FullSnapshot.reset(new uint8[kMaxWorkPixels * 3]);
}

TWKNegative::~TWKNegative() = default;

void TWKNegative::SetCFAPhase(int32 row, int32 col) {
    RowPhase = row % 2;
    ColPhase = col % 2;
}

uint8 TWKNegative::PatternColour(int32 r, int32 c) const {
    const dng_mosaic_info* info = GetMosaicInfo();
    if (!info) return 0;
    // The file's pattern holds colour codes; the planes are numbered by CFAPlaneColor.
    const uint8 code = info->fCFAPattern[r][c];
    for (uint32 plane = 0; plane < kMaxSamplesPerPixel && plane < info->fColorPlanes; ++plane)
        if (info->fCFAPlaneColor[plane] == code) return static_cast<uint8>(plane);
    return code;
}

uint8 TWKNegative::CFAColorAt(int32 col, int32 row) const {
    return PatternColour((row + RowPhase) & 1, (col + ColPhase) & 1);
}

bool TWKNegative::IsGreenInRedRow(int32 col, int32 row) const {
    const int32 r = (row + RowPhase) & 1;
    const int32 c = (col + ColPhase) & 1;
    return PatternColour(r, c) == 1 && PatternColour(r, 1 - c) == 0;
}

bool TWKNegative::IsGreenInBlueRow(int32 col, int32 row) const {
    const int32 r = (row + RowPhase) & 1;
    const int32 c = (col + ColPhase) & 1;
    return PatternColour(r, c) == 1 && PatternColour(r, 1 - c) == 2;
}

TWKNegative::ParityColours TWKNegative::ColoursByParity() const {
    ParityColours map;
    for (int32 row = 0; row < 2; ++row)
        for (int32 col = 0; col < 2; ++col) map.colour[row][col] = CFAColorAt(col, row);
    return map;
}

void TWKNegative::InstallStage1Copy(const dng_image& image) { fStage1Image = image.Clone(); }

void TWKNegative::ReleaseStageImages() {
    WorkPlane.reset();
    ReleaseStage1();
    fStage2Image.reset();
    fStage3Image.reset();
}

void TWKNegative::ReleaseStage1() {
    fStage1Image.reset();
    Stage1IsResultWindow = false;
}

void TWKNegative::ReleaseStage2() {
    fStage2Image.reset();
    fRawImage.reset();
}
