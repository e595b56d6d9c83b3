#include "dng/dng_camera_profile.h"

#include <cmath>

#include "dng/dng_exceptions.h"
#include "dng/dng_xy_coord.h"

namespace {

// Far beyond any real table (a few thousand divisions); keeps hostile dims from allocating.
constexpr uint64 kMaxHueSatEntries = 1u << 20;

bool Invertible(const dng_matrix& m, const dng_matrix& hint) {
    try {
        Invert(m, hint);
        return true;
    } catch (const dng_exception&) {
        return false;
    }
}

std::string ForwardMatrixFault(const dng_matrix& fm, uint32 channels, const char* name) {
    if (fm.IsEmpty())
        return {};
    if (fm.Rows() != 3 || fm.Cols() != channels)
        return std::string(name) + " has the wrong shape";
    if (!fm.IsFinite())
        return std::string(name) + " has non-finite entries";
    dng_vector ones;
    ones.SetIdentity(channels);
    const dng_vector white = fm * ones;
    const dng_vector_3 pcs = PCStoXYZ();
    for (uint32 i = 0; i < 3; ++i)
        if (std::fabs(white[i] - pcs[i]) > 0.01)
            return std::string(name) + " does not map the camera neutral to the PCS white";
    return {};
}

std::string ColorMatrixFault(const dng_matrix& cm, const dng_matrix& rm, uint32 channels,
                             const char* name) {
    if (cm.IsEmpty())
        return std::string(name) + " is missing";
    if (cm.Rows() != channels || cm.Cols() != 3)
        return std::string(name) + " has the wrong shape";
    if (!cm.IsFinite())
        return std::string(name) + " has non-finite entries";
    if (!Invertible(cm, rm))
        return std::string(name) + " is not invertible";
    return {};
}

std::string ReductionMatrixFault(const dng_matrix& rm, uint32 channels, const char* name) {
    if (rm.IsEmpty())
        return {};
    if (channels <= 3 || rm.Rows() != 3 || rm.Cols() != channels)
        return std::string(name) + " has the wrong shape";
    if (!rm.IsFinite())
        return std::string(name) + " has non-finite entries";
    return {};
}

}  // namespace

real64 IlluminantToTemperature(uint32 light) {
    switch (light) {
        case lsStandardLightA:
        case lsTungsten:
            return 2850.0;
        case lsISOStudioTungsten:
            return 3200.0;
        case lsD50:
        case lsDayWhiteFluorescent:
            return 5000.0;
        case lsD55:
        case lsDaylight:
        case lsFineWeather:
        case lsFlash:
        case lsStandardLightB:
            return 5500.0;
        case lsD65:
        case lsStandardLightC:
        case lsCloudyWeather:
            return 6500.0;
        case lsD75:
        case lsShade:
            return 7500.0;
        case lsDaylightFluorescent:
            return 6400.0;
        case lsCoolWhiteFluorescent:
        case lsFluorescent:
            return 4200.0;
        case lsWhiteFluorescent:
            return 3450.0;
        default:
            return 0.0;
    }
}

void dng_hue_sat_map::Clear() {
    fHueDivisions = fSatDivisions = fValDivisions = 0;
    fDeltas.clear();
}

void dng_hue_sat_map::SetDivisions(uint32 hue, uint32 sat, uint32 val) {
    if (hue < 1 || sat < 2 || val < 1)
        ThrowBadFormat("Hue/saturation table has too few divisions");
    const uint64 total = static_cast<uint64>(hue) * sat * val;
    if (total > kMaxHueSatEntries)
        ThrowBadFormat("Hue/saturation table is too large");
    fHueDivisions = hue;
    fSatDivisions = sat;
    fValDivisions = val;
    fDeltas.assign(static_cast<size_t>(total), Delta());
}

size_t dng_hue_sat_map::Index(uint32 hue, uint32 sat, uint32 val) const {
    if (hue >= fHueDivisions || sat >= fSatDivisions || val >= fValDivisions)
        ThrowProgramError("Hue/saturation table index out of range");
    return (static_cast<size_t>(val) * fHueDivisions + hue) * fSatDivisions + sat;
}

const dng_hue_sat_map::Delta& dng_hue_sat_map::Get(uint32 hue, uint32 sat, uint32 val) const {
    return fDeltas[Index(hue, sat, val)];
}

void dng_hue_sat_map::Set(uint32 hue, uint32 sat, uint32 val, const Delta& delta) {
    fDeltas[Index(hue, sat, val)] = delta;
}

bool dng_hue_sat_map::SetFromTagData(uint32 hue, uint32 sat, uint32 val,
                                     const std::vector<real32>& data) {
    Clear();
    if (hue < 1 || sat < 2 || val < 1)
        return false;
    const uint64 full = static_cast<uint64>(hue) * sat * val;
    if (full > kMaxHueSatEntries)
        return false;
    const uint64 withoutGrey = static_cast<uint64>(hue) * (sat - 1) * val;
    const bool hasGrey = data.size() == full * 3;
    if (!hasGrey && data.size() != withoutGrey * 3)
        return false;
    for (real32 f : data)
        if (!std::isfinite(f))
            return false;

    SetDivisions(hue, sat, val);
    size_t k = 0;
    for (uint32 v = 0; v < val; ++v)
        for (uint32 h = 0; h < hue; ++h)
            for (uint32 s = hasGrey ? 0 : 1; s < sat; ++s) {
                Delta d;
                d.hueShift = data[k];
                d.satScale = data[k + 1];
                d.valScale = data[k + 2];
                k += 3;
                Set(h, s, v, d);
            }
    return true;
}

