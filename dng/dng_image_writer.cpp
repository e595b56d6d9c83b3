#include "dng/dng_image_writer.h"

#include <algorithm>
#include <cmath>

#include "dng/dng_exceptions.h"
#include "dng/dng_negative.h"
#include "dng/dng_publish_file.h"
#include "dng/dng_tag_codes.h"
#include "dng/dng_tag_reader.h"
#include "dng/dng_tiff_directory.h"
#include "dng/dng_tile_buffer.h"
#include "dng/dng_xmp_orientation.h"

namespace {

int32 RoundToInt32(real64 x) {
    const real64 r = std::round(x);
    if (!(r >= -2147483647.0 && r <= 2147483647.0)) ThrowProgramError("Value out of range for a signed rational");
    return static_cast<int32>(r);
}

uint32 RoundToUint32(real64 x) {
    const real64 r = std::round(x);
    if (!(r >= 0.0 && r <= 4294967295.0)) ThrowProgramError("Value out of range for a rational");
    return static_cast<uint32>(r);
}

// The closest fraction to `x` within the numerator and denominator limits (continued
// fractions), so that a value read from a rational is written back as the same value.
template <class Rational, class Int>
Rational ClosestRational(real64 x, real64 limit) {
    if (!std::isfinite(x) || std::fabs(x) > limit) ThrowProgramError("Value out of range for a rational");
    const real64 a = std::fabs(x);
    real64 h0 = 0.0, h1 = 1.0, k0 = 1.0, k1 = 0.0, v = a;
    for (int i = 0; i < 64; ++i) {
        const real64 whole = std::floor(v);
        const real64 h2 = whole * h1 + h0, k2 = whole * k1 + k0;
        if (h2 > limit || k2 > 4294967295.0) break;
        h0 = h1, h1 = h2, k0 = k1, k1 = k2;
        if (std::fabs(h1 / k1 - a) <= 1e-15 * std::max(a, 1e-300)) break;
        const real64 rest = v - whole;
        if (rest < 1e-300) break;
        v = 1.0 / rest;
    }
    if (k1 == 0.0) ThrowProgramError("Value out of range for a rational");
    if (k1 > limit) {  // a signed rational's denominator must fit as well
        const real64 shrink = k1 / limit;
        h1 = std::round(h1 / shrink), k1 = std::round(k1 / shrink);
    }
    return Rational(static_cast<Int>(x < 0 ? -h1 : h1), static_cast<uint32>(k1));
}

dng_srational SignedDecimal(real64 x) { return ClosestRational<dng_srational, int32>(x, 2147483647.0); }
dng_urational UnsignedDecimal(real64 x) {
    return ClosestRational<dng_urational, uint32>(std::max(0.0, x), 4294967295.0);
}

std::vector<dng_srational> MatrixRationals(const dng_matrix& m) {
    std::vector<dng_srational> out;
    for (uint32 r = 0; r < m.Rows(); ++r)
        for (uint32 c = 0; c < m.Cols(); ++c) out.push_back(SignedDecimal(m[r][c]));
    return out;
}

std::vector<dng_urational> VectorRationals(const dng_vector& v) {
    std::vector<dng_urational> out;
    for (uint32 i = 0; i < v.Count(); ++i) out.push_back(UnsignedDecimal(v[i]));
    return out;
}

// Deltas are held as reals; 1/256 steps (as the black levels) when exact.
dng_srational SignedRational(real64 x) {
    const real64 in256 = x * 256.0;
    if (in256 == std::floor(in256) && std::fabs(in256) < 2147483647.0) return dng_srational(int32(in256), 256);
    return SignedDecimal(x);
}

dng_urational ValidOr(const dng_urational& value, const dng_urational& fallback) {
    return value.IsValid() ? value : fallback;
}

std::vector<uint8> VersionBytes(uint32 version) {
    return {uint8(version >> 24), uint8(version >> 16), uint8(version >> 8), uint8(version)};
}

bool IsPlainAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 128 && c != 0; });
}

