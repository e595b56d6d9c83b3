#include "dng/dng_read_image.h"

#include <cstring>
#include <vector>

#include "dng/dng_exceptions.h"
#include "dng/dng_lossless_jpeg.h"
#include "dng/dng_tile_buffer.h"
#include "platform/parallel_run.h"

namespace {

// Rows of a strip or tile unpacked or stored by one worker at a time.
constexpr int kBandRows = 32;

std::string CompressionName(uint32 compression) {
    switch (compression) {
        case 8: return "Deflate";
        case 9: return "VC-5";
        case 34892: return "lossy JPEG";
        case 52546: return "JPEG XL";
        default: return "code " + std::to_string(compression);
    }
}

// Unpacks `count` samples of `bits` bits, most significant bit first.
void UnpackBits(const uint8* src, uint32 bits, uint64 count, uint16* out) {
    const uint32 mask = (1u << bits) - 1;
    uint64 acc = 0;
    uint32 n = 0;
    for (uint64 i = 0; i < count; ++i) {
        while (n < bits) {
            acc = (acc << 8) | *src++;
            n += 8;
        }
        n -= bits;
        out[i] = static_cast<uint16>((acc >> n) & mask);
    }
}

void UnpackRow(const uint8* src, uint32 bits, bool bigEndian, uint64 count, uint16* out) {
    if (bits == 8) {
        for (uint64 i = 0; i < count; ++i) out[i] = src[i];
    } else if (bits == 16) {
        if (bigEndian) {
            for (uint64 i = 0; i < count; ++i) out[i] = static_cast<uint16>(src[2 * i] << 8 | src[2 * i + 1]);
        } else {
            for (uint64 i = 0; i < count; ++i) out[i] = static_cast<uint16>(src[2 * i + 1] << 8 | src[2 * i]);
        }
    } else {
        UnpackBits(src, bits, count, out);
    }
}

// Puts rows of interleaved samples (`rowSamples` apart) into the image over `area`.
void StoreRows(dng_image& image, const dng_rect& area, const uint16* samples, uint64 rowSamples, uint32 planes) {
    dng_dirty_tile_buffer buffer(image, area);
    const uint32 width = area.W();
    platform::RunRowBands(int(area.H()), kBandRows, [&](int first, int last, int) {
        for (uint32 r = uint32(first); r < uint32(last); ++r) {
            const uint16* src = samples + r * rowSamples;
            if (planes == 1) {
                std::memcpy(buffer.DirtyPixel_uint16(area.t + r, area.l, 0), src, width * sizeof(uint16));
                continue;
            }
            for (uint32 p = 0; p < planes; ++p) {
                uint16* dst = buffer.DirtyPixel_uint16(area.t + r, area.l, p);
                for (uint32 c = 0; c < width; ++c) dst[c] = src[c * planes + p];
            }
        }
    });
}

// Throws the bad-format error when the reader cannot decode `ifd` (compression, sample
// format, depth, sizes against the file).
void CheckRawImageReadable(const dng_ifd& ifd, dng_stream& stream) {
    if (ifd.fCompression != 1 && ifd.fCompression != 7)
        ThrowBadFormat("Unsupported raw compression: " + CompressionName(ifd.fCompression));
    for (uint32 p = 0; p < ifd.fSamplesPerPixel; ++p) {
        if (ifd.fSampleFormat[p] == 3) ThrowBadFormat("Floating-point raw data is not supported");
        if (ifd.fSampleFormat[p] != 1) ThrowBadFormat("Raw samples are not unsigned integers");
    }
    const uint32 bits = ifd.fBitsPerSample[0];
    if (bits < 8 || bits > 16) ThrowBadFormat("Raw data of " + std::to_string(bits) + " bits per sample is not supported");
    if (ifd.fImageWidth < 1 || ifd.fImageLength < 1 || ifd.fImageWidth > kMaxImageSide ||
        ifd.fImageLength > kMaxImageSide)
        ThrowBadFormat("Raw image size out of range");
    if (ifd.fSamplesPerPixel < 1 || ifd.fSamplesPerPixel > kMaxSamplesPerPixel)
        ThrowBadFormat("Bad samples per pixel");
    const uint64 samples = uint64(ifd.fImageWidth) * ifd.fImageLength * ifd.fSamplesPerPixel;
    if (samples > kMaxRawSamples) ThrowBadFormat("Raw image too large");
    if (ifd.fTileWidth < 1 || ifd.fTileLength < 1) ThrowBadFormat("Zero tile or strip size");
    const uint64 tiles = uint64(ifd.TilesAcross()) * ifd.TilesDown();
    if (tiles > kMaxTileCount || ifd.fTileOffset.size() != tiles || ifd.fTileByteCount.size() != tiles)
        ThrowBadFormat("Strip or tile count does not match the image size");
    const uint64 length = stream.Length();
    uint64 totalBytes = 0;
    for (uint64 i = 0; i < tiles; ++i) {
        const uint64 offset = ifd.fTileOffset[i];
        const uint64 count = ifd.fTileByteCount[i];
        if (count == 0) ThrowBadFormat("Strip or tile " + std::to_string(i) + " has no data");
        if (offset > length || count > length - offset)
            ThrowBadFormat("Strip or tile " + std::to_string(i) + " lies outside the file");
        totalBytes += count;
    }
    // Every sample costs at least one bit of Huffman code, and a whole sample uncompressed.
    const uint64 minimumBytes = ifd.fCompression == 7 ? samples / 8 : samples * bits / 8;
    if (totalBytes < minimumBytes) ThrowBadFormat("Raw data too short for the image size");
}

}  // namespace

