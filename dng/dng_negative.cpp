#include "dng/dng_negative.h"

#include <cmath>
#include <cstring>
#include <new>

#include "dng/dng_exceptions.h"
#include "dng/dng_info.h"
#include "dng/dng_read_image.h"
#include "dng/dng_tag_codes.h"
#include "dng/dng_tile_buffer.h"

namespace {

const dng_ifd& MainIFD(const dng_info& info) {
    if (info.fMainIndex < 0 || static_cast<uint32>(info.fMainIndex) >= info.IFDCount() || !info.fShared)
        ThrowBadFormat("No main raw image directory");
    return *info.fIFD[info.fMainIndex];
}

void ReadOpcodeList(dng_stream& stream, const dng_tag& tag, dng_opcode_list& list) {
    list.Clear();
    if (tag.count == 0) return;
    if (TagTypeSize(tag.type) != 1) ThrowBadFormat("Opcode list tag has the wrong type");
    stream.SetReadPosition(tag.offset);
    list.Parse(stream, tag.count);
}

dng_fingerprint FingerprintOf(const uint8 (&bytes)[16]) {
    dng_fingerprint f;
    std::memcpy(f.data, bytes, 16);
    return f;
}

}  // namespace

dng_negative::dng_negative(dng_memory_allocator& allocator) : fAllocator(allocator) { fResultScale = 1.0; }

dng_negative::~dng_negative() = default;

void dng_negative::StoreSample(uint32, uint32, int32, int32, uint32, uint32, uint32) {}

void dng_negative::StoreRow(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, const uint16* values,
                            uint32 count) {
    for (uint32 j = 0; j < count; ++j) StoreSample(H, W, row, firstCol, plane, j, values[j]);
}

std::unique_ptr<dng_negative> dng_negative::Make(dng_memory_allocator& allocator) {
    std::unique_ptr<dng_negative> negative(new (std::nothrow) dng_negative(allocator));
    if (!negative) ThrowMemoryFull();
    negative->Initialize();
    return negative;
}

void dng_negative::Initialize() {
    fModelName.clear();
    fLocalizedModelName.clear();
    fColorChannels = 1;
    fOrientation = 1;
    fDefaultScaleH = fDefaultScaleV = fBestQualityScale = dng_urational(1, 1);
    fDefaultCropOriginH = fDefaultCropOriginV = dng_urational(0, 1);
    fDefaultCropSizeH = fDefaultCropSizeV = dng_urational();
    fChromaBlurRadius = dng_urational();
    fAntiAliasStrength = dng_urational(1, 1);
    fCameraNeutral.Clear();
    fHasCameraWhiteXY = false;
    fCameraWhiteX = fCameraWhiteY = 0.0;
    fAnalogBalance.Clear();
    fCameraCalibration1.Clear();
    fCameraCalibration2.Clear();
    fCameraCalibrationSignature.clear();
    fAsShotProfileName.clear();
    fCameraProfile.clear();
    fShared = dng_shared();
    fOpcodeList1.Clear();
    fOpcodeList2.Clear();
    fOpcodeList3.Clear();
    fExif = dng_exif();
    fMakerNote.clear();
    fRawImageDigest = dng_fingerprint();
    fRawDataUniqueID = dng_fingerprint();
    fOriginalRawFileName.clear();
    fLinearizationInfo.reset();
    fMosaicInfo.reset();
}

