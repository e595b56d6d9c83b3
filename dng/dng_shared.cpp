#include "dng/dng_shared.h"

#include <algorithm>
#include <cmath>

#include "dng/dng_tag_codes.h"

namespace {

constexpr uint32 kMaxVectorEntries = 4;
// Cameras stay within a few stops; far beyond, the render's white point underflows to zero.
constexpr real64 kMaxBaselineExposure = 16.0;

uint32 ReadVersion(dng_stream& stream, const dng_tag& tag) {
    if (TagTypeSize(tag.type) != 1 || tag.count != 4) return 0;
    uint32 v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | stream.Get_uint8();
    return v;
}

void ReadDigest(dng_stream& stream, const dng_tag& tag, uint8 (&digest)[16], bool& has) {
    if (TagTypeSize(tag.type) != 1 || tag.count != 16) return;
    stream.Get(digest, 16);
    has = true;
}

dng_vector VectorOf(const std::vector<real64>& values) {
    dng_vector v(static_cast<uint32>(values.size()));
    for (uint32 i = 0; i < values.size(); ++i) v[i] = values[i];
    return v;
}

}  // namespace

bool dng_shared::ParseTag(dng_stream& stream, const dng_tag& tag) {
    if (fCameraProfile.ParseTag(stream, tag)) return true;
    switch (tag.code) {
        case tcDNGVersion: fDNGVersion = ReadVersion(stream, tag); return true;
        case tcDNGBackwardVersion: fDNGBackwardVersion = ReadVersion(stream, tag); return true;
        case tcUniqueCameraModel: fUniqueCameraModel = TagValue_string(stream, tag); return true;
        case tcLocalizedCameraModel: fLocalizedCameraModel = TagValue_string(stream, tag); return true;
        case tcOrientation:
            if (TagTypeIsInteger(tag) && tag.count == 1) fOrientation = TagValue_uint32(stream, tag.type);
            return true;
        case tcExtraCameraProfiles: fExtraCameraProfileCount = tag.count; return true;
        case tcCameraCalibration1: fCameraCalibrationData1 = ReadNumbers(stream, tag, 16); return true;
        case tcCameraCalibration2: fCameraCalibrationData2 = ReadNumbers(stream, tag, 16); return true;
        case tcCameraCalibrationSignature: fCameraCalibrationSignature = TagValue_string(stream, tag); return true;
        case tcAsShotProfileName: fAsShotProfileName = TagValue_string(stream, tag); return true;
        case tcAnalogBalance: fAnalogBalance = VectorOf(ReadNumbers(stream, tag, kMaxVectorEntries)); return true;
        case tcAsShotNeutral: fAsShotNeutral = VectorOf(ReadNumbers(stream, tag, kMaxVectorEntries)); return true;
        case tcAsShotWhiteXY:
            if (tag.count != 2 || !TagTypeIsNumeric(tag)) return true;
            fAsShotWhiteX = TagValue_real64(stream, tag.type);
            fAsShotWhiteY = TagValue_real64(stream, tag.type);
            fHasAsShotWhiteXY = fAsShotWhiteX > 0.0 && fAsShotWhiteY > 0.0 && fAsShotWhiteX + fAsShotWhiteY < 1.0;
            return true;
        case tcBaselineExposure:
            if (tag.count == 1 && TagTypeIsNumeric(tag)) {
                const dng_srational exposure = TagValue_srational(stream, tag.type);
                if (std::fabs(exposure.As_real64()) <= kMaxBaselineExposure) fBaselineExposure = exposure;
            }
            return true;
        case tcBaselineNoise:
            if (tag.count == 1 && TagTypeIsNumeric(tag)) fBaselineNoise = TagValue_urational(stream, tag.type);
            return true;
        case tcBaselineSharpness:
            if (tag.count == 1 && TagTypeIsNumeric(tag)) fBaselineSharpness = TagValue_urational(stream, tag.type);
            return true;
        case tcLinearResponseLimit:
            if (tag.count == 1 && TagTypeIsNumeric(tag)) fLinearResponseLimit = TagValue_urational(stream, tag.type);
            return true;
        case tcShadowScale:
            if (tag.count == 1 && TagTypeIsNumeric(tag)) {
                const dng_urational s = TagValue_urational(stream, tag.type);
                if (s.As_real64() > 0.0 && s.As_real64() <= 1.0) fShadowScale = s;
            }
            return true;
        case tcNoiseReductionApplied:
            if (tag.count == 1 && TagTypeIsNumeric(tag)) fNoiseReductionApplied = TagValue_urational(stream, tag.type);
            return true;
        case tcNoiseProfile: fNoiseProfile = ReadNumbers(stream, tag, 2 * kMaxVectorEntries); return true;
        case tcColorimetricReference:
            if (TagTypeIsInteger(tag) && tag.count == 1) fColorimetricReference = TagValue_uint32(stream, tag.type);
            return true;
        case tcDNGPrivateData:
            if (TagTypeSize(tag.type) == 1) fDNGPrivateData = TagValue_bytes(stream, tag);
            return true;
        case tcMakerNoteSafety:
            if (TagTypeIsInteger(tag) && tag.count == 1) fMakerNoteSafety = TagValue_uint32(stream, tag.type);
            return true;
        case tcRawImageDigest: ReadDigest(stream, tag, fRawImageDigest, fHasRawImageDigest); return true;
        case tcRawDataUniqueID: ReadDigest(stream, tag, fRawDataUniqueID, fHasRawDataUniqueID); return true;
        case tcOriginalRawFileName: fOriginalRawFileName = TagValue_string(stream, tag); return true;
        case tcXMP:
            if (TagTypeSize(tag.type) == 1) fXMP = TagValue_bytes(stream, tag);
            return true;
        default:
            return false;
    }
}

void dng_shared::PostParse() {
    if (fDNGVersion != 0) {
        if (fDNGBackwardVersion == 0) fDNGBackwardVersion = fDNGVersion & 0xFFFF0000u;
        fDNGBackwardVersion = std::min(std::max(fDNGBackwardVersion, 0x01000000u), fDNGVersion);
    }
    if (fUniqueCameraModel.empty()) fUniqueCameraModel = "Digital Negative";
    fCameraProfile.PostParse();
    const uint32 n = fCameraProfile.fColorPlanes;
    const dng_matrix c1 = MatrixFromData(fCameraCalibrationData1, n);
    const dng_matrix c2 = MatrixFromData(fCameraCalibrationData2, n);
    fCameraCalibration1 = c1.Rows() == n && c1.Cols() == n ? c1 : dng_matrix();
    fCameraCalibration2 = c2.Rows() == n && c2.Cols() == n ? c2 : dng_matrix();
    if (fAnalogBalance.Count() != n) fAnalogBalance.Clear();
    if (fAsShotNeutral.Count() != n) fAsShotNeutral.Clear();
}
