#include "dng/dng_render_task.h"

#include <algorithm>
#include <cmath>

#include "dng/dng_color_space.h"
#include "dng/dng_color_spec.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_negative.h"
#include "dng/dng_render.h"
#include "dng/dng_temperature.h"
#include "dng/dng_tile_buffer.h"
#include "platform/parallel_run.h"

namespace {

real64 Clamp01(real64 x) { return x > 0.0 ? (x < 1.0 ? x : 1.0) : 0.0; }  // NaN → 0

uint8* Pixel8(dng_pixel_buffer& buffer, int32 row, int32 col, uint32 plane) {
    const int64 offset = int64(row - buffer.fArea.t) * buffer.fRowStep + int64(col - buffer.fArea.l) * buffer.fColStep +
                         (int64(plane) - int64(buffer.fPlane)) * buffer.fPlaneStep;
    return static_cast<uint8*>(buffer.fData) + offset;
}

void RGBtoHSV(real64 r, real64 g, real64 b, real64& h, real64& s, real64& v) {
    v = std::max(r, std::max(g, b));
    const real64 low = std::min(r, std::min(g, b));
    const real64 gap = v - low;
    s = v > 0.0 ? gap / v : 0.0;
    if (gap <= 0.0) {
        h = 0.0;
        return;
    }
    if (r == v) {
        h = (g - b) / gap;
        if (h < 0.0) h += 6.0;
    } else if (g == v) {
        h = 2.0 + (b - r) / gap;
    } else {
        h = 4.0 + (r - g) / gap;
    }
}

void HSVtoRGB(real64 h, real64 s, real64 v, real64& r, real64& g, real64& b) {
    if (s <= 0.0) {
        r = g = b = v;
        return;
    }
    if (h >= 6.0) h -= 6.0;
    const int32 sector = static_cast<int32>(h);
    const real64 f = h - sector;
    const real64 p = v * (1.0 - s);
    const real64 q = v * (1.0 - s * f);
    const real64 t = v * (1.0 - s * (1.0 - f));
    switch (sector) {
        case 0:
            r = v, g = t, b = p;
            break;
        case 1:
            r = q, g = v, b = p;
            break;
        case 2:
            r = p, g = v, b = t;
            break;
        case 3:
            r = p, g = q, b = v;
            break;
        case 4:
            r = t, g = p, b = v;
            break;
        default:
            r = v, g = p, b = q;
            break;
    }
}

// Weight of the first of a profile's two tables for a white, from its illuminants.
real64 ProfileTableWeight(const dng_camera_profile& profile, const dng_xy_coord& white) {
    const real64 t1 = profile.CalibrationTemperature1();
    const real64 t2 = profile.CalibrationTemperature2();
    if (t1 <= 0.0 || t2 <= 0.0 || t1 == t2) return 1.0;
    const real64 weightLow = InverseTemperatureWeight(white, std::min(t1, t2), std::max(t1, t2));
    return t1 < t2 ? weightLow : 1.0 - weightLow;
}

}  // namespace

real64 dng_render_task::Table::operator()(real64 x) const {
    const real64 scaled = Clamp01(x) * (kSize - 1);
    const uint32 index = std::min(static_cast<uint32>(scaled), kSize - 2);
    const real64 f = scaled - index;
    return fValues[index] + (fValues[index + 1] - fValues[index]) * f;
}

void ApplyHueSatMap(const dng_hue_sat_map& map, real64& r, real64& g, real64& b) {
    const uint32 hueDivs = map.HueDivisions(), satDivs = map.SatDivisions(), valDivs = map.ValDivisions();
    if (map.IsEmpty() || hueDivs == 0 || satDivs < 2 || valDivs == 0) return;
    real64 h, s, v;
    RGBtoHSV(r, g, b, h, s, v);
    const real64 hs = h * hueDivs / 6.0;
    const real64 ss = s * (satDivs - 1);
    const real64 vs = v * (valDivs - 1);
    uint32 h0 = std::min(static_cast<uint32>(hs), hueDivs - 1);
    const real64 hf = hs - h0;
    const uint32 h1 = h0 + 1 < hueDivs ? h0 + 1 : 0;
    const uint32 s0 = std::min(static_cast<uint32>(ss), satDivs - 2);
    const real64 sf = ss - s0;
    const uint32 v0 = valDivs > 1 ? std::min(static_cast<uint32>(vs), valDivs - 2) : 0;
    const real64 vf = valDivs > 1 ? vs - v0 : 0.0;
    real64 shift = 0.0, satScale = 0.0, valScale = 0.0;
    for (uint32 dv = 0; dv < (valDivs > 1 ? 2u : 1u); ++dv)
        for (uint32 dh = 0; dh < 2; ++dh)
            for (uint32 ds = 0; ds < 2; ++ds) {
                const real64 w =
                    (dh ? hf : 1.0 - hf) * (ds ? sf : 1.0 - sf) * (valDivs > 1 ? (dv ? vf : 1.0 - vf) : 1.0);
                const dng_hue_sat_map::Delta& d = map.Get(dh ? h1 : h0, s0 + ds, v0 + dv);
                shift += w * d.hueShift;
                satScale += w * d.satScale;
                valScale += w * d.valScale;
            }
    // fmod keeps the wrap to one step whatever the shift; a sum just below 0 can round to 6.
    h = std::fmod(h + shift * 6.0 / 360.0, 6.0);
    if (h < 0.0) h += 6.0;
    if (!(h >= 0.0 && h < 6.0)) h = 0.0;
    s = std::min(s * satScale, 1.0);
    v = Clamp01(v * valScale);
    HSVtoRGB(h, Clamp01(s), v, r, g, b);
}

