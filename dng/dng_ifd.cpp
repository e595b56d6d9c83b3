#include "dng/dng_ifd.h"

#include <algorithm>
#include <cmath>

namespace {

bool CountIs(const dng_tag& tag, uint32 count) { return tag.count == count; }

}  // namespace

void dng_ifd::ParseOffsets(dng_stream& stream, const dng_tag& tag, std::vector<uint64>& into, uint32& count) {
    count = tag.count;
    into.clear();
    if (!TagTypeIs(tag, {ttShort, ttLong, ttIFD}) || tag.count > kMaxTileCount) return;
    into.resize(tag.count);
    for (uint32 i = 0; i < tag.count; ++i) into[i] = TagValue_uint32(stream, tag.type);
}

bool dng_ifd::ParseTag(dng_stream& stream, const dng_tag& tag) {
    const bool integer = TagTypeIsInteger(tag);
    switch (tag.code) {
        case tcNewSubFileType:
            if (!integer) return true;
            fUsesNewSubFileType = true;
            fNewSubFileType = TagValue_uint32(stream, tag.type);
            return true;
        case tcImageWidth:
            if (integer) fImageWidth = TagValue_uint32(stream, tag.type);
            return true;
        case tcImageLength:
            if (integer) fImageLength = TagValue_uint32(stream, tag.type);
            return true;
        case tcBitsPerSample:
            if (!integer) return true;
            fBitsPerSampleCount = tag.count;
            for (uint32 i = 0; i < std::min(tag.count, kMaxSamplesPerPixel); ++i)
                fBitsPerSample[i] = TagValue_uint32(stream, tag.type);
            return true;
        case tcCompression:
            if (integer) fCompression = TagValue_uint32(stream, tag.type);
            return true;
        case tcPredictor:
            if (integer) fPredictor = TagValue_uint32(stream, tag.type);
            return true;
        case tcPhotometricInterpretation:
            if (integer) fPhotometricInterpretation = TagValue_uint32(stream, tag.type);
            return true;
        case tcFillOrder:
            if (integer) fFillOrder = TagValue_uint32(stream, tag.type);
            return true;
        case tcSamplesPerPixel:
            if (integer) fSamplesPerPixel = TagValue_uint32(stream, tag.type);
            return true;
        case tcPlanarConfiguration:
            if (integer) fPlanarConfiguration = TagValue_uint32(stream, tag.type);
            return true;
        case tcExtraSamples:
            fExtraSamplesCount = tag.count;
            return true;
        case tcSampleFormat:
            if (!integer) return true;
            for (uint32 i = 0; i < std::min(tag.count, kMaxSamplesPerPixel); ++i)
                fSampleFormat[i] = TagValue_uint32(stream, tag.type);
            return true;
        case tcStripOffsets:
            fUsesStrips = true;
            ParseOffsets(stream, tag, fTileOffset, fTileOffsetsCount);
            return true;
        case tcStripByteCounts:
            ParseOffsets(stream, tag, fTileByteCount, fTileByteCountsCount);
            return true;
        case tcTileOffsets:
            fUsesTiles = true;
            ParseOffsets(stream, tag, fTileOffset, fTileOffsetsCount);
            return true;
        case tcTileByteCounts:
            ParseOffsets(stream, tag, fTileByteCount, fTileByteCountsCount);
            return true;
        case tcRowsPerStrip:
            if (integer) fRowsPerStrip = TagValue_uint32(stream, tag.type);
            return true;
        case tcTileWidth:
            if (integer) fTileWidth = TagValue_uint32(stream, tag.type);
            return true;
        case tcTileLength:
            if (integer) fTileLength = TagValue_uint32(stream, tag.type);
            return true;
        case tcSubIFDs:
            if (!TagTypeIs(tag, {ttLong, ttIFD})) return true;
            for (uint32 i = 0; i < std::min(tag.count, kMaxSubIFDsPerIFD); ++i)
                fSubIFDOffsets.push_back(stream.Get_uint32());
            return true;
        case tcExifIFD:
            if (TagTypeIs(tag, {ttLong, ttIFD}) && tag.count == 1) fExifIFD = stream.Get_uint32();
            return true;
        case tcGPSInfo:
            if (TagTypeIs(tag, {ttLong, ttIFD}) && tag.count == 1) fGPSIFD = stream.Get_uint32();
            return true;
        case tcInteroperabilityIFD:
            if (TagTypeIs(tag, {ttLong, ttIFD}) && tag.count == 1) fInteropIFD = stream.Get_uint32();
            return true;
        case tcCFARepeatPatternDim:
            if (!integer || !CountIs(tag, 2)) return true;
            fCFARepeatPatternRows = TagValue_uint32(stream, tag.type);
            fCFARepeatPatternCols = TagValue_uint32(stream, tag.type);
            return true;
        case tcCFAPattern:
            if (TagTypeSize(tag.type) == 1 && tag.count <= kMaxCFAPatternSize * kMaxCFAPatternSize) {
                fCFAPatternData.resize(tag.count);
                stream.Get(fCFAPatternData.data(), tag.count);
            }
            return true;
        case tcCFAPlaneColor:
            if (TagTypeSize(tag.type) != 1 || tag.count < 1 || tag.count > kMaxSamplesPerPixel) return true;
            fCFAPlaneColorCount = tag.count;
            for (uint32 i = 0; i < tag.count; ++i) fCFAPlaneColor[i] = stream.Get_uint8();
            return true;
        case tcCFALayout:
            if (integer) fCFALayout = TagValue_uint32(stream, tag.type);
            return true;
        case tcBayerGreenSplit:
            if (integer) fBayerGreenSplit = TagValue_uint32(stream, tag.type);
            return true;
        case tcLinearizationTable:
            if (tag.type != ttShort || tag.count < 1 || tag.count > 65536) return true;
            fLinearizationTable.resize(tag.count);
            for (uint32 i = 0; i < tag.count; ++i) fLinearizationTable[i] = stream.Get_uint16();
            return true;
        case tcBlackLevelRepeatDim:
            if (!integer || !CountIs(tag, 2)) return true;
            fBlackLevelRepeatRows = TagValue_uint32(stream, tag.type);
            fBlackLevelRepeatCols = TagValue_uint32(stream, tag.type);
            return true;
        case tcBlackLevel:
            if (!TagTypeIsNumeric(tag)) return true;
            if (tag.count > kMaxBlackPatternSize * kMaxBlackPatternSize * kMaxSamplesPerPixel) {
                fBlackLevelCountBad = true;
                return true;
            }
            fBlackLevelData.resize(tag.count);
            for (uint32 i = 0; i < tag.count; ++i) fBlackLevelData[i] = TagValue_real64(stream, tag.type);
            return true;
        case tcBlackLevelDeltaH:
        case tcBlackLevelDeltaV: {
            if (!TagTypeIsNumeric(tag) || tag.count > kMaxImageSide) return true;
            std::vector<real64>& deltas = tag.code == tcBlackLevelDeltaH ? fBlackLevelDeltaH : fBlackLevelDeltaV;
            deltas.resize(tag.count);
            for (uint32 i = 0; i < tag.count; ++i) deltas[i] = TagValue_real64(stream, tag.type);
            return true;
        }
        case tcWhiteLevel:
            if (!TagTypeIsNumeric(tag)) return true;
            for (uint32 i = 0; i < std::min(tag.count, kMaxSamplesPerPixel); ++i)
                fWhiteLevel[i] = TagValue_real64(stream, tag.type);
            return true;
        case tcActiveArea:
            if (!integer || !CountIs(tag, 4)) return true;
            fActiveArea.t = TagValue_int32(stream, tag.type);
            fActiveArea.l = TagValue_int32(stream, tag.type);
            fActiveArea.b = TagValue_int32(stream, tag.type);
            fActiveArea.r = TagValue_int32(stream, tag.type);
            return true;
        case tcMaskedAreas:
            if (!integer || tag.count % 4 != 0 || tag.count > 4 * kMaxMaskedAreas) return true;
            fMaskedAreaCount = tag.count / 4;
            for (uint32 i = 0; i < fMaskedAreaCount; ++i) {
                fMaskedArea[i].t = TagValue_int32(stream, tag.type);
                fMaskedArea[i].l = TagValue_int32(stream, tag.type);
                fMaskedArea[i].b = TagValue_int32(stream, tag.type);
                fMaskedArea[i].r = TagValue_int32(stream, tag.type);
            }
            return true;
        case tcDefaultScale:
            if (!CountIs(tag, 2) || !TagTypeIsNumeric(tag)) return true;
            fDefaultScaleH = TagValue_urational(stream, tag.type);
            fDefaultScaleV = TagValue_urational(stream, tag.type);
            return true;
        case tcDefaultCropOrigin:
            if (!CountIs(tag, 2) || !TagTypeIsNumeric(tag)) return true;
            fDefaultCropOriginH = TagValue_urational(stream, tag.type);
            fDefaultCropOriginV = TagValue_urational(stream, tag.type);
            return true;
        case tcDefaultCropSize:
            if (!CountIs(tag, 2) || !TagTypeIsNumeric(tag)) return true;
            fDefaultCropSizeH = TagValue_urational(stream, tag.type);
            fDefaultCropSizeV = TagValue_urational(stream, tag.type);
            return true;
        case tcBestQualityScale:
            if (CountIs(tag, 1) && TagTypeIsNumeric(tag)) fBestQualityScale = TagValue_urational(stream, tag.type);
            return true;
        case tcChromaBlurRadius:
            if (CountIs(tag, 1) && TagTypeIsNumeric(tag)) fChromaBlurRadius = TagValue_urational(stream, tag.type);
            return true;
        case tcAntiAliasStrength:
            if (CountIs(tag, 1) && TagTypeIsNumeric(tag)) fAntiAliasStrength = TagValue_urational(stream, tag.type);
            return true;
        case tcOpcodeList1:
            fOpcodeList1 = tag;
            return true;
        case tcOpcodeList2:
            fOpcodeList2 = tag;
            return true;
        case tcOpcodeList3:
            fOpcodeList3 = tag;
            return true;
        case tcPreviewColorSpace:
            if (integer && CountIs(tag, 1)) fPreviewColorSpace = TagValue_uint32(stream, tag.type);
            return true;
        case tcPreviewApplicationName:
            fPreviewApplicationName = TagValue_string(stream, tag);
            return true;
        case tcPreviewApplicationVersion:
            fPreviewApplicationVersion = TagValue_string(stream, tag);
            return true;
        default:
            return false;
    }
}

