#pragma once
#include <string>
#include <vector>

#include "dng/dng_matrix.h"
#include "dng/dng_tone_curve.h"
#include "dng/dng_types.h"

// Light sources of CalibrationIlluminant1/2 (EXIF LightSource codes).
enum : uint32 {
    lsUnknown = 0,
    lsDaylight = 1,
    lsFluorescent = 2,
    lsTungsten = 3,
    lsFlash = 4,
    lsFineWeather = 9,
    lsCloudyWeather = 10,
    lsShade = 11,
    lsDaylightFluorescent = 12,
    lsDayWhiteFluorescent = 13,
    lsCoolWhiteFluorescent = 14,
    lsWhiteFluorescent = 15,
    lsWarmWhiteFluorescent = 16,
    lsStandardLightA = 17,
    lsStandardLightB = 18,
    lsStandardLightC = 19,
    lsD55 = 20,
    lsD65 = 21,
    lsD75 = 22,
    lsD50 = 23,
    lsISOStudioTungsten = 24,
    lsOther = 255,
};

// ProfileEmbedPolicy values.
enum : uint32 {
    pepAllowCopying = 0,
    pepEmbedIfUsed = 1,
    pepEmbedNever = 2,
    pepNoRestrictions = 3,
};

// Correlated colour temperature (kelvin) the matrices of an illuminant were made for;
// 0 when the illuminant has none (unknown, "other", warm-white fluorescent).
real64 IlluminantToTemperature(uint32 light);

// A hue/saturation/value correction table (ProfileHueSatMap or ProfileLookTable):
// per division a hue shift in degrees and saturation and value scales. Stored value-major,
// then hue, saturation fastest.
class dng_hue_sat_map {
public:
    struct Delta {
        real32 hueShift = 0.0f;
        real32 satScale = 1.0f;
        real32 valScale = 1.0f;
        bool operator==(const Delta& o) const {
            return hueShift == o.hueShift && satScale == o.satScale && valScale == o.valScale;
        }
    };

    bool IsEmpty() const { return fDeltas.empty(); }
    bool NotEmpty() const { return !IsEmpty(); }
    void Clear();

    uint32 HueDivisions() const { return fHueDivisions; }
    uint32 SatDivisions() const { return fSatDivisions; }
    uint32 ValDivisions() const { return fValDivisions; }

    // Sizes the table (identity deltas). At least 1 hue, 2 saturation and 1 value divisions,
    // else bad format; an absurd total size is refused as bad format too.
    void SetDivisions(uint32 hue, uint32 sat, uint32 val);

    const Delta& Get(uint32 hue, uint32 sat, uint32 val) const;
    void Set(uint32 hue, uint32 sat, uint32 val, const Delta& delta);
    const std::vector<Delta>& Deltas() const { return fDeltas; }

    // Fills the table from tag data (float triples). `data` holds either every division or,
    // when the saturation-0 column is left out, hue·(sat−1)·val triples; the left-out column
    // is the identity. Returns false (table cleared) when dims or count do not fit.
    bool SetFromTagData(uint32 hue, uint32 sat, uint32 val, const std::vector<real32>& data);

    // Triples of every division in storage order, as written back to a file.
    std::vector<real32> TagData() const;

    // weight1·map1 + (1 − weight1)·map2 for maps of equal divisions; otherwise map1.
    static dng_hue_sat_map Interpolate(const dng_hue_sat_map& map1, const dng_hue_sat_map& map2,
                                       real64 weight1);

    bool operator==(const dng_hue_sat_map& o) const;
    bool operator!=(const dng_hue_sat_map& o) const { return !(*this == o); }

private:
    size_t Index(uint32 hue, uint32 sat, uint32 val) const;

    uint32 fHueDivisions = 0;
    uint32 fSatDivisions = 0;
    uint32 fValDivisions = 0;
    std::vector<Delta> fDeltas;
};

// A camera profile: what a DNG says about turning camera RGB into colorimetric XYZ.
//
// CameraCalibration1/2, their CameraCalibrationSignature and AnalogBalance describe the
// individual camera, not the model, so they stay with the negative; only the profile's
// ProfileCalibrationSignature lives here. dng_color_spec brings the two together (the
// calibration applies when both signatures are equal).
class dng_camera_profile {
public:
    dng_camera_profile() = default;

    // Colour planes of the camera (rows of ColorMatrix1); 0 while there is none.
    uint32 Channels() const { return fColorMatrix1.Rows(); }

    const std::string& Name() const { return fName; }
    void SetName(const std::string& name) { fName = name; }
    // The name a profile shows when it has none of its own.
    static const char* EmbeddedName() { return "Embedded"; }

    uint32 CalibrationIlluminant1() const { return fCalibrationIlluminant1; }
    uint32 CalibrationIlluminant2() const { return fCalibrationIlluminant2; }
    void SetCalibrationIlluminant1(uint32 light) { fCalibrationIlluminant1 = light; }
    void SetCalibrationIlluminant2(uint32 light) { fCalibrationIlluminant2 = light; }
    real64 CalibrationTemperature1() const { return IlluminantToTemperature(fCalibrationIlluminant1); }
    real64 CalibrationTemperature2() const { return IlluminantToTemperature(fCalibrationIlluminant2); }