// Preview text tags are ASCII, or BYTE when the text is not plain ASCII.
void AddPreviewText(dng_tiff_directory& dir, uint16 code, const std::string& text) {
    if (text.empty()) return;
    if (IsPlainAscii(text))
        dir.AddAscii(code, text);
    else
        dir.AddBytes(code, std::vector<uint8>(text.begin(), text.end()));
}

// EXIF values as the source stored them, turned into little-endian order element by element
// (a rational is two 4-byte elements).
std::vector<uint8> LittleEndianValue(const dng_exif_entry& entry, bool sourceBigEndian) {
    std::vector<uint8> bytes = entry.bytes;
    if (!sourceBigEndian) return bytes;
    const bool rational = entry.type == ttRational || entry.type == ttSRational;
    const uint32 element = rational ? 4 : TagTypeSize(entry.type);
    if (element > 1)
        for (size_t i = 0; i + element <= bytes.size(); i += element)
            std::reverse(bytes.begin() + i, bytes.begin() + i + element);
    return bytes;
}

// Colour matrices, neutral and balance are written as the file gave them (kept in the
// negative's shared record); the reader's normalised copies serve rendering only.
void AddProfileTags(dng_tiff_directory& ifd0, const dng_negative& negative) {
    const dng_camera_profile* profile = negative.ProfileToEmbed();
    const dng_camera_profile_info& stored = negative.Shared().fCameraProfile;
    const dng_shared& shared = negative.Shared();
    const uint32 n = negative.ColorChannels();
    if (profile) {
        if (profile->CalibrationIlluminant1() != 0 || stored.fColorMatrix2.NotEmpty())
            ifd0.AddShort(tcCalibrationIlluminant1, static_cast<uint16>(profile->CalibrationIlluminant1()));
        ifd0.AddSRationals(tcColorMatrix1, MatrixRationals(stored.fColorMatrix1));
        if (stored.fForwardMatrix1.Rows() == 3)
            ifd0.AddSRationals(tcForwardMatrix1, MatrixRationals(stored.fForwardMatrix1));
        if (n > 3 && stored.fReductionMatrix1.NotEmpty())
            ifd0.AddSRationals(tcReductionMatrix1, MatrixRationals(stored.fReductionMatrix1));
        if (stored.fColorMatrix2.NotEmpty()) {
            ifd0.AddShort(tcCalibrationIlluminant2, static_cast<uint16>(profile->CalibrationIlluminant2()));
            ifd0.AddSRationals(tcColorMatrix2, MatrixRationals(stored.fColorMatrix2));
            if (stored.fForwardMatrix2.Rows() == 3)
                ifd0.AddSRationals(tcForwardMatrix2, MatrixRationals(stored.fForwardMatrix2));
            if (n > 3 && stored.fReductionMatrix2.NotEmpty())
                ifd0.AddSRationals(tcReductionMatrix2, MatrixRationals(stored.fReductionMatrix2));
        }
        // The reader names an unnamed profile "Embedded"; that placeholder is not written back.
        if (!stored.fProfileName.empty()) ifd0.AddAscii(tcProfileName, profile->Name());
        ifd0.AddAscii(tcProfileCalibrationSignature, profile->ProfileCalibrationSignature());
        ifd0.AddLong(tcProfileEmbedPolicy, profile->EmbedPolicy());
        ifd0.AddAscii(tcProfileCopyright, profile->Copyright());
        if (profile->HasHueSatMap()) {
            const dng_hue_sat_map& map = profile->HueSatMap1();
            ifd0.AddLongs(tcProfileHueSatMapDims, {map.HueDivisions(), map.SatDivisions(), map.ValDivisions()});
            ifd0.AddFloats(tcProfileHueSatMapData1, map.TagData());
            if (profile->HueSatMap2().NotEmpty())
                ifd0.AddFloats(tcProfileHueSatMapData2, profile->HueSatMap2().TagData());
        }
        if (profile->HasLookTable()) {
            const dng_hue_sat_map& look = profile->LookTable();
            ifd0.AddLongs(tcProfileLookTableDims, {look.HueDivisions(), look.SatDivisions(), look.ValDivisions()});
            ifd0.AddFloats(tcProfileLookTableData, look.TagData());
        }
        if (profile->HasToneCurve()) {
            std::vector<real32> points;
            for (const dng_tone_curve::Point& p : profile->ToneCurve().Points())
                points.push_back(static_cast<real32>(p.x)), points.push_back(static_cast<real32>(p.y));
            ifd0.AddFloats(tcProfileToneCurve, points);
        }
    }
    const auto square = [n](const dng_matrix& m) { return m.Rows() == n && m.Cols() == n; };
    if (square(shared.fCameraCalibration1))
        ifd0.AddSRationals(tcCameraCalibration1, MatrixRationals(shared.fCameraCalibration1));
    if (square(shared.fCameraCalibration2))
        ifd0.AddSRationals(tcCameraCalibration2, MatrixRationals(shared.fCameraCalibration2));
    ifd0.AddAscii(tcCameraCalibrationSignature, negative.CameraCalibrationSignature());
    ifd0.AddAscii(tcAsShotProfileName, negative.AsShotProfileName());
    dng_vector balance = shared.fAnalogBalance;
    if (balance.Count() != n) balance.SetIdentity(n);
    ifd0.AddRationals(tcAnalogBalance, VectorRationals(balance));
    if (shared.fAsShotNeutral.Count() == n && shared.fAsShotNeutral.MaxEntry() > 0.0) {
        ifd0.AddRationals(tcAsShotNeutral, VectorRationals(shared.fAsShotNeutral));
    } else if (negative.HasCameraNeutral()) {
        ifd0.AddRationals(tcAsShotNeutral, VectorRationals(negative.CameraNeutral()));
    } else if (negative.HasCameraWhiteXY()) {
        dng_vector xy(2);
        xy[0] = negative.CameraWhiteX();
        xy[1] = negative.CameraWhiteY();
        ifd0.AddRationals(tcAsShotWhiteXY, VectorRationals(xy));
    }
    ifd0.AddRationals(tcLinearResponseLimit, {ValidOr(shared.fLinearResponseLimit, dng_urational(1, 1))});
}