void dng_ifd::PostParse() {
    if (fBitsPerSampleCount == 0) fBitsPerSample[0] = 1;
    const uint32 spp = std::min(std::max(fSamplesPerPixel, 1u), kMaxSamplesPerPixel);
    for (uint32 i = std::max(fBitsPerSampleCount, 1u); i < spp; ++i) fBitsPerSample[i] = fBitsPerSample[0];

    if (fUsesStrips && !fUsesTiles) {
        fTileWidth = fImageWidth;
        fTileLength = (fRowsPerStrip == 0 || fRowsPerStrip > fImageLength) ? fImageLength : fRowsPerStrip;
    }

    if (fCFARepeatPatternRows >= 1 && fCFARepeatPatternRows <= kMaxCFAPatternSize && fCFARepeatPatternCols >= 1 &&
        fCFARepeatPatternCols <= kMaxCFAPatternSize &&
        fCFAPatternData.size() == fCFARepeatPatternRows * fCFARepeatPatternCols) {
        for (uint32 r = 0; r < fCFARepeatPatternRows; ++r)
            for (uint32 c = 0; c < fCFARepeatPatternCols; ++c)
                fCFAPattern[r][c] = fCFAPatternData[r * fCFARepeatPatternCols + c];
    } else if (!fCFAPatternData.empty() || fCFARepeatPatternRows != 0) {
        fCFARepeatPatternRows = fCFARepeatPatternCols = 0;
    }

    const bool repeatOK = fBlackLevelRepeatRows >= 1 && fBlackLevelRepeatRows <= kMaxBlackPatternSize &&
                          fBlackLevelRepeatCols >= 1 && fBlackLevelRepeatCols <= kMaxBlackPatternSize;
    if (repeatOK && !fBlackLevelData.empty()) {
        const size_t expected = static_cast<size_t>(fBlackLevelRepeatRows) * fBlackLevelRepeatCols * spp;
        if (fBlackLevelData.size() == expected) {
            // Black levels are kept in 1/256 steps, coarser when a huge level would overflow.
            real64 maxBlack = 0.0;
            for (real64 b : fBlackLevelData) maxBlack = std::max(maxBlack, std::fabs(b));
            real64 denominator = 256.0;
            while (denominator > 1.0 && maxBlack * denominator >= 30000.0 * 65536.0) denominator *= 0.5;
            size_t k = 0;
            for (uint32 r = 0; r < fBlackLevelRepeatRows; ++r)
                for (uint32 c = 0; c < fBlackLevelRepeatCols; ++c)
                    for (uint32 p = 0; p < spp; ++p, ++k)
                        fBlackLevel[r][c][p] = std::round(fBlackLevelData[k] * denominator) / denominator;
        } else {
            fBlackLevelCountBad = true;
        }
    }

    for (uint32 p = 0; p < kMaxSamplesPerPixel; ++p) {
        if (fWhiteLevel[p] < 0.0) {
            const uint32 bits = std::min(fBitsPerSample[p < spp ? p : 0], 32u);
            fWhiteLevel[p] = bits == 0 ? 0.0 : std::ldexp(1.0, static_cast<int>(bits)) - 1.0;
        }
    }

    if (fActiveArea.IsEmpty() && fActiveArea == dng_rect()) fActiveArea = Bounds();
    if (!fDefaultCropSizeH.IsValid() || !fDefaultCropSizeV.IsValid()) {
        fDefaultCropSizeH = dng_urational(fActiveArea.W(), 1);
        fDefaultCropSizeV = dng_urational(fActiveArea.H(), 1);
    }
}