void dng_negative::Parse(dng_host& host, dng_stream& stream, dng_info& info) {
    const dng_ifd& ifd = MainIFD(info);
    Initialize();
    fShared = *info.fShared;
    fExif = *info.fExif;
    const dng_shared& shared = fShared;

    fModelName = shared.fUniqueCameraModel;
    fLocalizedModelName = shared.fLocalizedCameraModel;
    fColorChannels = shared.fCameraProfile.fColorPlanes;
    fOrientation = shared.fOrientation >= 1 && shared.fOrientation <= 8 ? shared.fOrientation : 1;

    fDefaultScaleH = ifd.fDefaultScaleH;
    fDefaultScaleV = ifd.fDefaultScaleV;
    fBestQualityScale = ifd.fBestQualityScale;
    fDefaultCropOriginH = ifd.fDefaultCropOriginH;
    fDefaultCropOriginV = ifd.fDefaultCropOriginV;
    fDefaultCropSizeH = ifd.fDefaultCropSizeH;
    fDefaultCropSizeV = ifd.fDefaultCropSizeV;
    fChromaBlurRadius = ifd.fChromaBlurRadius;
    const real64 antiAlias = ifd.fAntiAliasStrength.As_real64();
    fAntiAliasStrength =
        ifd.fAntiAliasStrength.IsValid() && antiAlias >= 0.0 && antiAlias <= 1.0 ? ifd.fAntiAliasStrength
                                                                                  : dng_urational(1, 1);

    if (fColorChannels > 1) {
        if (shared.fColorimetricReference == 0 && shared.fAsShotNeutral.Count() == fColorChannels) {
            fCameraNeutral = shared.fAsShotNeutral;
            NormalizeAsShotNeutral(fCameraNeutral);
        }
        if (fCameraNeutral.IsEmpty() && shared.fColorimetricReference == 0 && shared.fHasAsShotWhiteXY) {
            fHasCameraWhiteXY = true;
            fCameraWhiteX = std::round(shared.fAsShotWhiteX * 1e6) / 1e6;
            fCameraWhiteY = std::round(shared.fAsShotWhiteY * 1e6) / 1e6;
        }
        if (shared.fAnalogBalance.Count() == fColorChannels) {
            fAnalogBalance = shared.fAnalogBalance;
            NormalizeAnalogBalance(fAnalogBalance);
        }
        fCameraCalibration1 = shared.fCameraCalibration1;
        fCameraCalibration2 = shared.fCameraCalibration2;
        RoundProfileMatrix(fCameraCalibration1);
        RoundProfileMatrix(fCameraCalibration2);
        fCameraCalibrationSignature = shared.fCameraCalibrationSignature;
        fAsShotProfileName = shared.fAsShotProfileName;

        auto profile = std::make_unique<dng_camera_profile>(shared.fCameraProfile.MakeProfile());
        const std::string fault = profile->Fault(fColorChannels);
        if (!fault.empty()) ThrowBadFormat("Invalid camera profile: " + fault);
        fCameraProfile.push_back(std::move(profile));
    }

    if (shared.fMakerNoteSafety == 1) fMakerNote = fExif.fMakerNote;
    if (shared.fHasRawImageDigest) fRawImageDigest = FingerprintOf(shared.fRawImageDigest);
    if (shared.fHasRawDataUniqueID) fRawDataUniqueID = FingerprintOf(shared.fRawDataUniqueID);
    fOriginalRawFileName = shared.fOriginalRawFileName;

    fLinearizationInfo = std::make_unique<dng_linearization_info>();
    fLinearizationInfo->Parse(host, stream, info);
    if (ifd.fPhotometricInterpretation == piCFA) {
        fMosaicInfo = std::make_unique<dng_mosaic_info>();
        fMosaicInfo->Parse(host, stream, info);
    }
    ReadOpcodeList(stream, ifd.fOpcodeList1, fOpcodeList1);
    ReadOpcodeList(stream, ifd.fOpcodeList2, fOpcodeList2);
    ReadOpcodeList(stream, ifd.fOpcodeList3, fOpcodeList3);
}

void dng_negative::PostParse(dng_host& host, dng_stream&, dng_info&) {
    if (fLinearizationInfo) fLinearizationInfo->PostParse(host, fStage1Image.get());
    if (fMosaicInfo) fMosaicInfo->PostParse(host, *this);
}

void dng_negative::ReadStage1Image(dng_host& host, dng_stream& stream, dng_info& info) {
    const dng_ifd& ifd = MainIFD(info);
    try {
        fStage1Image = ReadRawImage(host, ifd, stream, info.fShared->fDNGVersion < 0x01010000u);
    } catch (const dng_exception& e) {
        if (e.ErrorCode() == dng_error_end_of_file) ThrowBadFormat("File is truncated inside its raw image");
        throw;
    }
}