void AddThumbnailTags(dng_tiff_directory& ifd0, const dng_image_preview& thumbnail) {
    const dng_image& image = *thumbnail.fImage;
    const dng_preview_info& info = thumbnail.fInfo;
    const bool colour = image.Planes() == 3;
    ifd0.AddLong(tcNewSubFileType, info.fIsPrimary ? sfPreviewImage : sfAltPreviewImage);
    ifd0.AddLong(tcImageWidth, image.Width());
    ifd0.AddLong(tcImageLength, image.Height());
    ifd0.AddShorts(tcBitsPerSample, std::vector<uint16>(image.Planes(), 8));
    ifd0.AddShort(tcCompression, ccUncompressed);
    ifd0.AddShort(tcPhotometricInterpretation, colour ? piRGB : piBlackIsZero);
    ifd0.AddShort(tcSamplesPerPixel, static_cast<uint16>(image.Planes()));
    ifd0.AddLong(tcRowsPerStrip, image.Height());
    ifd0.AddLong(tcStripByteCounts, image.Width() * image.Height() * image.Planes());
    ifd0.AddLong(tcStripOffsets, 0);
    ifd0.AddShort(tcPlanarConfiguration, 1);
    AddPreviewText(ifd0, tcPreviewApplicationName, info.fApplicationName);
    AddPreviewText(ifd0, tcPreviewApplicationVersion, info.fApplicationVersion);
    AddPreviewText(ifd0, tcPreviewSettingsName, info.fSettingsName);
    if (!info.fSettingsDigest.IsNull())
        ifd0.AddBytes(tcPreviewSettingsDigest,
                      std::vector<uint8>(info.fSettingsDigest.data, info.fSettingsDigest.data + 16));
    if (info.fColorSpace != previewColorSpace_Unset) ifd0.AddLong(tcPreviewColorSpace, info.fColorSpace);
    ifd0.AddAscii(tcPreviewDateTime, info.fDateTime);
}

