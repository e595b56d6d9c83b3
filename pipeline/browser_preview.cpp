#include "pipeline/browser_preview.h"

#include <algorithm>
#include <cstring>

#include "dng/dng_exceptions.h"
#include "pipeline/supported_cameras.h"

namespace pipeline {
namespace {

constexpr uint32 kNarrowerThan = 500;

uint32 SamplesOf(const dng_ifd& ifd) { return ifd.fPhotometricInterpretation == 1 ? 1 : 3; }

}  // namespace

int ChooseBrowserPreview(const dng_info& info, const std::string& modelText) {
    int chosen = -1;
    uint32 chosenWidth = 0;
    for (uint32 i = 0; i < info.IFDCount(); ++i) {
        const dng_ifd& ifd = *info.fIFD[i];
        const bool qualifies = ifd.fNewSubFileType == 1 &&
                               (ifd.fCompression == 1 || (ifd.fCompression == 7 && StoresJpegPreview(modelText)));
        if (!qualifies || ifd.fImageWidth >= kNarrowerThan) continue;
        if (chosen < 0 || ifd.fImageWidth > chosenWidth) {
            chosen = int(i);
            chosenWidth = ifd.fImageWidth;
        }
    }
    return chosen;
}

std::vector<uint8> ReadPreviewData(dng_stream& stream, const dng_ifd& ifd) {
    const uint64 length = stream.Length();
    const std::size_t blocks = std::min(ifd.fTileOffset.size(), ifd.fTileByteCount.size());
    uint64 total = 0;
    for (std::size_t i = 0; i < blocks; ++i) {
        const uint64 offset = ifd.fTileOffset[i];
        const uint64 count = ifd.fTileByteCount[i];
        if (offset > length || count > length - offset) ThrowBadFormat("Preview data lies outside the file");
        total += count;
    }
    if (total > length) ThrowBadFormat("Preview data larger than the file");

    const bool placeTiles = ifd.fUsesTiles && ifd.fCompression == 1 && ifd.fTileWidth > 0 && ifd.fTileLength > 0;
    if (!placeTiles) {
        std::vector<uint8> data(static_cast<std::size_t>(total));
        std::size_t at = 0;
        for (std::size_t i = 0; i < blocks; ++i) {
            stream.SetReadPosition(ifd.fTileOffset[i]);
            stream.Get(data.data() + at, ifd.fTileByteCount[i]);
            at += static_cast<std::size_t>(ifd.fTileByteCount[i]);
        }
        return data;
    }

    // Tiles hold whole tile-sized blocks; copy the part of each inside the picture.
    const uint32 samples = SamplesOf(ifd);
    const std::size_t rowBytes = std::size_t(ifd.fImageWidth) * samples;
    if (uint64(rowBytes) * ifd.fImageLength > length) ThrowBadFormat("Preview larger than the file");
    std::vector<uint8> data(rowBytes * ifd.fImageLength);
    const std::size_t tileRowBytes = std::size_t(ifd.fTileWidth) * samples;
    std::vector<uint8> tile;
    for (std::size_t i = 0; i < blocks && i < ifd.TileCount(); ++i) {
        tile.assign(static_cast<std::size_t>(ifd.fTileByteCount[i]), 0);
        stream.SetReadPosition(ifd.fTileOffset[i]);
        stream.Get(tile.data(), tile.size());
        const dng_rect area = ifd.TileArea(uint32(i));
        const std::size_t copy = std::size_t(area.W()) * samples;
        for (int32 r = 0; r < int32(area.H()); ++r) {
            const std::size_t from = std::size_t(r) * tileRowBytes;
            if (from + copy > tile.size()) break;
            std::memcpy(data.data() + std::size_t(area.t + r) * rowBytes + std::size_t(area.l) * samples,
                        tile.data() + from, copy);
        }
    }
    return data;
}

bool DrawUncompressedPreview(const dng_ifd& ifd, const std::vector<uint8>& data, platform::Bitmap& bitmap) {
    const uint32 samples = SamplesOf(ifd);
    const uint64 width = ifd.fImageWidth;
    const uint64 height = ifd.fImageLength;
    if (width == 0 || height == 0 || data.size() < width * height * samples) return false;
    bitmap.SetPixelFormat(platform::PixelFormat::pf24bit);
    bitmap.SetSize(int(width), int(height));
    for (uint64 r = 0; r < height; ++r) {
        const uint8* from = data.data() + r * width * samples;
        uint8* to = bitmap.ScanLine(int(r));
        for (uint64 c = 0; c < width; ++c) {
            const uint8* sample = from + c * samples;
            to[3 * c + 2] = sample[0];
            to[3 * c + 1] = samples == 3 ? sample[1] : sample[0];
            to[3 * c] = samples == 3 ? sample[2] : sample[0];
        }
    }
    return true;
}

}  // namespace pipeline
