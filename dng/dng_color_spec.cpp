#include "dng/dng_color_spec.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "dng/dng_exceptions.h"
#include "dng/dng_temperature.h"

namespace {

// Same temperature for both sets when the profile has only one.
constexpr real64 kSingleSetTemperature = 5000.0;

bool AllPositiveFinite(const dng_vector& v) {
    for (uint32 i = 0; i < v.Count(); ++i)
        if (!(v[i] > 0.0) || !std::isfinite(v[i]))
            return false;
    return true;
}

dng_matrix AnalogBalanceMatrix(const dng_vector& balance, uint32 channels) {
    if (balance.Count() == channels && AllPositiveFinite(balance))
        return Diagonal(balance);
    return Identity(channels);
}

dng_matrix UsableCalibration(const dng_matrix& calibration, uint32 channels, bool signaturesMatch) {
    if (!signaturesMatch || calibration.Rows() != channels || calibration.Cols() != channels ||
        !calibration.IsFinite())
        return Identity(channels);
    try {
        Invert(calibration);
    } catch (const dng_exception&) {
        return Identity(channels);
    }
    return calibration;
}

// Scales each row so that the camera neutral (all ones) maps exactly onto the PCS white;
// the profile's own check has already bounded how far off it may be.
dng_matrix NormalizeForwardMatrix(const dng_matrix& fm) {
    if (fm.IsEmpty())
        return fm;
    dng_vector ones;
    ones.SetIdentity(fm.Cols());
    return Diagonal(PCStoXYZ()) * Invert(Diagonal(fm * ones)) * fm;
}

dng_matrix BlendMatrices(const dng_matrix& m1, const dng_matrix& m2, real64 weight1) {
    if (m1.IsEmpty())
        return m2;
    if (m2.IsEmpty() || weight1 >= 1.0)
        return m1;
    if (weight1 <= 0.0)
        return m2;
    return weight1 * m1 + (1.0 - weight1) * m2;
}

bool UsableWhite(const dng_xy_coord& white) {
    return std::isfinite(white.x) && std::isfinite(white.y) && white.IsValid() &&
           white.x + white.y < 1.0;
}

}  // namespace

dng_color_spec::dng_color_spec(uint32 channels, const dng_vector& analogBalance,
                               const dng_matrix& cameraCalibration1,
                               const dng_matrix& cameraCalibration2,
                               const std::string& cameraCalibrationSignature,
                               const dng_camera_profile* profile)
    : fChannels(channels) {
    if (channels == 0)
        ThrowBadFormat("Image has no colour planes");
    if (channels == 1)
        return;
    if (profile == nullptr)
        ThrowBadFormat("Colour image has no camera profile");
    const std::string fault = profile->Fault(channels);
    if (!fault.empty())
        ThrowBadFormat("Camera profile is not usable: " + fault);

    fAnalogBalance = AnalogBalanceMatrix(analogBalance, channels);
    const bool signaturesMatch = cameraCalibrationSignature == profile->ProfileCalibrationSignature();
    fCameraCalibration1 = UsableCalibration(cameraCalibration1, channels, signaturesMatch);
    fCameraCalibration2 = UsableCalibration(cameraCalibration2, channels, signaturesMatch);

    fColorMatrix1 = fAnalogBalance * fCameraCalibration1 * profile->ColorMatrix1();
    fForwardMatrix1 = NormalizeForwardMatrix(profile->ForwardMatrix1());
    fReductionMatrix1 = profile->ReductionMatrix1();

    fTemperature1 = profile->CalibrationTemperature1();
    fTemperature2 = profile->CalibrationTemperature2();
    if (!profile->HasColorMatrix2() || !(fTemperature1 > 0.0) || !(fTemperature2 > 0.0) ||
        fTemperature1 == fTemperature2) {
        fTemperature1 = fTemperature2 = kSingleSetTemperature;
        fColorMatrix2 = fColorMatrix1;
        fForwardMatrix2 = fForwardMatrix1;
        fReductionMatrix2 = fReductionMatrix1;
        fCameraCalibration2 = fCameraCalibration1;
        return;
    }
    fColorMatrix2 = fAnalogBalance * fCameraCalibration2 * profile->ColorMatrix2();
    fForwardMatrix2 = NormalizeForwardMatrix(profile->ForwardMatrix2());
    fReductionMatrix2 = profile->ReductionMatrix2();
    if (fTemperature1 > fTemperature2) {
        std::swap(fTemperature1, fTemperature2);
        std::swap(fColorMatrix1, fColorMatrix2);
        std::swap(fForwardMatrix1, fForwardMatrix2);
        std::swap(fReductionMatrix1, fReductionMatrix2);
        std::swap(fCameraCalibration1, fCameraCalibration2);
    }
}