void AddMetadataTags(dng_tiff_directory& ifd0, const dng_negative& negative, uint32 version, uint32 backward) {
    const dng_shared& shared = negative.Shared();
    const dng_exif& exif = negative.GetExif();
    ifd0.AddBytes(tcDNGVersion, VersionBytes(version));
    ifd0.AddBytes(tcDNGBackwardVersion, VersionBytes(backward));
    ifd0.AddShort(tcOrientation, static_cast<uint16>(negative.BaseOrientation()));
    ifd0.AddAscii(tcUniqueCameraModel, negative.ModelName());
    ifd0.AddAscii(tcLocalizedCameraModel, negative.LocalizedModelName());
    // An undefined (0/0) baseline exposure reads as 0 and is written so.
    ifd0.AddSRationals(
        tcBaselineExposure,
        {shared.fBaselineExposure.IsValid() ? shared.fBaselineExposure
                                            : dng_srational(RoundToInt32(negative.BaselineExposure() * 100.0), 100)});
    ifd0.AddRationals(tcBaselineNoise, {ValidOr(shared.fBaselineNoise, dng_urational(1, 1))});
    ifd0.AddRationals(tcBaselineSharpness, {ValidOr(shared.fBaselineSharpness, dng_urational(1, 1))});
    ifd0.AddRationals(tcShadowScale, {ValidOr(shared.fShadowScale, dng_urational(1, 1))});
    if (shared.fNoiseReductionApplied.IsValid())
        ifd0.AddRationals(tcNoiseReductionApplied, {shared.fNoiseReductionApplied});
    if (!shared.fNoiseProfile.empty()) ifd0.AddDoubles(tcNoiseProfile, shared.fNoiseProfile);
    if (shared.fColorimetricReference != 0)
        ifd0.AddShort(tcColorimetricReference, static_cast<uint16>(shared.fColorimetricReference));
    if (negative.ColorChannels() > 1) AddProfileTags(ifd0, negative);

    if (!negative.RawDataUniqueID().IsNull())
        ifd0.AddBytes(tcRawDataUniqueID,
                      std::vector<uint8>(negative.RawDataUniqueID().data, negative.RawDataUniqueID().data + 16));
    ifd0.AddAscii(tcOriginalRawFileName, negative.OriginalRawFileName());
    if (!negative.XMP().empty()) ifd0.AddBytes(tcXMP, XMPWithOrientation(negative.XMP(), negative.BaseOrientation()));
    // Private data is carried as the maker wrote it: its own format keeps it self-contained.
    if (!negative.PrivateData().empty()) ifd0.AddBytes(tcDNGPrivateData, negative.PrivateData());
    if (negative.MakerNoteSafety() == 1) ifd0.AddShort(tcMakerNoteSafety, 1);

    ifd0.AddAscii(tcMake, exif.fMake);
    ifd0.AddAscii(tcModel, exif.fModel);
    ifd0.AddAscii(tcSoftware, exif.fSoftware);
    ifd0.AddAscii(tcDateTime, exif.fDateTime);
    ifd0.AddAscii(tcArtist, exif.fArtist);
    ifd0.AddAscii(tcImageDescription, exif.fImageDescription);
    ifd0.AddAscii(tcCopyright, exif.fCopyright);
    ifd0.AddAscii(tcCameraSerialNumber, exif.fCameraSerialNumber);
    if (exif.fHasLensInfo)
        ifd0.AddRationals(tcLensInfo, {exif.fLensInfo[0], exif.fLensInfo[1], exif.fLensInfo[2], exif.fLensInfo[3]});
}