std::vector<real32> dng_hue_sat_map::TagData() const {
    std::vector<real32> out;
    out.reserve(fDeltas.size() * 3);
    for (const Delta& d : fDeltas) {
        out.push_back(d.hueShift);
        out.push_back(d.satScale);
        out.push_back(d.valScale);
    }
    return out;
}

dng_hue_sat_map dng_hue_sat_map::Interpolate(const dng_hue_sat_map& map1,
                                             const dng_hue_sat_map& map2, real64 weight1) {
    if (weight1 >= 1.0 || map2.IsEmpty() || map1.fHueDivisions != map2.fHueDivisions ||
        map1.fSatDivisions != map2.fSatDivisions || map1.fValDivisions != map2.fValDivisions)
        return map1;
    if (weight1 <= 0.0)
        return map2;
    dng_hue_sat_map out = map1;
    const real64 w2 = 1.0 - weight1;
    for (size_t i = 0; i < out.fDeltas.size(); ++i) {
        const Delta& a = map1.fDeltas[i];
        const Delta& b = map2.fDeltas[i];
        out.fDeltas[i].hueShift = static_cast<real32>(weight1 * a.hueShift + w2 * b.hueShift);
        out.fDeltas[i].satScale = static_cast<real32>(weight1 * a.satScale + w2 * b.satScale);
        out.fDeltas[i].valScale = static_cast<real32>(weight1 * a.valScale + w2 * b.valScale);
    }
    return out;
}

bool dng_hue_sat_map::operator==(const dng_hue_sat_map& o) const {
    return fHueDivisions == o.fHueDivisions && fSatDivisions == o.fSatDivisions &&
           fValDivisions == o.fValDivisions && fDeltas == o.fDeltas;
}

bool dng_camera_profile::HasColorMatrix2() const {
    return fColorMatrix2.NotEmpty() && fColorMatrix2.Rows() == fColorMatrix1.Rows() &&
           fColorMatrix2.Cols() == fColorMatrix1.Cols() && fCalibrationIlluminant1 != lsUnknown &&
           fCalibrationIlluminant2 != lsUnknown &&
           fCalibrationIlluminant1 != fCalibrationIlluminant2;
}

std::string dng_camera_profile::Fault(uint32 channels) const {
    if (channels == 0)
        return "Profile for no colour planes";
    if (channels == 1 && fColorMatrix1.IsEmpty())
        return {};
    std::string fault;
    if (!(fault = ReductionMatrixFault(fReductionMatrix1, channels, "ReductionMatrix1")).empty())
        return fault;
    if (!(fault = ReductionMatrixFault(fReductionMatrix2, channels, "ReductionMatrix2")).empty())
        return fault;
    if (!(fault = ColorMatrixFault(fColorMatrix1, fReductionMatrix1, channels, "ColorMatrix1")).empty())
        return fault;
    if (fColorMatrix2.NotEmpty()) {
        if (fColorMatrix2.Cols() != 3)
            return "ColorMatrix2 has the wrong shape";
        if (HasColorMatrix2() &&
            !(fault = ColorMatrixFault(fColorMatrix2, fReductionMatrix2, channels, "ColorMatrix2")).empty())
            return fault;
    }
    if (!(fault = ForwardMatrixFault(fForwardMatrix1, channels, "ForwardMatrix1")).empty())
        return fault;
    if (!(fault = ForwardMatrixFault(fForwardMatrix2, channels, "ForwardMatrix2")).empty())
        return fault;
    if (fHueSatMap2.NotEmpty() &&
        (fHueSatMap1.HueDivisions() != fHueSatMap2.HueDivisions() ||
         fHueSatMap1.SatDivisions() != fHueSatMap2.SatDivisions() ||
         fHueSatMap1.ValDivisions() != fHueSatMap2.ValDivisions()))
        return "The two hue/saturation maps differ in size";
    if (HasToneCurve() && !fToneCurve.IsValid())
        return "ProfileToneCurve is not a valid curve";
    return {};
}

bool dng_camera_profile::IsValid(uint32 channels) const { return Fault(channels).empty(); }

void dng_camera_profile::NormalizeMatrices() {
    NormalizeColorMatrix(fColorMatrix1);
    NormalizeColorMatrix(fColorMatrix2);
    RoundProfileMatrix(fForwardMatrix1);
    RoundProfileMatrix(fForwardMatrix2);
    RoundProfileMatrix(fReductionMatrix1);
    RoundProfileMatrix(fReductionMatrix2);
}

void NormalizeColorMatrix(dng_matrix& m) {
    if (m.IsEmpty() || m.Cols() != 3 || !m.IsFinite())
        return;
    const real64 largest = (m * PCStoXYZ()).MaxEntry();
    if (largest > 0.0 && (largest < 0.99 || largest > 1.01))
        m.Scale(1.0 / largest);
    m.Round(10000.0);
}

void RoundProfileMatrix(dng_matrix& m) {
    if (m.NotEmpty())
        m.Round(10000.0);
}

void NormalizeAsShotNeutral(dng_vector& neutral) {
    if (neutral.IsEmpty())
        return;
    const real64 largest = neutral.MaxEntry();
    if (!(largest > 0.0) || !std::isfinite(largest)) {
        neutral.Clear();
        return;
    }
    neutral.Scale(1.0 / largest);
    neutral.Round(1000000.0);
}

void NormalizeAnalogBalance(dng_vector& balance) {
    if (balance.IsEmpty())
        return;
    const real64 smallest = balance.MinEntry();
    if (!(smallest > 0.0) || !std::isfinite(balance.MaxEntry())) {
        balance.SetIdentity(balance.Count());
        return;
    }
    balance.Scale(1.0 / smallest);
    balance.Round(1000000.0);
}