    // XYZ → camera, n×3.
    const dng_matrix& ColorMatrix1() const { return fColorMatrix1; }
    const dng_matrix& ColorMatrix2() const { return fColorMatrix2; }
    void SetColorMatrix1(const dng_matrix& m) { fColorMatrix1 = m; }
    void SetColorMatrix2(const dng_matrix& m) { fColorMatrix2 = m; }

    // White-balanced camera → PCS XYZ, 3×n.
    const dng_matrix& ForwardMatrix1() const { return fForwardMatrix1; }
    const dng_matrix& ForwardMatrix2() const { return fForwardMatrix2; }
    void SetForwardMatrix1(const dng_matrix& m) { fForwardMatrix1 = m; }
    void SetForwardMatrix2(const dng_matrix& m) { fForwardMatrix2 = m; }

    // Camera → 3 reduced channels, 3×n, for cameras with more than three planes.
    const dng_matrix& ReductionMatrix1() const { return fReductionMatrix1; }
    const dng_matrix& ReductionMatrix2() const { return fReductionMatrix2; }
    void SetReductionMatrix1(const dng_matrix& m) { fReductionMatrix1 = m; }
    void SetReductionMatrix2(const dng_matrix& m) { fReductionMatrix2 = m; }

    // True when the second illuminant's data are used in interpolation: ColorMatrix2
    // has ColorMatrix1's shape and both illuminants are known and differ.
    bool HasColorMatrix2() const;

    const std::string& ProfileCalibrationSignature() const { return fProfileCalibrationSignature; }
    void SetProfileCalibrationSignature(const std::string& s) { fProfileCalibrationSignature = s; }

    uint32 EmbedPolicy() const { return fEmbedPolicy; }
    void SetEmbedPolicy(uint32 policy) { fEmbedPolicy = policy; }

    const std::string& Copyright() const { return fCopyright; }
    void SetCopyright(const std::string& s) { fCopyright = s; }

    const dng_hue_sat_map& HueSatMap1() const { return fHueSatMap1; }
    const dng_hue_sat_map& HueSatMap2() const { return fHueSatMap2; }
    void SetHueSatMap1(const dng_hue_sat_map& m) { fHueSatMap1 = m; }
    void SetHueSatMap2(const dng_hue_sat_map& m) { fHueSatMap2 = m; }
    bool HasHueSatMap() const { return fHueSatMap1.NotEmpty(); }

    const dng_hue_sat_map& LookTable() const { return fLookTable; }
    void SetLookTable(const dng_hue_sat_map& m) { fLookTable = m; }
    bool HasLookTable() const { return fLookTable.NotEmpty(); }

    // Empty when the profile has none.
    const dng_tone_curve& ToneCurve() const { return fToneCurve; }
    void SetToneCurve(const dng_tone_curve& curve) { fToneCurve = curve; }
    bool HasToneCurve() const { return !fToneCurve.Points().empty(); }

    // Whether the profile can be used for `channels` colour planes: matrix shapes,
    // an invertible ColorMatrix1 (and ColorMatrix2 when it counts), forward matrices that
    // map the camera neutral to within 0.01 of the PCS white, consistent tables and curve.
    bool IsValid(uint32 channels) const;
    // Same, with the reason of the first fault, or an empty string when valid.
    std::string Fault(uint32 channels) const;

    // Applies the reader's normalisations to the matrices held (see the free functions below).
    void NormalizeMatrices();

private:
    std::string fName;
    uint32 fCalibrationIlluminant1 = lsUnknown;
    uint32 fCalibrationIlluminant2 = lsUnknown;
    dng_matrix fColorMatrix1;
    dng_matrix fColorMatrix2;
    dng_matrix fForwardMatrix1;
    dng_matrix fForwardMatrix2;
    dng_matrix fReductionMatrix1;
    dng_matrix fReductionMatrix2;
    std::string fProfileCalibrationSignature;
    uint32 fEmbedPolicy = pepAllowCopying;
    std::string fCopyright;
    dng_hue_sat_map fHueSatMap1;
    dng_hue_sat_map fHueSatMap2;
    dng_hue_sat_map fLookTable;
    dng_tone_curve fToneCurve;
};

// Normalisations a reader applies to parsed colour tags, so that what is written back and
// rendered is the same for every reader. Empty inputs are left empty.

// ColorMatrix: scaled so that PCS white maps to a largest camera value of 1 when it is off
// by more than 1 %, then rounded to 1/10000.
void NormalizeColorMatrix(dng_matrix& m);
// ForwardMatrix, ReductionMatrix and CameraCalibration: rounded to 1/10000.
void RoundProfileMatrix(dng_matrix& m);
// AsShotNeutral: divided by its largest entry, rounded to 1/1000000. A vector whose largest
// entry is not positive is cleared (it cannot be a neutral).
void NormalizeAsShotNeutral(dng_vector& neutral);
// AnalogBalance: divided by its smallest entry, rounded to 1/1000000. A vector with an entry
// that is not positive becomes all ones.
void NormalizeAnalogBalance(dng_vector& balance);