// Whether a tag of the source's IFD 0 that no record models is carried into the new IFD 0.
bool CarryUnmodelledIFD0Tag(const dng_exif_entry& entry) {
    // Below 32768 are the TIFF tags of the image IFD 0 held in the source; here IFD 0 is the thumbnail.
    if (entry.code < 0x8000) return false;
    // A LONG value may be an offset into the source file, which cannot be relocated unseen (IFD
    // links are left out before this is asked).
    if (entry.type == ttLong || entry.type == ttSLong) return false;
    switch (entry.code) {
        case 33723:  // IPTC: the format keeps it in the XMP packet
        case 34675:  // ICC profile of the source's IFD 0 image, not of this thumbnail
        case 50973:  // OriginalRawFileDigest: the original raw file is not carried
            return false;
        default:
            // Tags of DNG 1.4 and later (NewRawImageDigest, table encodings, user crop, ...)
            // belong to a later version of the format, or to raw data this writer replaces.
            return entry.code < 51107;
    }
}

void AddRawTags(dng_tiff_directory& raw, const dng_negative& negative, const dng_image& image) {
    const dng_mosaic_info* mosaic = negative.GetMosaicInfo();
    const bool cfa = mosaic && mosaic->IsColorFilterArray();
    const uint32 planes = image.Planes();
    raw.AddLong(tcNewSubFileType, sfMainImage);
    raw.AddLong(tcImageWidth, image.Width());
    raw.AddLong(tcImageLength, image.Height());
    raw.AddShorts(tcBitsPerSample, std::vector<uint16>(planes, 16));
    raw.AddShort(tcCompression, ccUncompressed);
    raw.AddShort(tcPhotometricInterpretation, static_cast<uint16>(cfa ? piCFA : piLinearRaw));
    raw.AddShort(tcSamplesPerPixel, static_cast<uint16>(planes));
    raw.AddLong(tcRowsPerStrip, image.Height());
    raw.AddLong(tcStripByteCounts, 0);
    raw.AddLong(tcStripOffsets, 0);
    raw.AddShort(tcPlanarConfiguration, 1);

    if (cfa) {
        const uint32 rows = static_cast<uint32>(mosaic->fCFAPatternSize.v);
        const uint32 cols = static_cast<uint32>(mosaic->fCFAPatternSize.h);
        raw.AddShorts(tcCFARepeatPatternDim, {static_cast<uint16>(rows), static_cast<uint16>(cols)});
        std::vector<uint8> pattern;
        for (uint32 r = 0; r < rows; ++r)
            for (uint32 c = 0; c < cols; ++c) pattern.push_back(mosaic->fCFAPattern[r][c]);
        raw.AddBytes(tcCFAPattern, pattern);
        const uint32 colours = mosaic->fColorPlanes ? mosaic->fColorPlanes : negative.ColorChannels();
        raw.AddBytes(tcCFAPlaneColor, std::vector<uint8>(mosaic->fCFAPlaneColor, mosaic->fCFAPlaneColor + colours));
        raw.AddShort(tcCFALayout, static_cast<uint16>(mosaic->fCFALayout));
        if (mosaic->IsBayerPattern() && mosaic->fBayerGreenSplit != 0)
            raw.AddLong(tcBayerGreenSplit, mosaic->fBayerGreenSplit);
    }

    if (const dng_linearization_info* lin = negative.GetLinearizationInfo()) {
        const dng_rect a = lin->fActiveArea.IsEmpty() ? image.Bounds() : lin->fActiveArea;
        raw.AddLongs(tcActiveArea, {uint32(a.t), uint32(a.l), uint32(a.b), uint32(a.r)});
        if (lin->fMaskedAreaCount) {
            std::vector<uint32> masked;
            for (uint32 i = 0; i < lin->fMaskedAreaCount && i < kMaxMaskedAreas; ++i) {
                const dng_rect& m = lin->fMaskedArea[i];
                for (int32 edge : {m.t, m.l, m.b, m.r}) masked.push_back(static_cast<uint32>(edge));
            }
            raw.AddLongs(tcMaskedAreas, masked);
        }
        if (!lin->fLinearizationTable.empty()) raw.AddShorts(tcLinearizationTable, lin->fLinearizationTable);
        const uint32 rr = lin->fBlackLevelRepeatRows, rc = lin->fBlackLevelRepeatCols;
        raw.AddShorts(tcBlackLevelRepeatDim, {static_cast<uint16>(rr), static_cast<uint16>(rc)});
        real64 maxBlack = 0.0;
        for (uint32 r = 0; r < rr; ++r)
            for (uint32 c = 0; c < rc; ++c)
                for (uint32 p = 0; p < planes; ++p) maxBlack = std::max(maxBlack, lin->fBlackLevel[r][c][p]);
        uint32 denominator = 256;
        while (denominator > 1 && maxBlack * denominator > 4.0e9) denominator /= 2;
        std::vector<dng_urational> black;
        for (uint32 r = 0; r < rr; ++r)
            for (uint32 c = 0; c < rc; ++c)
                for (uint32 p = 0; p < planes; ++p)
                    black.emplace_back(RoundToUint32(std::max(0.0, lin->fBlackLevel[r][c][p]) * denominator),
                                       denominator);
        raw.AddRationals(tcBlackLevel, black);
        std::vector<dng_srational> deltaH, deltaV;
        for (real64 d : lin->fBlackDeltaH) deltaH.push_back(SignedRational(d));
        for (real64 d : lin->fBlackDeltaV) deltaV.push_back(SignedRational(d));
        if (!deltaH.empty()) raw.AddSRationals(tcBlackLevelDeltaH, deltaH);
        if (!deltaV.empty()) raw.AddSRationals(tcBlackLevelDeltaV, deltaV);
    }
    std::vector<uint32> white;
    for (uint32 p = 0; p < planes; ++p) white.push_back(negative.WhiteLevel(p));
    if (*std::max_element(white.begin(), white.end()) > 65535)
        raw.AddLongs(tcWhiteLevel, white);
    else
        raw.AddShorts(tcWhiteLevel, std::vector<uint16>(white.begin(), white.end()));

    raw.AddRationals(tcDefaultScale, {negative.DefaultScaleH(), negative.DefaultScaleV()});
    raw.AddRationals(tcBestQualityScale, {ValidOr(negative.BestQualityScale(), dng_urational(1, 1))});
    raw.AddRationals(tcDefaultCropOrigin, {negative.DefaultCropOriginH(), negative.DefaultCropOriginV()});
    if (negative.DefaultCropSizeH().IsValid() && negative.DefaultCropSizeV().IsValid())
        raw.AddRationals(tcDefaultCropSize, {negative.DefaultCropSizeH(), negative.DefaultCropSizeV()});
    if (negative.ChromaBlurRadius().IsValid()) raw.AddRationals(tcChromaBlurRadius, {negative.ChromaBlurRadius()});
    raw.AddRationals(tcAntiAliasStrength, {ValidOr(negative.AntiAliasStrength(), dng_urational(1, 1))});

    const std::pair<uint16, const dng_opcode_list*> lists[] = {{tcOpcodeList1, &negative.OpcodeList1()},
                                                               {tcOpcodeList2, &negative.OpcodeList2()},
                                                               {tcOpcodeList3, &negative.OpcodeList3()}};
    for (const auto& list : lists)
        if (list.second->NotEmpty()) raw.AddBytes(list.first, list.second->Spool(), ttUndefined);
}