real64 ExposureRamp(real64 x, real64 black, real64 white) {
    const real64 slope = 1.0 / (white - black);
    const real64 radius = std::min(black * 0.5, (1.0 / 16.0) / slope);
    if (x <= black - radius) return 0.0;
    if (x >= black + radius) return std::min((x - black) * slope, 1.0);
    const real64 y = x - black + radius;
    return slope / (4.0 * radius) * y * y;
}

dng_render_task::dng_render_task(const dng_image& srcImage, dng_image& dstImage, const dng_negative& negative,
                                 const dng_render& params, const dng_point& srcOffset)
    : fSrcImage(srcImage), fDstImage(dstImage), fNegative(negative), fParams(params), fSrcOffset(srcOffset) {}

void dng_render_task::Start() {
    if (fSrcImage.PixelType() != ttShort) ThrowProgramError("Pixel type access mismatch");
    if (fDstImage.Planes() != 3 || (fDstImage.PixelType() != ttByte && fDstImage.PixelType() != ttShort))
        ThrowProgramError("Render destination must be a three-plane 8- or 16-bit image");
    const dng_space_ProPhoto& working = dng_space_ProPhoto::Get();
    fChannels = fSrcImage.Planes();
    if (fChannels > kMaxSamplesPerPixel) ThrowProgramError("Too many planes to render");
    fMonochrome = fNegative.ColorChannels() == 1 || fChannels == 1;
    if (!fMonochrome) {
        if (fChannels != fNegative.ColorChannels()) ThrowProgramError("Stage-3 planes differ from the colour channels");
        const dng_camera_profile* profile = fNegative.ProfileToEmbed();
        dng_color_spec colorConversion(fNegative, profile);
        dng_xy_coord white;
        if (fParams.WhiteXY().IsValid())
            white = fParams.WhiteXY();
        else if (fNegative.HasCameraNeutral())
            white = colorConversion.NeutralToXY(fNegative.CameraNeutral());
        else if (fNegative.HasCameraWhiteXY())
            white = dng_xy_coord(fNegative.CameraWhiteX(), fNegative.CameraWhiteY());
        else
            white = D55_xy_coord();
        colorConversion.SetWhiteXY(white);
        const dng_vector& cameraWhite = colorConversion.CameraWhite();
        fCameraWhite.assign(fChannels, 1.0);
        for (uint32 i = 0; i < fChannels && i < cameraWhite.Count(); ++i) fCameraWhite[i] = cameraWhite[i];
        fCameraToRGB = working.MatrixFromPCS() * colorConversion.CameraToPCS();
        if (!fCameraToRGB.IsFinite()) ThrowMatrixMath("Camera to output matrix is not finite");
        if (profile && profile->HasHueSatMap()) {
            fHueSatMap = profile->HueSatMap2().NotEmpty()
                             ? dng_hue_sat_map::Interpolate(profile->HueSatMap1(), profile->HueSatMap2(),
                                                            ProfileTableWeight(*profile, colorConversion.WhiteXY()))
                             : profile->HueSatMap1();
        }
        if (profile && profile->HasLookTable()) fLookTable = profile->LookTable();
    }
    fRGBToFinal = fParams.FinalSpace().MatrixFromPCS() * working.MatrixToPCS();

    const bool colorimetric = fNegative.Shared().fColorimetricReference != 0;
    const real64 shadowScale =
        fNegative.Shared().fShadowScale.IsValid() ? fNegative.Shared().fShadowScale.As_real64() : 1.0;
    real64 exposure = fParams.Exposure() + fNegative.BaselineExposure();
    if (!std::isfinite(exposure)) exposure = 0.0;
    const real64 white = std::pow(2.0, -std::max(0.0, exposure));
    const real64 black = std::min(colorimetric ? 0.0 : fParams.Shadows() * shadowScale * 0.001, 0.99 * white);
    fExposureRamp.Fill(
        [&](real64 x) { return black > 0.0 ? ExposureRamp(x, black, white) : std::min(x / white, 1.0); });

    const dng_tone_curve& custom = fParams.ToneCurve();
    const bool useCustom = !custom.Points().empty() && custom.IsValid();
    const dng_tone_curve_acr3_default& standard = dng_tone_curve_acr3_default::Get();
    const real64 s = std::pow(2.0, std::min(0.0, exposure));
    const real64 a = 16.0 / 9.0 * (1.0 - s);
    const real64 b = s - a * 0.5;
    const real64 c = 1.0 - a - b;
    fToneCurve.Fill([&](real64 x) {
        const real64 e = s >= 1.0 ? x : (x <= 0.25 ? s * x : (a * x + b) * x + c);
        if (colorimetric) return e;
        return useCustom ? custom.Evaluate(e) : standard.Evaluate(e);
    });
    const dng_color_space& space = fParams.FinalSpace();
    fEncode.Fill([&](real64 x) { return space.EncodeGamma(x); });
    fStarted = true;
}

