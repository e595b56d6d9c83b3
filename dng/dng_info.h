#pragma once
#include <memory>
#include <vector>

#include "dng/dng_exif.h"
#include "dng/dng_ifd.h"
#include "dng/dng_shared.h"

class dng_host;

// Structure of a TIFF/DNG file: its directories in reading order and the
// records of its shared and EXIF facts.
class dng_info {
public:
    dng_info() = default;

    // Reads header and directories. Damaged structure throws the bad-format error.
    void Parse(dng_host& host, dng_stream& stream);
    // Settles defaults, picks the main raw directory and judges whether the file is a valid DNG.
    void PostParse(dng_host& host);
    bool IsValidDNG() const { return fFault.empty(); }
    // Why the file is not a valid DNG, empty when it is.
    const std::string& ValidityFault() const { return fFault; }

    uint32 IFDCount() const { return static_cast<uint32>(fIFD.size()); }
    // Directories at the end of the list that were chained after IFD 0.
    uint32 ChainedIFDCount() const { return fChainedIFDCount; }

    // Limits of the directory tree.
    static constexpr uint32 kMaxIFDs = 64;
    static constexpr uint32 kMaxChainedIFDs = 10;
    static constexpr uint32 kMaxEntriesPerIFD = 4096;

    bool fBigEndian = false;
    uint32 fMagic = 0;
    std::unique_ptr<dng_shared> fShared;
    std::unique_ptr<dng_exif> fExif;
    // IFD 0, then its sub-directories breadth first, then the directories chained after IFD 0.
    std::vector<std::unique_ptr<dng_ifd>> fIFD;
    int32 fMainIndex = -1;

private:
    void ParseDirectory(dng_stream& stream, uint64 offset, dng_ifd* ifd, uint16 exifKind, bool isIFD0);
    void ParseTags(dng_stream& stream);
    std::string Fault() const;
    uint32 fChainedIFDCount = 0;
    std::string fFault = "not parsed";
    std::vector<uint64> fVisited;
};