// The EXIF, GPS and interoperability directories from the entries the reader kept, and the
// IFD 0 tags it kept without modelling them. Called before IFD 0's own tags are added, so that
// those take precedence.
void AddExifEntries(dng_tiff_directory& ifd0, dng_tiff_directory& exifDir, dng_tiff_directory& gpsDir,
                    dng_tiff_directory& interopDir, const dng_negative& negative) {
    const dng_exif& exif = negative.GetExif();
    for (const dng_exif_entry& entry : exif.fEntries) {
        // Links to sub-directories are written anew; other links (type IFD) cannot be followed.
        if (entry.code == tcInteroperabilityIFD && entry.ifd == tcExifIFD) continue;
        if (entry.type == ttIFD) continue;
        // A MakerNote may hold offsets into the source file; only one marked safe is copied.
        if (entry.ifd == tcExifIFD && entry.code == tcMakerNote && negative.MakerNoteSafety() != 1) continue;
        if (entry.ifd == 0 && !CarryUnmodelledIFD0Tag(entry)) continue;
        std::vector<uint8> bytes = LittleEndianValue(entry, exif.fSourceBigEndian);
        dng_tiff_directory& dir = entry.ifd == 0                       ? ifd0
                                  : entry.ifd == tcGPSInfo             ? gpsDir
                                  : entry.ifd == tcInteroperabilityIFD ? interopDir
                                                                       : exifDir;
        dir.Add(entry.code, entry.type, entry.count, std::move(bytes));
    }
}