dng_fingerprint dng_negative::FindRawImageDigest(const dng_image& image) {
    const dng_rect bounds = image.Bounds();
    const uint32 planes = image.Planes();
    const uint32 width = bounds.W();
    dng_const_tile_buffer buffer(image, bounds);
    std::vector<uint8> row(size_t(width) * planes * 2);
    dng_md5_printer printer;
    // The digest takes samples low byte first, which is how a little-endian
    // machine holds a row of one 16-bit plane: such rows go in as they are.
    const bool rowsAsHeld = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && planes == 1 &&
                            image.PixelType() == ttShort && buffer.fColStep == 1;
    for (int32 r = bounds.t; r < bounds.b; ++r) {
        if (rowsAsHeld) {
            printer.Process(buffer.ConstPixel_uint16(r, bounds.l, 0), size_t(width) * 2);
            continue;
        }
        for (uint32 p = 0; p < planes; ++p) {
            if (image.PixelType() == ttByte) {
                const uint8* s = buffer.ConstPixel_uint8(r, bounds.l, p);
                for (uint32 c = 0; c < width; ++c) {
                    row[(size_t(c) * planes + p) * 2] = s[c];
                    row[(size_t(c) * planes + p) * 2 + 1] = 0;
                }
            } else {
                const uint16* s = buffer.ConstPixel_uint16(r, bounds.l, p);
                for (uint32 c = 0; c < width; ++c) {
                    row[(size_t(c) * planes + p) * 2] = static_cast<uint8>(s[c]);
                    row[(size_t(c) * planes + p) * 2 + 1] = static_cast<uint8>(s[c] >> 8);
                }
            }
        }
        printer.Process(row.data(), row.size());
    }
    return printer.Result();
}

void dng_negative::ValidateRawImageDigest(dng_host& host) {
    if (!fStage1Image || host.ForPreview() || fRawImageDigest.IsNull()) return;
    const dng_fingerprint computed = FindRawImageDigest(*fStage1Image);
    if (computed == fRawImageDigest) return;
    // Two known harmless corruptions of the stored digest by older writers.
    const bool tailMatches = std::memcmp(computed.data + 4, fRawImageDigest.data + 4, 12) == 0;
    const uint8 knownPrefix[4] = {8, 0, 0, 0};
    const bool knownPrefixBug = std::memcmp(fRawImageDigest.data, knownPrefix, 4) == 0;
    if (tailMatches || knownPrefixBug) return;
    ThrowBadFormat("Raw image digest does not match the raw image data");
}

uint32 dng_negative::WhiteLevel(uint32 plane) const {
    if (!fLinearizationInfo || plane >= kMaxSamplesPerPixel) return 65535;
    return static_cast<uint32>(std::lround(fLinearizationInfo->fWhiteLevel[plane]));
}

const dng_camera_profile* dng_negative::ProfileToEmbed() const {
    return fCameraProfile.empty() ? nullptr : fCameraProfile.front().get();
}

void dng_negative::BuildStage2Image(dng_host& host, uint32 pixelType) {
    if (!fStage1Image) ThrowProgramError("No stage-1 image to linearize");
    if (!fLinearizationInfo) fLinearizationInfo = std::make_unique<dng_linearization_info>();
    if (fLinearizationInfo->fActiveArea.IsEmpty()) fLinearizationInfo->fActiveArea = fStage1Image->Bounds();
    DoBuildStage2(host, pixelType);
    fStage1Image.reset();
}

void dng_negative::DoBuildStage2(dng_host& host, uint32 pixelType) {
    if (pixelType != ttShort) ThrowProgramError("Pixel type access mismatch");
    const dng_rect active = fLinearizationInfo->fActiveArea;
    AutoPtr<dng_image> stage2 = host.Make_dng_image(dng_rect(active.H(), active.W()), fStage1Image->Planes(), pixelType);
    fLinearizationInfo->Linearize(host, *fStage1Image, *stage2);
    fStage2Image = std::move(stage2);
}

void dng_negative::BuildStage3Image(dng_host& host, int32 srcPlane) {
    if (!fStage2Image) ThrowProgramError("No stage-2 image to demosaic");
    if (fMosaicInfo && fMosaicInfo->IsColorFilterArray()) {
        fMosaicInfo->PostParse(host, *this);
        AutoPtr<dng_image> stage3 =
            host.Make_dng_image(fStage2Image->Bounds(), fMosaicInfo->fColorPlanes, fStage2Image->PixelType());
        fMosaicInfo->InterpolateGeneric(host, *this, *fStage2Image, *stage3, srcPlane);
        fStage3Image = std::move(stage3);
        fStage2Image.reset();
    } else {
        fStage3Image = std::move(fStage2Image);
    }
}