void dng_render_task::ProcessPixel(const real64* camera, real64 (&out)[3]) const {
    real64 rgb[3];
    if (fMonochrome) {
        rgb[0] = rgb[1] = rgb[2] = Clamp01(camera[0]);
    } else {
        real64 clipped[kMaxSamplesPerPixel];
        for (uint32 i = 0; i < fChannels; ++i) clipped[i] = std::min(camera[i], fCameraWhite[i]);
        for (uint32 r = 0; r < 3; ++r) {
            real64 sum = 0.0;
            for (uint32 i = 0; i < fChannels; ++i) sum += fCameraToRGB[r][i] * clipped[i];
            rgb[r] = Clamp01(sum);
        }
        if (fHueSatMap.NotEmpty()) ApplyHueSatMap(fHueSatMap, rgb[0], rgb[1], rgb[2]);
    }
    for (real64& x : rgb) x = fExposureRamp(x);
    if (fLookTable.NotEmpty()) ApplyHueSatMap(fLookTable, rgb[0], rgb[1], rgb[2]);

    // The curve sets the largest and smallest channel; the middle one keeps its place between them.
    int hi = 0, lo = 0;
    for (int i = 1; i < 3; ++i) {
        if (rgb[i] > rgb[hi]) hi = i;
        if (rgb[i] < rgb[lo]) lo = i;
    }
    // Not "==": a NaN channel must take this branch too, or `mid` below would index past rgb.
    if (!(rgb[hi] > rgb[lo])) {
        const real64 t = fToneCurve(rgb[0]);
        rgb[0] = rgb[1] = rgb[2] = t;
    } else {
        const int mid = 3 - hi - lo;
        const real64 hiT = fToneCurve(rgb[hi]), loT = fToneCurve(rgb[lo]);
        rgb[mid] = loT + (hiT - loT) * (rgb[mid] - rgb[lo]) / (rgb[hi] - rgb[lo]);
        rgb[hi] = hiT;
        rgb[lo] = loT;
    }
    for (uint32 r = 0; r < 3; ++r)
        out[r] = fEncode(Clamp01(fRGBToFinal[r][0] * rgb[0] + fRGBToFinal[r][1] * rgb[1] + fRGBToFinal[r][2] * rgb[2]));
}

void dng_render_task::ProcessArea(const dng_rect& dstArea) {
    if (!fStarted) Start();
    const dng_rect srcArea(dstArea.t + fSrcOffset.v, dstArea.l + fSrcOffset.h, dstArea.b + fSrcOffset.v,
                           dstArea.r + fSrcOffset.h);
    if (!RectInside(srcArea, fSrcImage.Bounds()) || !RectInside(dstArea, fDstImage.Bounds()))
        ThrowProgramError("Render area outside the images");
    dng_const_tile_buffer src(fSrcImage, srcArea);
    dng_dirty_tile_buffer dst(fDstImage, dstArea);
    const bool eightBit = fDstImage.PixelType() == ttByte;
    real64 camera[kMaxSamplesPerPixel];
    real64 out[3];
    for (int32 row = dstArea.t; row < dstArea.b; ++row) {
        for (int32 col = dstArea.l; col < dstArea.r; ++col) {
            for (uint32 p = 0; p < fChannels && p < kMaxSamplesPerPixel; ++p)
                camera[p] = *src.ConstPixel_uint16(row + fSrcOffset.v, col + fSrcOffset.h, p) * (1.0 / 65535.0);
            ProcessPixel(camera, out);
            for (uint32 p = 0; p < 3; ++p) {
                if (eightBit)
                    *Pixel8(dst, row, col, p) = static_cast<uint8>(out[p] * 255.0 + 0.5);
                else
                    *dst.DirtyPixel_uint16(row, col, p) = static_cast<uint16>(out[p] * 65535.0 + 0.5);
            }
        }
    }
}

void dng_render_task::Perform(dng_host& host) {
    Start();
    const dng_rect bounds = fDstImage.Bounds();
    constexpr int32 kBandRows = 32;
    platform::RunRowBands(int(bounds.H()), kBandRows, [&](int first, int last, int) {
        host.SniffForAbort();
        ProcessArea(dng_rect(bounds.t + first, bounds.l, bounds.t + last, bounds.r));
    });
}