uint32 Even(uint64 x) {
    x = (x + 1) & ~uint64(1);
    if (x > 0xFFFFFFFFu) ThrowImageTooBigDNG();
    return static_cast<uint32>(x);
}

void WriteThumbnailPixels(dng_stream& stream, const dng_image& image) {
    const dng_rect bounds = image.Bounds();
    const uint32 planes = image.Planes();
    dng_const_tile_buffer buffer(image, bounds);
    std::vector<uint8> row(size_t(bounds.W()) * planes);
    for (int32 r = bounds.t; r < bounds.b; ++r) {
        for (uint32 p = 0; p < planes; ++p) {
            const uint8* s = buffer.ConstPixel_uint8(r, bounds.l, p);
            for (uint32 c = 0; c < bounds.W(); ++c) row[size_t(c) * planes + p] = s[c];
        }
        stream.Put(row.data(), row.size());
    }
    if (row.size() * bounds.H() % 2) stream.Put_uint8(0);
}

void WriteRawPixels(dng_host& host, dng_stream& stream, const dng_image& image) {
    const dng_rect bounds = image.Bounds();
    const uint32 planes = image.Planes();
    const uint32 width = bounds.W();
    constexpr int32 kBandRows = 64;
    dng_const_tile_buffer buffer(image, bounds);
    std::vector<uint8> band;
    for (int32 top = bounds.t; top < bounds.b; top += kBandRows) {
        host.SniffForAbort();
        const int32 bottom = std::min(bounds.b, top + kBandRows);
        band.assign(size_t(bottom - top) * width * planes * 2, 0);
        uint8* out = band.data();
        for (int32 r = top; r < bottom; ++r, out += size_t(width) * planes * 2)
            for (uint32 p = 0; p < planes; ++p) {
                const uint16* s = buffer.ConstPixel_uint16(r, bounds.l, p);
                for (uint32 c = 0; c < width; ++c) {
                    out[(size_t(c) * planes + p) * 2] = static_cast<uint8>(s[c]);
                    out[(size_t(c) * planes + p) * 2 + 1] = static_cast<uint8>(s[c] >> 8);
                }
            }
        stream.Put(band.data(), band.size());
    }
}

}  // namespace

