#pragma once
#include <string>
#include <vector>

#include "dng/dng_rational.h"
#include "dng/dng_rect.h"
#include "dng/dng_tag_codes.h"
#include "dng/dng_tag_reader.h"

// Limits that keep damaged files from driving allocations or loops.
constexpr uint32 kMaxSamplesPerPixel = 4;
constexpr uint32 kMaxCFAPatternSize = 8;
constexpr uint32 kMaxBlackPatternSize = 8;
constexpr uint32 kMaxMaskedAreas = 4;
constexpr uint32 kMaxImageSide = 65000;
constexpr uint32 kMaxTileCount = 1u << 20;
constexpr uint32 kMaxSubIFDsPerIFD = 16;

// The facts one image file directory holds about its image.
class dng_ifd {
public:
    // Reads the entry whose value the stream position points at; false when the tag is not one of ours.
    bool ParseTag(dng_stream& stream, const dng_tag& tag);
    // Fills defaults that depend on other tags, once all entries are read.
    void PostParse();
    // Reason this directory cannot serve as the main raw image, empty when it can.
    std::string MainImageFault(bool colour) const;

    bool IsTiled() const { return fUsesTiles; }
    uint32 TilesAcross() const;
    uint32 TilesDown() const;
    uint32 TileCount() const { return TilesAcross() * TilesDown(); }
    // Area of tile `index` in image coordinates, clipped to the image.
    dng_rect TileArea(uint32 index) const;
    dng_rect Bounds() const { return dng_rect(fImageLength, fImageWidth); }

    uint64 fOffset = 0;

    bool fUsesNewSubFileType = false;
    uint32 fNewSubFileType = 0;
    uint32 fImageWidth = 0;
    uint32 fImageLength = 0;
    uint32 fBitsPerSample[kMaxSamplesPerPixel] = {0, 0, 0, 0};
    uint32 fBitsPerSampleCount = 0;
    uint32 fCompression = 1;
    uint32 fPredictor = 1;
    uint32 fPhotometricInterpretation = 0xFFFFFFFF;
    uint32 fFillOrder = 1;
    uint32 fSamplesPerPixel = 1;
    uint32 fPlanarConfiguration = 1;
    uint32 fExtraSamplesCount = 0;
    uint32 fSampleFormat[kMaxSamplesPerPixel] = {1, 1, 1, 1};

    bool fUsesStrips = false;
    bool fUsesTiles = false;
    uint32 fRowsPerStrip = 0;
    uint32 fTileWidth = 0;
    uint32 fTileLength = 0;
    std::vector<uint64> fTileOffset;
    std::vector<uint64> fTileByteCount;
    uint32 fTileOffsetsCount = 0;
    uint32 fTileByteCountsCount = 0;

    std::vector<uint64> fSubIFDOffsets;
    uint64 fExifIFD = 0;
    uint64 fGPSIFD = 0;
    uint64 fInteropIFD = 0;

    uint32 fCFARepeatPatternRows = 0;
    uint32 fCFARepeatPatternCols = 0;
    uint8 fCFAPattern[kMaxCFAPatternSize][kMaxCFAPatternSize] = {};
    uint32 fCFAPlaneColorCount = 3;
    uint8 fCFAPlaneColor[kMaxSamplesPerPixel] = {0, 1, 2, 3};
    uint32 fCFALayout = 1;
    uint32 fBayerGreenSplit = 0;

    std::vector<uint16> fLinearizationTable;
    uint32 fBlackLevelRepeatRows = 1;
    uint32 fBlackLevelRepeatCols = 1;
    real64 fBlackLevel[kMaxBlackPatternSize][kMaxBlackPatternSize][kMaxSamplesPerPixel] = {};
    bool fBlackLevelCountBad = false;
    std::vector<real64> fBlackLevelDeltaH;
    std::vector<real64> fBlackLevelDeltaV;
    real64 fWhiteLevel[kMaxSamplesPerPixel] = {-1, -1, -1, -1};
    dng_rect fActiveArea;
    uint32 fMaskedAreaCount = 0;
    dng_rect fMaskedArea[kMaxMaskedAreas];

    dng_urational fDefaultScaleH = dng_urational(1, 1);
    dng_urational fDefaultScaleV = dng_urational(1, 1);
    dng_urational fBestQualityScale = dng_urational(1, 1);
    dng_urational fDefaultCropOriginH = dng_urational(0, 1);
    dng_urational fDefaultCropOriginV = dng_urational(0, 1);
    dng_urational fDefaultCropSizeH;
    dng_urational fDefaultCropSizeV;
    dng_urational fChromaBlurRadius;
    dng_urational fAntiAliasStrength = dng_urational(1, 1);

    dng_tag fOpcodeList1;
    dng_tag fOpcodeList2;
    dng_tag fOpcodeList3;

    uint32 fPreviewColorSpace = 0xFFFFFFFF;
    std::string fPreviewApplicationName;
    std::string fPreviewApplicationVersion;

private:
    std::vector<uint8> fCFAPatternData;
    std::vector<real64> fBlackLevelData;
    void ParseOffsets(dng_stream& stream, const dng_tag& tag, std::vector<uint64>& into, uint32& count);
};