AutoPtr<dng_image> ReadRawImage(dng_host& host, const dng_ifd& ifd, dng_stream& stream, bool oldDiff16) {
    CheckRawImageReadable(ifd, stream);
    AutoPtr<dng_image> result = host.Make_dng_image(ifd.Bounds(), ifd.fSamplesPerPixel, ttShort);
    dng_image& image = *result;
    const uint32 spp = ifd.fSamplesPerPixel;
    const uint32 bits = ifd.fBitsPerSample[0];
    const uint64 rowSamples = uint64(ifd.fTileWidth) * spp;
    std::vector<uint8> data;
    std::vector<uint16> samples;
    for (uint32 i = 0; i < ifd.TileCount(); ++i) {
        host.SniffForAbort();
        const dng_rect area = ifd.TileArea(i);
        const uint64 count = ifd.fTileByteCount[i];
        stream.SetReadPosition(ifd.fTileOffset[i]);
        if (ifd.fCompression == 1) {
            const uint64 rowBytes = (rowSamples * bits + 7) / 8;
            const uint64 needed = rowBytes * area.H();
            if (count < needed) ThrowBadFormat("Strip or tile " + std::to_string(i) + " is too short");
            data.resize(needed);
            stream.Get(data.data(), needed);
            samples.resize(rowSamples * area.H());
            const bool bigEndian = stream.BigEndian();
            platform::RunRowBands(int(area.H()), kBandRows, [&](int first, int last, int) {
                for (uint32 r = uint32(first); r < uint32(last); ++r)
                    UnpackRow(data.data() + r * rowBytes, bits, bigEndian, uint64(area.W()) * spp,
                              samples.data() + r * rowSamples);
            });
        } else {
            data.resize(count);
            stream.Get(data.data(), count);
            dng_lossless_decoder decoder(dng_byte_view(data.data(), data.size()), oldDiff16);
            const dng_ljpeg_frame& frame = decoder.ReadHeader();
            const uint64 total = frame.Samples();
            if (total % rowSamples != 0 || total / rowSamples < area.H() || total / rowSamples > ifd.fTileLength)
                ThrowBadFormat("Lossless JPEG size does not match strip or tile " + std::to_string(i));
            if (total > uint64(count) * 8 + 64) ThrowBadFormat("Lossless JPEG data too short for its size");
            if (spp == 1 && total == rowSamples * area.H() && ifd.fTileWidth == image.Width()) {
                // A strip of whole rows decodes straight into the image when its rows are contiguous.
                dng_dirty_tile_buffer buffer(image, area);
                if (buffer.fColStep == 1 && uint64(buffer.fRowStep) == rowSamples) {
                    decoder.Decode(buffer.DirtyPixel_uint16(area.t, area.l, 0));
                    continue;
                }
            }
            samples.resize(total);
            decoder.Decode(samples.data());
        }
        StoreRows(image, area, samples.data(), rowSamples, spp);
    }
    return result;
}
