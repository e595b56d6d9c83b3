#pragma once
#include <string>

#include "dng/dng_camera_profile.h"
#include "dng/dng_matrix.h"
#include "dng/dng_types.h"
#include "dng/dng_xy_coord.h"

// Camera colour for one negative and one camera profile: finds the white of a camera
// neutral and, for a chosen white, the camera's white and its camera → PCS (XYZ D50) matrix.
//
// The profile's two matrix sets are blended by the white's temperature, linearly in
// reciprocal temperature between the two calibration illuminants and held constant
// outside them.
//
// Malformed data: a missing profile (colour negative), a profile that fails its checks, or a
// singular matrix ends in a dng_exception. Softer faults have fallbacks: an analog balance of
// the wrong length or with non-positive entries counts as all ones; a camera calibration of
// the wrong shape, with another signature or not invertible counts as the identity; a neutral
// of the wrong length or without a positive entry, and a white that is not a usable
// chromaticity, are taken as the PCS white.
class dng_color_spec {
public:
    // `profile` may be null only for a one-channel negative; what is needed of it is copied,
    // so it need not outlive this object.
    dng_color_spec(uint32 channels, const dng_vector& analogBalance,
                   const dng_matrix& cameraCalibration1, const dng_matrix& cameraCalibration2,
                   const std::string& cameraCalibrationSignature, const dng_camera_profile* profile);

    // For a negative offering ColorChannels(), AnalogBalance() (dng_vector, empty = ones),
    // CameraCalibration1() / CameraCalibration2() (dng_matrix, empty = identity) and
    // CameraCalibrationSignature() (std::string).
    template <class Negative>
    dng_color_spec(const Negative& negative, const dng_camera_profile* profile)
        : dng_color_spec(negative.ColorChannels(), negative.AnalogBalance(),
                         negative.CameraCalibration1(), negative.CameraCalibration2(),
                         negative.CameraCalibrationSignature(), profile) {}

    uint32 Channels() const { return fChannels; }

    // Weight of set 1 for a white.
    real64 Weight1(const dng_xy_coord& white) const;

    // White chromaticity under which `neutral` (camera values of a grey) is grey.
    dng_xy_coord NeutralToXY(const dng_vector& neutral) const;

    void SetWhiteXY(const dng_xy_coord& white);
    // The white last set; (0, 0) before the first SetWhiteXY.
    const dng_xy_coord& WhiteXY() const { return fWhiteXY; }
    // Camera values of the white, largest 1, each in [0.001, 1]; empty before SetWhiteXY.
    const dng_vector& CameraWhite() const { return fCameraWhite; }
    // Camera → PCS XYZ (3 × channels); maps CameraWhite() to the PCS white. Empty before
    // SetWhiteXY.
    const dng_matrix& CameraToPCS() const { return fCameraToPCS; }

private:
    struct Blend {
        dng_matrix colorMatrix;        // XYZ → camera with analog balance and calibration
        dng_matrix forwardMatrix;      // may be empty
        dng_matrix reductionMatrix;    // may be empty
        dng_matrix cameraCalibration;  // n × n
    };
    Blend FindXYZtoCamera(const dng_xy_coord& white) const;

    uint32 fChannels = 0;
    real64 fTemperature1 = 5000.0;
    real64 fTemperature2 = 5000.0;
    dng_matrix fAnalogBalance;
    dng_matrix fCameraCalibration1;
    dng_matrix fCameraCalibration2;
    dng_matrix fColorMatrix1;
    dng_matrix fColorMatrix2;
    dng_matrix fForwardMatrix1;
    dng_matrix fForwardMatrix2;
    dng_matrix fReductionMatrix1;
    dng_matrix fReductionMatrix2;

    dng_xy_coord fWhiteXY;
    dng_vector fCameraWhite;
    dng_matrix fCameraToPCS;
};
