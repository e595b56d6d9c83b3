#pragma once
#include <memory>
#include <string>
#include <vector>

#include "dng/dng_camera_profile.h"
#include "dng/dng_exif.h"
#include "dng/dng_fingerprint.h"
#include "dng/dng_host.h"
#include "dng/dng_linearization_info.h"
#include "dng/dng_mosaic_info.h"
#include "dng/dng_opcode_list.h"
#include "dng/dng_shared.h"

class dng_info;

// A raw photo: its metadata and the three stages of its image (stored raw,
// linearized, demosaiced).
class dng_negative {
public:
    // Scale of the result view (1.0 or 2.0), read by the stage-2 build.
    real64 fResultScale;

    virtual ~dng_negative();
    // Receives each sample of the 16-bit bilinear demosaic right after it is computed.
    virtual void StoreSample(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, uint32 offset,
                             uint32 value);
    // Receives one demosaiced row segment, `count` samples from `firstCol` on; by
    // default passes each to StoreSample in order. The demosaic calls it from
    // its worker threads, for segments of different tiles at the same time, so
    // an override must not share state between calls beyond disjoint stores.
    virtual void StoreRow(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, const uint16* values,
                          uint32 count);
    // Resets every metadata field to its default.
    virtual void Initialize();

    static std::unique_ptr<dng_negative> Make(dng_memory_allocator& allocator);

    // Metadata from the parsed file; a second call starts again from the file.
    virtual void Parse(dng_host& host, dng_stream& stream, dng_info& info);
    virtual void PostParse(dng_host& host, dng_stream& stream, dng_info& info);
    // Decodes the main raw image into a 16-bit stage-1 image and reads the opcode lists.
    virtual void ReadStage1Image(dng_host& host, dng_stream& stream, dng_info& info);
    // Throws the bad-format error when the stored raw-image digest does not match stage 1.
    virtual void ValidateRawImageDigest(dng_host& host);
    // EXIF and XMP are kept as read, so there is nothing to reconcile between them.
    virtual void SynchronizeMetadata() {}
    // Stage 2 from stage 1 through DoBuildStage2; stage 1 is released afterwards.
    virtual void BuildStage2Image(dng_host& host, uint32 pixelType = ttShort);
    // Stage 3 from stage 2 (demosaic, or the stage-2 image itself without a mosaic);
    // stage 2 is released afterwards.
    virtual void BuildStage3Image(dng_host& host, int32 srcPlane = -1);

    // MD5 of a raw image as the RawImageDigest tag holds it.
    static dng_fingerprint FindRawImageDigest(const dng_image& image);

    const std::string& ModelName() const { return fModelName; }
    void SetModelName(const std::string& name) { fModelName = name; }
    const std::string& LocalizedModelName() const { return fLocalizedModelName; }
    uint32 ColorChannels() const { return fColorChannels; }
    void SetColorChannels(uint32 channels) { fColorChannels = channels; }
    uint32 BaseOrientation() const { return fOrientation; }

    dng_linearization_info* GetLinearizationInfo() { return fLinearizationInfo.get(); }
    const dng_linearization_info* GetLinearizationInfo() const { return fLinearizationInfo.get(); }
    void ClearLinearizationInfo() { fLinearizationInfo.reset(); }
    dng_mosaic_info* GetMosaicInfo() { return fMosaicInfo.get(); }
    const dng_mosaic_info* GetMosaicInfo() const { return fMosaicInfo.get(); }
    void ClearMosaicInfo() { fMosaicInfo.reset(); }
    // Rounded white level of a plane; 65535 without linearization info.
    uint32 WhiteLevel(uint32 plane = 0) const;

    const dng_urational& DefaultScaleH() const { return fDefaultScaleH; }
    const dng_urational& DefaultScaleV() const { return fDefaultScaleV; }
    const dng_urational& BestQualityScale() const { return fBestQualityScale; }
    const dng_urational& DefaultCropOriginH() const { return fDefaultCropOriginH; }
    const dng_urational& DefaultCropOriginV() const { return fDefaultCropOriginV; }
    const dng_urational& DefaultCropSizeH() const { return fDefaultCropSizeH; }
    const dng_urational& DefaultCropSizeV() const { return fDefaultCropSizeV; }
    const dng_urational& ChromaBlurRadius() const { return fChromaBlurRadius; }
    const dng_urational& AntiAliasStrength() const { return fAntiAliasStrength; }
    real64 RawToFullScaleH() const { return 1.0; }
    real64 RawToFullScaleV() const { return 1.0; }

    bool HasCameraNeutral() const { return fCameraNeutral.NotEmpty(); }
    const dng_vector& CameraNeutral() const { return fCameraNeutral; }
    bool HasCameraWhiteXY() const { return fHasCameraWhiteXY; }
    real64 CameraWhiteX() const { return fCameraWhiteX; }
    real64 CameraWhiteY() const { return fCameraWhiteY; }
    const dng_vector& AnalogBalance() const { return fAnalogBalance; }
    const dng_matrix& CameraCalibration1() const { return fCameraCalibration1; }
    const dng_matrix& CameraCalibration2() const { return fCameraCalibration2; }
    const std::string& CameraCalibrationSignature() const { return fCameraCalibrationSignature; }
    const std::string& AsShotProfileName() const { return fAsShotProfileName; }
    uint32 ProfileCount() const { return static_cast<uint32>(fCameraProfile.size()); }
    const dng_camera_profile& ProfileByIndex(uint32 index) const { return *fCameraProfile[index]; }
    // First profile read from the file (the one a written DNG embeds), null without any.
    const dng_camera_profile* ProfileToEmbed() const;

