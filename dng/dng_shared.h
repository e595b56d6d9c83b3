#pragma once
#include <string>
#include <vector>

#include "dng/dng_camera_profile_info.h"
#include "dng/dng_rational.h"

// Facts of IFD 0 that belong to the whole file rather than to one image.
class dng_shared {
public:
    bool ParseTag(dng_stream& stream, const dng_tag& tag);
    void PostParse();

    uint32 fDNGVersion = 0;          // four bytes, most significant first; 0 when missing
    uint32 fDNGBackwardVersion = 0;
    std::string fUniqueCameraModel;
    std::string fLocalizedCameraModel;
    uint32 fOrientation = 1;

    dng_camera_profile_info fCameraProfile;
    uint64 fExtraCameraProfileCount = 0;

    dng_matrix fCameraCalibration1;
    dng_matrix fCameraCalibration2;
    std::string fCameraCalibrationSignature;
    std::string fAsShotProfileName;
    dng_vector fAnalogBalance;
    dng_vector fAsShotNeutral;
    bool fHasAsShotWhiteXY = false;
    real64 fAsShotWhiteX = 0.0;
    real64 fAsShotWhiteY = 0.0;

    dng_srational fBaselineExposure = dng_srational(0, 1);
    dng_urational fBaselineNoise = dng_urational(1, 1);
    dng_urational fBaselineSharpness = dng_urational(1, 1);
    dng_urational fLinearResponseLimit = dng_urational(1, 1);
    dng_urational fShadowScale = dng_urational(1, 1);
    dng_urational fNoiseReductionApplied;
    std::vector<real64> fNoiseProfile;
    uint32 fColorimetricReference = 0;

    std::vector<uint8> fDNGPrivateData;
    uint32 fMakerNoteSafety = 0;
    bool fHasRawImageDigest = false;
    uint8 fRawImageDigest[16] = {};
    bool fHasRawDataUniqueID = false;
    uint8 fRawDataUniqueID[16] = {};
    std::string fOriginalRawFileName;
    std::vector<uint8> fXMP;

private:
    std::vector<real64> fCameraCalibrationData1, fCameraCalibrationData2;
};
