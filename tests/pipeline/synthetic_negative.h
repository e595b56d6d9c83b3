#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dng/dng_image.h"
#include "dng/dng_image_plane16.h"
#include "engine/class_fft.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/headless_window.h"

namespace pipelinetest {

// A TWKNegative whose mosaic, levels and stage images are set by hand.
class SyntheticNegative : public TWKNegative {
public:
    using TWKNegative::TWKNegative;

    static std::unique_ptr<SyntheticNegative> Make() {
        std::unique_ptr<SyntheticNegative> negative(new SyntheticNegative(gDefaultDNGMemoryAllocator()));
        negative->Initialize();
        return negative;
    }

    // An R G / G B negative holding `mosaic` as its stage-1 image.
    static std::unique_ptr<SyntheticNegative> WithMosaic(AutoPtr<dng_image> mosaic) {
        std::unique_ptr<SyntheticNegative> negative = Make();
        negative->SetBayer("0112");
        negative->SetStage1(std::move(mosaic));
        return negative;
    }

    // `codes` is the 2 x 2 pattern row by row in CFA colour codes (0 R, 1 G, 2 B).
    void SetBayer(const std::string& codes = "0112", uint32 greenSplit = 0) {
        fMosaicInfo = std::make_unique<dng_mosaic_info>();
        fMosaicInfo->fCFAPatternSize = dng_point(2, 2);
        for (int i = 0; i < 4; ++i) fMosaicInfo->fCFAPattern[i / 2][i % 2] = uint8(codes[i] - '0');
        fMosaicInfo->fColorPlanes = 3;
        fMosaicInfo->fBayerGreenSplit = greenSplit;
        SetColorChannels(3);
    }

    dng_linearization_info& Linearization() {
        if (!fLinearizationInfo) fLinearizationInfo = std::make_unique<dng_linearization_info>();
        return *fLinearizationInfo;
    }

    void SetStage1(AutoPtr<dng_image> image) { fStage1Image = std::move(image); }
};

// A one-plane 16-bit image with sample (row, col) = value(row, col).
inline AutoPtr<dng_image> MakePlane(int height, int width, const std::function<int(int, int)>& value) {
    auto image = std::make_unique<dng_simple_image>(dng_rect(uint32(height), uint32(width)), 1, ttShort,
                                                    gDefaultDNGMemoryAllocator());
    dng_image_plane16 plane(*image);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) plane.MutableRow(r)[c] = uint16_t(value(r, c));
    return image;
}

inline int At(dng_image& image, int row, int col) { return dng_image_plane16(image).Row(row)[col]; }

}  // namespace pipelinetest
