#pragma once
#include <memory>
#include <vector>

#include "dng/dng_memory.h"
#include "dng/dng_stream.h"

class dng_host;
class dng_image;
class dng_negative;

// Opcode ids of DNG 1.3.
enum : uint32 {
    dngOpcode_WarpRectilinear = 1,
    dngOpcode_WarpFisheye = 2,
    dngOpcode_FixVignetteRadial = 3,
    dngOpcode_FixBadPixelsConstant = 4,
    dngOpcode_FixBadPixelsList = 5,
    dngOpcode_TrimBounds = 6,
    dngOpcode_MapTable = 7,
    dngOpcode_MapPolynomial = 8,
    dngOpcode_GainMap = 9,
    dngOpcode_DeltaPerRow = 10,
    dngOpcode_DeltaPerColumn = 11,
    dngOpcode_ScalePerRow = 12,
    dngOpcode_ScalePerColumn = 13,
};

// One opcode as stored: header fields and its parameter bytes, kept byte for byte.
class dng_opcode {
public:
    enum : uint32 { kFlag_Optional = 1, kFlag_SkipIfPreview = 2 };

    dng_opcode(uint32 id, uint32 minVersion, uint32 flags, std::vector<uint8> parameters);
    virtual ~dng_opcode() = default;

    uint32 OpcodeID() const { return fOpcodeID; }
    uint32 MinVersion() const { return fMinVersion; }
    uint32 Flags() const { return fFlags; }
    bool Optional() const { return (fFlags & kFlag_Optional) != 0; }
    bool SkipIfPreview() const { return (fFlags & kFlag_SkipIfPreview) != 0; }
    // Parameter bytes, big-endian as in the file.
    const std::vector<uint8>& Parameters() const { return fParameters; }

    // Runs the opcode on `image`, which it may replace; an opcode the layer cannot run throws.
    virtual void Apply(dng_host& host, dng_negative& negative, AutoPtr<dng_image>& image) const;

private:
    uint32 fOpcodeID;
    uint32 fMinVersion;
    uint32 fFlags;
    std::vector<uint8> fParameters;
};

// WarpRectilinear with its coefficients read out (the thumbnail applies it).
class dng_opcode_WarpRectilinear : public dng_opcode {
public:
    struct Plane {
        real64 kr[4];
        real64 kt[2];
    };
    dng_opcode_WarpRectilinear(uint32 minVersion, uint32 flags, std::vector<uint8> parameters);

    void Apply(dng_host& host, dng_negative& negative, AutoPtr<dng_image>& image) const override;

    std::vector<Plane> fPlanes;  // 1 to 4
    real64 fCenterH = 0.5;       // optical centre as fractions of width and height
    real64 fCenterV = 0.5;
};

// An opcode list as read from OpcodeList1, 2 or 3.
class dng_opcode_list {
public:
    explicit dng_opcode_list(uint32 stage = 0) : fStage(stage) {}

    // Reads a list of `byteCount` bytes at the stream position; it must end exactly there.
    void Parse(dng_stream& stream, uint32 byteCount);
    // The list in file form (big-endian), byte for byte what Parse read.
    std::vector<uint8> Spool() const;

    uint32 Stage() const { return fStage; }
    uint32 Count() const { return static_cast<uint32>(fList.size()); }
    bool IsEmpty() const { return fList.empty(); }
    bool NotEmpty() const { return !fList.empty(); }
    const dng_opcode& Entry(uint32 index) const { return *fList[index]; }
    void Clear() { fList.clear(); }
    void Append(std::unique_ptr<dng_opcode> opcode) { fList.push_back(std::move(opcode)); }
    // Highest DNG version the list's opcodes need; optional ones only when asked.
    uint32 MinVersion(bool includeOptional) const;

    static constexpr uint32 kMaxOpcodes = 4096;

private:
    uint32 fStage;
    std::vector<std::unique_ptr<dng_opcode>> fList;
};
