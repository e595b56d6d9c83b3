#pragma once
#include <vector>

#include "dng/dng_camera_profile.h"
#include "dng/dng_host.h"
#include "dng/dng_image.h"
#include "dng/dng_matrix.h"

class dng_negative;
class dng_render;

// The colour render of a stage-3 image: white balance, camera to PCS, hue/sat map,
// exposure, look table, tone curve and the output space with its encoding, into a
// three-plane destination of 8 or 16 bits. Source pixel = destination pixel + offset.
//
// Malformed colour data: a colour negative without a usable profile, or with singular
// matrices, throws from Start (through dng_color_spec); a zero or missing neutral falls back
// to the as-shot white, then D55. Every intermediate value is clamped, so no NaN reaches the output.
class dng_render_task {
public:
    dng_render_task(const dng_image& srcImage, dng_image& dstImage, const dng_negative& negative,
                    const dng_render& params, const dng_point& srcOffset);

    // Builds the matrices and tables; errors of the colour data surface here.
    void Start();
    // Renders one area; after Start, areas that do not overlap may run at once.
    void ProcessArea(const dng_rect& dstArea);
    // Start, then the row bands of the destination's bounds on all cores; the
    // host's abort check runs before each band, and its exception passes on.
    void Perform(dng_host& host);

    // Table of a function of [0, 1] at 4097 points, read with linear interpolation.
    class Table {
    public:
        template <class F>
        void Fill(F f) {
            for (uint32 i = 0; i < kSize; ++i) fValues[i] = f(real64(i) / (kSize - 1));
        }
        real64 operator()(real64 x) const;
        static constexpr uint32 kSize = 4097;

    private:
        std::vector<real64> fValues = std::vector<real64>(kSize, 0.0);
    };

private:
    void ProcessPixel(const real64* camera, real64 (&out)[3]) const;

    const dng_image& fSrcImage;
    dng_image& fDstImage;
    const dng_negative& fNegative;
    const dng_render& fParams;
    dng_point fSrcOffset;

    bool fStarted = false;
    bool fMonochrome = false;
    uint32 fChannels = 1;
    std::vector<real64> fCameraWhite;
    dng_matrix fCameraToRGB;  // camera → linear ProPhoto
    dng_matrix fRGBToFinal;   // linear ProPhoto → linear final space
    dng_hue_sat_map fHueSatMap;
    dng_hue_sat_map fLookTable;
    Table fExposureRamp;
    Table fToneCurve;
    Table fEncode;
};

// Hue/saturation/value adjustment of linear RGB (each in [0, 1]) through a map.
void ApplyHueSatMap(const dng_hue_sat_map& map, real64& r, real64& g, real64& b);

// The exposure ramp: black and white points, with a soft knee around the black point.
real64 ExposureRamp(real64 x, real64 black, real64 white);