    // Facts of IFD 0 kept for writing back (baseline values, noise, private data, ...).
    const dng_shared& Shared() const { return fShared; }
    dng_shared& Shared() { return fShared; }
    real64 BaselineExposure() const { return fShared.fBaselineExposure.As_real64(); }

    dng_opcode_list& OpcodeList1() { return fOpcodeList1; }
    dng_opcode_list& OpcodeList2() { return fOpcodeList2; }
    dng_opcode_list& OpcodeList3() { return fOpcodeList3; }
    const dng_opcode_list& OpcodeList1() const { return fOpcodeList1; }
    const dng_opcode_list& OpcodeList2() const { return fOpcodeList2; }
    const dng_opcode_list& OpcodeList3() const { return fOpcodeList3; }

    dng_exif& GetExif() { return fExif; }
    const dng_exif& GetExif() const { return fExif; }
    const std::vector<uint8>& XMP() const { return fShared.fXMP; }
    const std::vector<uint8>& PrivateData() const { return fShared.fDNGPrivateData; }
    uint32 MakerNoteSafety() const { return fShared.fMakerNoteSafety; }
    // The MakerNote, only when the file marks it safe to copy.
    const std::vector<uint8>& MakerNote() const { return fMakerNote; }

    const dng_fingerprint& RawImageDigest() const { return fRawImageDigest; }
    void SetRawImageDigest(const dng_fingerprint& digest) { fRawImageDigest = digest; }
    void ClearRawImageDigest() { fRawImageDigest = dng_fingerprint(); }
    const dng_fingerprint& RawDataUniqueID() const { return fRawDataUniqueID; }
    void SetRawDataUniqueID(const dng_fingerprint& id) { fRawDataUniqueID = id; }
    const std::string& OriginalRawFileName() const { return fOriginalRawFileName; }

    // Stage images; the negative owns what it holds.
    const dng_image* Stage1Image() const { return fStage1Image.get(); }
    const dng_image* Stage2Image() const { return fStage2Image.get(); }
    const dng_image* Stage3Image() const { return fStage3Image.get(); }
    const dng_image* RawImage() const { return fRawImage.get(); }
    dng_image* Stage1Image() { return fStage1Image.get(); }
    dng_image* Stage2Image() { return fStage2Image.get(); }
    dng_image* Stage3Image() { return fStage3Image.get(); }
    void SetStage1Image(AutoPtr<dng_image> image) { fStage1Image = std::move(image); }
    void SetStage2Image(AutoPtr<dng_image> image) { fStage2Image = std::move(image); }
    void SetStage3Image(AutoPtr<dng_image> image) { fStage3Image = std::move(image); }
    void SetRawImage(AutoPtr<dng_image> image) { fRawImage = std::move(image); }

protected:
    explicit dng_negative(dng_memory_allocator& allocator);
    // The linearization step of the stage-2 build: makes stage 2 and linearizes stage 1 into it.
    virtual void DoBuildStage2(dng_host& host, uint32 pixelType);

    dng_memory_allocator& Allocator() { return fAllocator; }

    AutoPtr<dng_image> fStage1Image;
    AutoPtr<dng_image> fStage2Image;
    AutoPtr<dng_image> fStage3Image;
    // Copy of the raw image kept for writing; made only on request.
    AutoPtr<dng_image> fRawImage;

    AutoPtr<dng_linearization_info> fLinearizationInfo;
    AutoPtr<dng_mosaic_info> fMosaicInfo;

private:
    dng_memory_allocator& fAllocator;

    std::string fModelName;
    std::string fLocalizedModelName;
    uint32 fColorChannels = 1;
    uint32 fOrientation = 1;
    dng_urational fDefaultScaleH, fDefaultScaleV, fBestQualityScale;
    dng_urational fDefaultCropOriginH, fDefaultCropOriginV, fDefaultCropSizeH, fDefaultCropSizeV;
    dng_urational fChromaBlurRadius, fAntiAliasStrength;
    dng_vector fCameraNeutral;
    bool fHasCameraWhiteXY = false;
    real64 fCameraWhiteX = 0.0;
    real64 fCameraWhiteY = 0.0;
    dng_vector fAnalogBalance;
    dng_matrix fCameraCalibration1, fCameraCalibration2;
    std::string fCameraCalibrationSignature;
    std::string fAsShotProfileName;
    std::vector<std::unique_ptr<dng_camera_profile>> fCameraProfile;
    dng_shared fShared;
    dng_opcode_list fOpcodeList1{1}, fOpcodeList2{2}, fOpcodeList3{3};
    dng_exif fExif;
    std::vector<uint8> fMakerNote;
    dng_fingerprint fRawImageDigest;
    dng_fingerprint fRawDataUniqueID;
    std::string fOriginalRawFileName;
};