void dng_image_writer::WriteDNG(dng_host& host, dng_stream& stream, dng_negative& negative,
                                const dng_image_preview& thumbnail, uint32 compression) {
    if (compression != ccUncompressed) ThrowNotYetImplemented("Only uncompressed DNGs are written");
    const dng_image* raw = negative.RawImage() ? negative.RawImage() : negative.Stage1Image();
    if (!raw) ThrowProgramError("No raw image to write");
    if (raw->PixelType() != ttShort) ThrowProgramError("Pixel type access mismatch");
    if (!thumbnail.fImage || thumbnail.fImage->PixelType() != ttByte ||
        (thumbnail.fImage->Planes() != 1 && thumbnail.fImage->Planes() != 3))
        ThrowProgramError("The thumbnail must be an 8-bit image of one or three planes");

    if (negative.RawImageDigest().IsNull()) negative.SetRawImageDigest(dng_negative::FindRawImageDigest(*raw));

    uint32 needed = 0;
    for (const dng_opcode_list* list : {&negative.OpcodeList1(), &negative.OpcodeList2(), &negative.OpcodeList3()})
        needed = std::max(needed, list->MinVersion(false));
    const dng_mosaic_info* mosaic = negative.GetMosaicInfo();
    uint32 backward = std::max(kVersion_1_1, needed);
    if (mosaic && mosaic->IsColorFilterArray() && mosaic->fCFALayout >= 6) backward = std::max(backward, kVersion_1_3);
    const uint32 version = std::max(kVersion_1_3, needed);

    dng_tiff_directory ifd0, rawDir, exifDir, gpsDir, interopDir;
    AddExifEntries(ifd0, exifDir, gpsDir, interopDir, negative);
    AddThumbnailTags(ifd0, thumbnail);
    AddMetadataTags(ifd0, negative, version, backward);
    ifd0.AddBytes(tcRawImageDigest,
                  std::vector<uint8>(negative.RawImageDigest().data, negative.RawImageDigest().data + 16));
    ifd0.AddLong(tcSubIFDs, 0);
    AddRawTags(rawDir, negative, *raw);
    if (!interopDir.Entries().empty()) exifDir.AddLong(tcInteroperabilityIFD, 0);
    const bool hasExif = !exifDir.Entries().empty();
    const bool hasGPS = !gpsDir.Entries().empty();
    if (hasExif) ifd0.AddLong(tcExifIFD, 0);
    if (hasGPS) ifd0.AddLong(tcGPSInfo, 0);

    const dng_image& thumb = *thumbnail.fImage;
    const uint64 thumbBytes = uint64(thumb.Width()) * thumb.Height() * thumb.Planes();
    const uint64 rawBytes = uint64(raw->Width()) * raw->Height() * raw->Planes() * 2;
    rawDir.AddLong(tcStripByteCounts, rawBytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32(rawBytes));

    // Every size is known now; the offsets do not change any size.
    const uint32 ifd0At = 8;
    const uint32 rawAt = Even(uint64(ifd0At) + ifd0.Size());
    const uint32 exifAt = Even(uint64(rawAt) + rawDir.Size());
    const uint32 gpsAt = Even(uint64(exifAt) + (hasExif ? exifDir.Size() : 0));
    const uint32 interopAt = Even(uint64(gpsAt) + (hasGPS ? gpsDir.Size() : 0));
    const uint32 thumbAt = Even(uint64(interopAt) + (interopDir.Entries().empty() ? 0 : interopDir.Size()));
    const uint32 rawDataAt = Even(uint64(thumbAt) + thumbBytes);
    if (uint64(rawDataAt) + rawBytes > 0xFFFFFFFFu) ThrowImageTooBigDNG();

    ifd0.AddLong(tcStripOffsets, thumbAt);
    ifd0.AddLong(tcSubIFDs, rawAt);
    if (hasExif) ifd0.AddLong(tcExifIFD, exifAt);
    if (hasGPS) ifd0.AddLong(tcGPSInfo, gpsAt);
    if (!interopDir.Entries().empty()) exifDir.AddLong(tcInteroperabilityIFD, interopAt);
    rawDir.AddLong(tcStripOffsets, rawDataAt);

    std::vector<uint8> head = {'I', 'I', 42, 0};
    AppendLE32(head, ifd0At);
    ifd0.Serialize(head, ifd0At);
    rawDir.Serialize(head, rawAt);
    if (hasExif) exifDir.Serialize(head, exifAt);
    if (hasGPS) gpsDir.Serialize(head, gpsAt);
    if (!interopDir.Entries().empty()) interopDir.Serialize(head, interopAt);
    if (head.size() != thumbAt) ThrowProgramError("DNG layout mismatch");

    stream.SetLittleEndian();
    stream.SetWritePosition(0);
    stream.Put(head.data(), head.size());
    WriteThumbnailPixels(stream, thumb);
    if (stream.Position() != rawDataAt) ThrowProgramError("DNG layout mismatch");
    WriteRawPixels(host, stream, *raw);
    stream.Flush();
}

void dng_image_writer::WriteDNGFile(dng_host& host, const std::string& path, dng_negative& negative,
                                    const dng_image_preview& thumbnail, uint32 compression) {
    WriteFileReplacing(path, [&](dng_stream& stream) { WriteDNG(host, stream, negative, thumbnail, compression); });
}
