#pragma once
#include <memory>

#include "dng/dng_image.h"

class dng_negative;

// What the reader and the stage builds ask of their caller: memory, image and
// negative factories, size wishes and an abort test.
class dng_host {
public:
    explicit dng_host(dng_memory_allocator* allocator = nullptr);
    virtual ~dng_host() = default;
    dng_host(const dng_host&) = delete;
    dng_host& operator=(const dng_host&) = delete;

    dng_memory_allocator& Allocator() { return *fAllocator; }

    // Longer-side sizes of reduced renders; 0 means no constraint.
    uint32 MinimumSize() const { return fMinimumSize; }
    uint32 PreferredSize() const { return fPreferredSize; }
    uint32 MaximumSize() const { return fMaximumSize; }
    void SetMinimumSize(uint32 size) { fMinimumSize = size; }
    void SetPreferredSize(uint32 size) { fPreferredSize = size; }
    void SetMaximumSize(uint32 size) { fMaximumSize = size; }
    // Makes the three sizes consistent with each other.
    void ValidateSizes();

    bool NeedsMeta() const { return fNeedsMeta; }
    bool NeedsImage() const { return fNeedsImage; }
    bool ForPreview() const { return fForPreview; }
    void SetNeedsMeta(bool needs) { fNeedsMeta = needs; }
    void SetNeedsImage(bool needs) { fNeedsImage = needs; }
    void SetForPreview(bool preview) { fForPreview = preview; }
    real64 CropFactor() const { return fCropFactor; }
    void SetCropFactor(real64 factor) { fCropFactor = factor; }
    bool KeepOriginalFile() const { return fKeepOriginalFile; }
    void SetKeepOriginalFile(bool keep) { fKeepOriginalFile = keep; }
    bool SaveLinearDNG() const { return fSaveLinearDNG; }
    void SetSaveLinearDNG(bool save) { fSaveLinearDNG = save; }
    // DNG version the caller means to write; 0 for none.
    uint32 SaveDNGVersion() const { return fSaveDNGVersion; }
    void SetSaveDNGVersion(uint32 version) { fSaveDNGVersion = version; }

    // Called between steps of long operations; throws the user-canceled error to stop them.
    virtual void SniffForAbort() {}

    virtual std::unique_ptr<dng_image> Make_dng_image(const dng_rect& bounds, uint32 planes, uint32 pixelType);
    // Factory of every negative the layer makes for this host; subclasses return their own type.
    virtual std::unique_ptr<dng_negative> Make_dng_negative();

private:
    dng_memory_allocator* fAllocator;
    uint32 fMinimumSize = 0;
    uint32 fPreferredSize = 0;
    uint32 fMaximumSize = 0;
    bool fNeedsMeta = true;
    bool fNeedsImage = true;
    bool fForPreview = false;
    real64 fCropFactor = 1.0;
    bool fKeepOriginalFile = false;
    bool fSaveLinearDNG = false;
    uint32 fSaveDNGVersion = 0;
};