real64 dng_color_spec::Weight1(const dng_xy_coord& white) const {
    return InverseTemperatureWeight(white, fTemperature1, fTemperature2);
}

dng_color_spec::Blend dng_color_spec::FindXYZtoCamera(const dng_xy_coord& white) const {
    const real64 g = Weight1(white);
    Blend b;
    b.colorMatrix = BlendMatrices(fColorMatrix1, fColorMatrix2, g);
    b.forwardMatrix = BlendMatrices(fForwardMatrix1, fForwardMatrix2, g);
    b.reductionMatrix = BlendMatrices(fReductionMatrix1, fReductionMatrix2, g);
    b.cameraCalibration = BlendMatrices(fCameraCalibration1, fCameraCalibration2, g);
    return b;
}

dng_xy_coord dng_color_spec::NeutralToXY(const dng_vector& neutral) const {
    if (fChannels == 1 || neutral.Count() != fChannels || !neutral.NotEmpty() ||
        !(neutral.MaxEntry() > 0.0))
        return PCStoXY();
    for (uint32 i = 0; i < neutral.Count(); ++i)
        if (!std::isfinite(neutral[i]))
            return PCStoXY();

    // Fixed-point search: the white whose blended matrix sees the neutral as grey.
    constexpr uint32 kMaxPasses = 30;
    dng_xy_coord last = PCStoXY();
    for (uint32 pass = 0; pass < kMaxPasses; ++pass) {
        const Blend b = FindXYZtoCamera(last);
        const dng_xy_coord next = XYZtoXY(Invert(b.colorMatrix, b.reductionMatrix) * neutral);
        if (std::fabs(next.x - last.x) + std::fabs(next.y - last.y) < 1.0e-7)
            return next;
        // Still moving after every pass: settle between the last two rather than oscillate.
        if (pass == kMaxPasses - 1)
            return dng_xy_coord((last.x + next.x) * 0.5, (last.y + next.y) * 0.5);
        last = next;
    }
    return last;
}

void dng_color_spec::SetWhiteXY(const dng_xy_coord& white) {
    const dng_xy_coord w = UsableWhite(white) ? white : PCStoXY();

    if (fChannels == 1) {
        dng_vector one;
        one.SetIdentity(1);
        fWhiteXY = w;
        fCameraWhite = one;
        fCameraToPCS = PCStoXYZ().AsColumn();
        return;
    }

    const Blend b = FindXYZtoCamera(w);
    dng_vector cameraWhite = b.colorMatrix * XYtoXYZ(w);
    const real64 largest = cameraWhite.MaxEntry();
    if (!(largest > 0.0) || !std::isfinite(largest))
        ThrowMatrixMath("Colour matrix gives no camera response to the white");
    cameraWhite.Scale(1.0 / largest);
    for (uint32 i = 0; i < cameraWhite.Count(); ++i)
        cameraWhite[i] = std::clamp(cameraWhite[i], 0.001, 1.0);

    dng_matrix cameraToPCS;
    if (b.forwardMatrix.NotEmpty()) {
        const dng_matrix individual = Invert(fAnalogBalance * b.cameraCalibration);
        const dng_vector reference = individual * cameraWhite;
        cameraToPCS = b.forwardMatrix * Invert(Diagonal(reference)) * individual;
    } else {
        dng_matrix pcsToCamera = b.colorMatrix * MapWhiteMatrix(PCStoXY(), w);
        const real64 scale = (pcsToCamera * PCStoXYZ()).MaxEntry();
        if (!(scale > 0.0) || !std::isfinite(scale))
            ThrowMatrixMath("Colour matrix gives no camera response to the PCS white");
        pcsToCamera.Scale(1.0 / scale);
        cameraToPCS = Invert(pcsToCamera, b.reductionMatrix);
    }
    if (!cameraToPCS.IsFinite())
        ThrowMatrixMath("Camera to PCS matrix is not finite");

    fWhiteXY = w;
    fCameraWhite = cameraWhite;
    fCameraToPCS = cameraToPCS;
}
