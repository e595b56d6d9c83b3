#include "dng/dng_camera_profile_info.h"

#include <cmath>

#include "dng/dng_tag_codes.h"

namespace {

constexpr uint32 kMaxMatrixEntries = 4 * 4;
constexpr uint32 kMaxTableEntries = 3u << 20;
constexpr uint32 kMaxCurvePoints = 8192;

// Every value finite and within kMaxColourEntry; NaN fails the comparison.
template <typename Real>
bool AllUsable(const std::vector<Real>& values) {
    for (Real x : values)
        if (!(std::fabs(x) <= kMaxColourEntry)) return false;
    return true;
}

std::vector<real32> ReadFloats(dng_stream& stream, const dng_tag& tag, uint32 maxCount) {
    std::vector<real32> values;
    if (!TagTypeIsNumeric(tag) || tag.count > maxCount) return values;
    values.resize(tag.count);
    for (uint32 i = 0; i < tag.count; ++i) values[i] = static_cast<real32>(TagValue_real64(stream, tag.type));
    if (!AllUsable(values)) values.clear();
    return values;
}

void ReadDims(dng_stream& stream, const dng_tag& tag, uint32 (&dims)[3]) {
    if (!TagTypeIsInteger(tag) || (tag.count != 2 && tag.count != 3)) return;
    dims[0] = TagValue_uint32(stream, tag.type);
    dims[1] = TagValue_uint32(stream, tag.type);
    dims[2] = tag.count == 3 ? TagValue_uint32(stream, tag.type) : 1;
}

}  // namespace

std::vector<real64> ReadNumbers(dng_stream& stream, const dng_tag& tag, uint32 maxCount) {
    std::vector<real64> values;
    if (!TagTypeIsNumeric(tag) || tag.count > maxCount) return values;
    values.resize(tag.count);
    for (uint32 i = 0; i < tag.count; ++i) values[i] = TagValue_real64(stream, tag.type);
    if (!AllUsable(values)) values.clear();
    return values;
}

dng_matrix MatrixFromData(const std::vector<real64>& data, uint32 rows) {
    if (rows == 0 || data.empty() || data.size() % rows != 0) return dng_matrix();
    const uint32 cols = static_cast<uint32>(data.size() / rows);
    dng_matrix m(rows, cols);
    for (uint32 r = 0; r < rows; ++r)
        for (uint32 c = 0; c < cols; ++c) m[r][c] = data[r * cols + c];
    return m.IsFinite() ? m : dng_matrix();
}

bool dng_camera_profile_info::ParseTag(dng_stream& stream, const dng_tag& tag) {
    switch (tag.code) {
        case tcCalibrationIlluminant1:
            if (TagTypeIsInteger(tag) && tag.count == 1) fCalibrationIlluminant1 = TagValue_uint32(stream, tag.type);
            return true;
        case tcCalibrationIlluminant2:
            if (TagTypeIsInteger(tag) && tag.count == 1) fCalibrationIlluminant2 = TagValue_uint32(stream, tag.type);
            return true;
        case tcColorMatrix1: fColorMatrixData1 = ReadNumbers(stream, tag, kMaxMatrixEntries); return true;
        case tcColorMatrix2: fColorMatrixData2 = ReadNumbers(stream, tag, kMaxMatrixEntries); return true;
        case tcForwardMatrix1: fForwardMatrixData1 = ReadNumbers(stream, tag, kMaxMatrixEntries); return true;
        case tcForwardMatrix2: fForwardMatrixData2 = ReadNumbers(stream, tag, kMaxMatrixEntries); return true;
        case tcReductionMatrix1: fReductionMatrixData1 = ReadNumbers(stream, tag, kMaxMatrixEntries); return true;
        case tcReductionMatrix2: fReductionMatrixData2 = ReadNumbers(stream, tag, kMaxMatrixEntries); return true;
        case tcProfileName: fProfileName = TagValue_string(stream, tag); return true;
        case tcProfileCalibrationSignature: fProfileCalibrationSignature = TagValue_string(stream, tag); return true;
        case tcProfileEmbedPolicy:
            if (TagTypeIsInteger(tag) && tag.count == 1) fEmbedPolicy = TagValue_uint32(stream, tag.type);
            return true;
        case tcProfileCopyright: fProfileCopyright = TagValue_string(stream, tag); return true;
        case tcProfileHueSatMapDims: ReadDims(stream, tag, fHueSatMapDims); return true;
        case tcProfileHueSatMapData1: fHueSatMapData1 = ReadFloats(stream, tag, kMaxTableEntries); return true;
        case tcProfileHueSatMapData2: fHueSatMapData2 = ReadFloats(stream, tag, kMaxTableEntries); return true;
        case tcProfileLookTableDims: ReadDims(stream, tag, fLookTableDims); return true;
        case tcProfileLookTableData: fLookTableData = ReadFloats(stream, tag, kMaxTableEntries); return true;
        case tcProfileToneCurve:
            fToneCurve = ReadFloats(stream, tag, 2 * kMaxCurvePoints);
            if (fToneCurve.size() % 2 != 0) fToneCurve.clear();
            return true;
        default:
            return false;
    }
}