uint32 dng_ifd::TilesAcross() const {
    return fTileWidth ? static_cast<uint32>((uint64(fImageWidth) + fTileWidth - 1) / fTileWidth) : 0;
}

uint32 dng_ifd::TilesDown() const {
    return fTileLength ? static_cast<uint32>((uint64(fImageLength) + fTileLength - 1) / fTileLength) : 0;
}

dng_rect dng_ifd::TileArea(uint32 index) const {
    const uint32 across = TilesAcross();
    const uint64 row = index / across;
    const uint64 col = index % across;
    const int64 t = static_cast<int64>(row * fTileLength);
    const int64 l = static_cast<int64>(col * fTileWidth);
    const int64 b = std::min<int64>(t + fTileLength, fImageLength);
    const int64 r = std::min<int64>(l + fTileWidth, fImageWidth);
    return dng_rect(static_cast<int32>(t), static_cast<int32>(l), static_cast<int32>(b), static_cast<int32>(r));
}

std::string dng_ifd::MainImageFault(bool colour) const {
    if (fImageWidth < 1 || fImageLength < 1 || fImageWidth > kMaxImageSide || fImageLength > kMaxImageSide)
        return "image size " + std::to_string(fImageWidth) + "x" + std::to_string(fImageLength) + " out of range";
    const bool cfa = fPhotometricInterpretation == piCFA;
    if (!cfa && fPhotometricInterpretation != piLinearRaw)
        return "photometric interpretation " + std::to_string(fPhotometricInterpretation) + " is not raw";
    if (fSamplesPerPixel < 1 || fSamplesPerPixel > kMaxSamplesPerPixel || (cfa && fSamplesPerPixel != 1))
        return "bad samples per pixel " + std::to_string(fSamplesPerPixel);
    for (uint32 p = 0; p < fSamplesPerPixel; ++p) {
        if (fBitsPerSample[p] != fBitsPerSample[0]) return "bits per sample differ between samples";
    }
    if (fBitsPerSample[0] < 8 || fBitsPerSample[0] > 32)
        return "bits per sample " + std::to_string(fBitsPerSample[0]) + " out of range";
    if (fCompression == 7 && fBitsPerSample[0] > 16) return "lossless JPEG deeper than 16 bits";
    if (fFillOrder != 1) return "fill order " + std::to_string(fFillOrder);
    if (fExtraSamplesCount != 0) return "extra samples present";
    if (fPlanarConfiguration != 1) return "planar configuration " + std::to_string(fPlanarConfiguration);
    if (fUsesStrips == fUsesTiles) return "image must use either strips or tiles";
    if (fTileWidth < 1 || fTileLength < 1) return "zero tile or strip size";
    const uint64 tiles = uint64(TilesAcross()) * TilesDown();
    if (tiles > kMaxTileCount) return "too many tiles";
    if (fTileOffsetsCount != tiles || fTileByteCountsCount != tiles || fTileOffset.size() != tiles ||
        fTileByteCount.size() != tiles)
        return "tile or strip count (" + std::to_string(fTileOffsetsCount) + " offsets, " +
               std::to_string(fTileByteCountsCount) + " byte counts) does not match the " + std::to_string(tiles) +
               " the image needs";
    if (cfa) {
        if (fCFARepeatPatternRows < 1 || fCFARepeatPatternCols < 1) return "missing or bad CFA pattern";
        for (uint32 r = 0; r < fCFARepeatPatternRows; ++r)
            for (uint32 c = 0; c < fCFARepeatPatternCols; ++c) {
                bool found = false;
                for (uint32 k = 0; k < fCFAPlaneColorCount; ++k) found |= fCFAPlaneColor[k] == fCFAPattern[r][c];
                if (!found) return "CFA pattern uses a colour outside the plane colours";
            }
        if (fCFALayout < 1 || fCFALayout > 9) return "CFA layout " + std::to_string(fCFALayout);
        if (!colour) return "colour filter array without a colour matrix";
    }
    if (fActiveArea.IsEmpty() || !RectInside(fActiveArea, Bounds()) || fActiveArea.t < 0 || fActiveArea.l < 0)
        return "active area outside the image";
    for (uint32 i = 0; i < fMaskedAreaCount; ++i)
        if (!RectInside(fMaskedArea[i], Bounds())) return "masked area outside the image";
    if (fBlackLevelRepeatRows < 1 || fBlackLevelRepeatRows > kMaxBlackPatternSize || fBlackLevelRepeatCols < 1 ||
        fBlackLevelRepeatCols > kMaxBlackPatternSize)
        return "bad black level repeat size";
    if (fBlackLevelCountBad) return "black level count does not match its repeat pattern";
    if (!fBlackLevelDeltaH.empty() && fBlackLevelDeltaH.size() != fActiveArea.W())
        return "black level column delta count does not match the active width";
    if (!fBlackLevelDeltaV.empty() && fBlackLevelDeltaV.size() != fActiveArea.H())
        return "black level row delta count does not match the active height";
    for (uint32 p = 0; p < fSamplesPerPixel; ++p) {
        for (uint32 r = 0; r < fBlackLevelRepeatRows; ++r)
            for (uint32 c = 0; c < fBlackLevelRepeatCols; ++c)
                if (!(fBlackLevel[r][c][p] < fWhiteLevel[p])) return "black level not below white level";
        if (!std::isfinite(fWhiteLevel[p])) return "bad white level";
    }
    for (real64 d : fBlackLevelDeltaH)
        if (!std::isfinite(d)) return "bad black level delta";
    for (real64 d : fBlackLevelDeltaV)
        if (!std::isfinite(d)) return "bad black level delta";
    if (fDefaultScaleH.As_real64() <= 0.0 || fDefaultScaleV.As_real64() <= 0.0) return "default scale not positive";
    // Cameras scale by 2 at most; far beyond, the rendered size overflows its integers.
    constexpr real64 kMaxDefaultScale = 16.0;
    for (real64 scale : {fDefaultScaleH.As_real64(), fDefaultScaleV.As_real64()})
        if (scale > kMaxDefaultScale || scale < 1.0 / kMaxDefaultScale) return "default scale out of range";
    if (!fDefaultCropOriginH.IsValid() || !fDefaultCropOriginV.IsValid()) return "bad default crop origin";
    const real64 cropRight = fDefaultCropOriginH.As_real64() + fDefaultCropSizeH.As_real64();
    const real64 cropBottom = fDefaultCropOriginV.As_real64() + fDefaultCropSizeV.As_real64();
    if (fDefaultCropSizeH.As_real64() <= 0.0 || fDefaultCropSizeV.As_real64() <= 0.0 ||
        cropRight > fActiveArea.W() + 0.01 || cropBottom > fActiveArea.H() + 0.01)
        return "default crop outside the active area";
    return std::string();
}