void dng_camera_profile_info::PostParse() {
    const uint32 colorRows = static_cast<uint32>(fColorMatrixData1.size() / 3);
    fColorMatrix1 = fColorMatrixData1.size() % 3 == 0 ? MatrixFromData(fColorMatrixData1, colorRows) : dng_matrix();
    fColorPlanes = fColorMatrix1.IsEmpty() ? 1 : fColorMatrix1.Rows();
    auto shaped = [](const dng_matrix& m, uint32 rows, uint32 cols) {
        return m.Rows() == rows && m.Cols() == cols ? m : dng_matrix();
    };
    const uint32 n = fColorPlanes;
    fColorMatrix2 = shaped(MatrixFromData(fColorMatrixData2, n), n, 3);
    fForwardMatrix1 = shaped(MatrixFromData(fForwardMatrixData1, 3), 3, n);
    fForwardMatrix2 = shaped(MatrixFromData(fForwardMatrixData2, 3), 3, n);
    fReductionMatrix1 = n > 3 ? shaped(MatrixFromData(fReductionMatrixData1, 3), 3, n) : dng_matrix();
    fReductionMatrix2 = n > 3 ? shaped(MatrixFromData(fReductionMatrixData2, 3), 3, n) : dng_matrix();
}

dng_camera_profile dng_camera_profile_info::MakeProfile() const {
    dng_camera_profile profile;
    profile.SetName(fProfileName.empty() ? dng_camera_profile::EmbeddedName() : fProfileName);
    profile.SetCalibrationIlluminant1(fCalibrationIlluminant1);
    profile.SetCalibrationIlluminant2(fCalibrationIlluminant2);
    profile.SetColorMatrix1(fColorMatrix1);
    profile.SetColorMatrix2(fColorMatrix2);
    profile.SetForwardMatrix1(fForwardMatrix1);
    profile.SetForwardMatrix2(fForwardMatrix2);
    profile.SetReductionMatrix1(fReductionMatrix1);
    profile.SetReductionMatrix2(fReductionMatrix2);
    profile.SetProfileCalibrationSignature(fProfileCalibrationSignature);
    profile.SetEmbedPolicy(fEmbedPolicy);
    profile.SetCopyright(fProfileCopyright);
    dng_hue_sat_map map;
    if (!fHueSatMapData1.empty() &&
        map.SetFromTagData(fHueSatMapDims[0], fHueSatMapDims[1], fHueSatMapDims[2], fHueSatMapData1)) {
        profile.SetHueSatMap1(map);
        dng_hue_sat_map map2;
        if (!fHueSatMapData2.empty() &&
            map2.SetFromTagData(fHueSatMapDims[0], fHueSatMapDims[1], fHueSatMapDims[2], fHueSatMapData2))
            profile.SetHueSatMap2(map2);
    }
    dng_hue_sat_map look;
    if (!fLookTableData.empty() &&
        look.SetFromTagData(fLookTableDims[0], fLookTableDims[1], fLookTableDims[2], fLookTableData))
        profile.SetLookTable(look);
    if (!fToneCurve.empty()) {
        std::vector<dng_tone_curve::Point> points;
        for (size_t i = 0; i + 1 < fToneCurve.size(); i += 2) points.push_back({fToneCurve[i], fToneCurve[i + 1]});
        dng_tone_curve curve;
        curve.SetPoints(std::move(points));
        if (curve.IsValid()) profile.SetToneCurve(curve);
    }
    profile.NormalizeMatrices();
    return profile;
}
