#include "fixture_writer.h"

#include <nettle/md5.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>

#include "ljpeg_encoder.h"

namespace {

enum Type : uint16_t {
    BYTE = 1, ASCII = 2, SHORT = 3, LONG = 4, RATIONAL = 5, UNDEFINED = 7, SRATIONAL = 10, FLOAT = 11, DOUBLE = 12
};

class ByteSink {
public:
    explicit ByteSink(bool big) : big_(big) {}
    std::vector<uint8_t> bytes;
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) { Put(v, 2); }
    void U32(uint32_t v) { Put(v, 4); }
    void U64(uint64_t v) { Put(v, 8); }
    // Appends `data` at an even offset, returning that offset.
    uint32_t Block(const std::vector<uint8_t>& data) {
        if (bytes.size() % 2) U8(0);
        bytes.insert(bytes.end(), data.begin(), data.end());
        return static_cast<uint32_t>(bytes.size() - data.size());
    }
    void Patch32(size_t at, uint32_t v) {
        ByteSink value(big_);
        value.U32(v);
        std::copy(value.bytes.begin(), value.bytes.end(), bytes.begin() + at);
    }
    bool big_;

private:
    void Put(uint64_t v, int size) {
        for (int i = 0; i < size; ++i) U8(static_cast<uint8_t>(v >> 8 * (big_ ? size - 1 - i : i)));
    }
};

struct Entry {
    uint16_t type;
    uint32_t count;
    std::vector<uint8_t> value;  // already in file byte order
};

// One directory under construction: entries by tag.
class Directory {
public:
    explicit Directory(bool big) : big_(big) {}
    void Shorts(uint16_t tag, const std::vector<uint32_t>& v) {
        ByteSink s(big_);
        for (uint32_t x : v) s.U16(static_cast<uint16_t>(x));
        entries_[tag] = {SHORT, static_cast<uint32_t>(v.size()), s.bytes};
    }
    void Longs(uint16_t tag, const std::vector<uint32_t>& v) {
        ByteSink s(big_);
        for (uint32_t x : v) s.U32(x);
        entries_[tag] = {LONG, static_cast<uint32_t>(v.size()), s.bytes};
    }
    // RATIONAL or, with `isSigned`, SRATIONAL values over `denominator`.
    void Rationals(uint16_t tag, const std::vector<double>& v, uint32_t denominator, bool isSigned = false) {
        ByteSink s(big_);
        for (double x : v) {
            s.U32(static_cast<uint32_t>(static_cast<int64_t>(std::llround(x * denominator))));
            s.U32(denominator);
        }
        entries_[tag] = {isSigned ? SRATIONAL : RATIONAL, static_cast<uint32_t>(v.size()), s.bytes};
    }
    // The tags every image directory has, for one strip or tile layout given separately.
    void Image(uint32_t subFileType, uint32_t width, uint32_t height, uint32_t samples, uint32_t bits,
               uint32_t compression, uint32_t photometric) {
        Longs(254, {subFileType});
        Longs(256, {width});
        Longs(257, {height});
        Shorts(258, std::vector<uint32_t>(samples, bits));
        Shorts(259, {compression});
        Shorts(262, {photometric});
        Shorts(277, {samples});
        Shorts(284, {1});
    }
    void Reals(uint16_t tag, const std::vector<double>& v, uint16_t type) {
        ByteSink s(big_);
        for (double x : v) {
            if (type == FLOAT) {
                const float f = static_cast<float>(x);
                uint32_t bits;
                std::memcpy(&bits, &f, 4);
                s.U32(bits);
            } else {
                uint64_t bits;
                std::memcpy(&bits, &x, 8);
                s.U64(bits);
            }
        }
        entries_[tag] = {type, static_cast<uint32_t>(v.size()), s.bytes};
    }
    void Extra(const FixtureTag& t) {
        if (t.type == FLOAT || t.type == DOUBLE) return Reals(t.tag, t.values, t.type);
        if (t.type == RATIONAL || t.type == SRATIONAL) return Rationals(t.tag, t.values, 10000, t.type == SRATIONAL);
        if (t.type != LONG && t.type != SHORT) throw std::invalid_argument("fixture tag type");
        std::vector<uint32_t> integers;
        for (double x : t.values) integers.push_back(static_cast<uint32_t>(x));
        if (t.type == SHORT) return Shorts(t.tag, integers);
        Longs(t.tag, integers);
    }
    void Bytes(uint16_t tag, const std::vector<uint8_t>& v, uint16_t type = BYTE) {
        entries_[tag] = {type, static_cast<uint32_t>(v.size()), v};
    }
    void Ascii(uint16_t tag, const std::string& text) {
        Bytes(tag, std::vector<uint8_t>(text.c_str(), text.c_str() + text.size() + 1), ASCII);
    }

    // Appends the directory, linked to the one at `next`, to `sink`, returning its offset.
    uint32_t Write(ByteSink& sink, uint32_t next = 0) const {
        if (sink.bytes.size() % 2) sink.U8(0);
        const uint32_t start = static_cast<uint32_t>(sink.bytes.size());
        uint32_t data = start + 2 + 12 * static_cast<uint32_t>(entries_.size()) + 4;
        sink.U16(static_cast<uint16_t>(entries_.size()));
        std::vector<const Entry*> outOfLine;
        for (const auto& [tag, e] : entries_) {
            sink.U16(tag);
            sink.U16(e.type);
            sink.U32(e.count);
            if (e.value.size() <= 4) {
                for (size_t i = 0; i < 4; ++i) sink.U8(i < e.value.size() ? e.value[i] : 0);
            } else {
                sink.U32(data);
                data += static_cast<uint32_t>((e.value.size() + 1) & ~size_t(1));
                outOfLine.push_back(&e);
            }
        }
        sink.U32(next);
        for (const Entry* e : outOfLine) sink.Block(e->value);
        return start;
    }

private:
    bool big_;
    std::map<uint16_t, Entry> entries_;
};

// Packs samples of `bits` bits per row, rows starting on byte boundaries: most significant bit
// first, except 16-bit samples, which follow the file's byte order.
std::vector<uint8_t> PackRows(const std::vector<uint16_t>& samples, size_t rowSamples, uint32_t rows, uint32_t bits,
                              bool big) {
    ByteSink out(big);
    for (uint32_t r = 0; r < rows; ++r) {
        uint64_t acc = 0;
        uint32_t count = 0;
        for (size_t i = r * rowSamples; i < (r + 1) * rowSamples; ++i) {
            if (bits == 16) {
                out.U16(samples[i]);
                continue;
            }
            acc = (acc << bits) | samples[i];
            for (count += bits; count >= 8; count -= 8) out.U8(static_cast<uint8_t>(acc >> (count - 8)));
        }
        if (count) out.U8(static_cast<uint8_t>(acc << (8 - count)));
    }
    return out.bytes;
}

// Strips or tiles of the raw image, each encoded as the options asks.
std::vector<std::vector<uint8_t>> EncodeRawBlocks(const FixtureOptions& s, uint32_t tileW, uint32_t tileL) {
    const uint32_t spp = s.samplesPerPixel;
    const uint32_t across = s.tiled ? (s.width + tileW - 1) / tileW : 1;
    const uint32_t down = (s.height + tileL - 1) / tileL;
    std::vector<std::vector<uint8_t>> blocks;
    for (uint32_t ty = 0; ty < down; ++ty) {
        for (uint32_t tx = 0; tx < across; ++tx) {
            // Tiles are full size with edge padding (repeating the last pixel); strips end at the image.
            const uint32_t rows = s.tiled ? tileL : std::min(tileL, s.height - ty * tileL);
            std::vector<uint16_t> block(size_t(tileW) * spp * rows);
            for (uint32_t r = 0; r < rows; ++r)
                for (uint32_t c = 0; c < tileW; ++c)
                    for (uint32_t p = 0; p < spp; ++p) {
                        const uint32_t y = std::min(ty * tileL + r, s.height - 1);
                        const uint32_t x = std::min(tx * tileW + c, s.width - 1);
                        block[(size_t(r) * tileW + c) * spp + p] = s.samples[(size_t(y) * s.width + x) * spp + p];
                    }
            const uint32_t pair = s.ljpegTwoColumnsPerPixel ? 2 : 1;  // CFA rows as half-width JPEG rows
            blocks.push_back(s.compression == 1 ? PackRows(block, size_t(tileW) * spp, rows, s.bits, s.bigEndian)
                                                : EncodeLosslessJPEG({tileW / pair, rows, spp * pair, s.bits,
                                                                      s.ljpegPredictor, s.ljpegRestartRows},
                                                                     block));
        }
    }
    return blocks;
}

// Whole tiles of an uncompressed preview; what lies past the picture's edges is 0xEE.
void WritePreviewTiles(const FixturePreview& p, const std::vector<uint8_t>& data, ByteSink& out, Directory& dir) {
    const uint32_t across = (p.width + p.tileWidth - 1) / p.tileWidth;
    const uint32_t down = (p.height + p.tileLength - 1) / p.tileLength;
    std::vector<uint32_t> offsets(size_t(across) * down), counts(offsets.size());
    for (size_t i = offsets.size(); i-- > 0;) {
        const uint32_t top = uint32_t(i / across) * p.tileLength, left = uint32_t(i % across) * p.tileWidth;
        std::vector<uint8_t> tile(size_t(p.tileWidth) * p.tileLength * p.samples, 0xEE);
        for (uint32_t r = 0; r < p.tileLength && top + r < p.height; ++r)
            for (uint32_t c = 0; c < p.tileWidth && left + c < p.width; ++c)
                for (uint32_t k = 0; k < p.samples; ++k)
                    tile[(size_t(r) * p.tileWidth + c) * p.samples + k] =
                        data[(size_t(top + r) * p.width + left + c) * p.samples + k];
        offsets[i] = out.Block(tile);
        counts[i] = static_cast<uint32_t>(tile.size());
    }
    dir.Longs(322, {p.tileWidth});
    dir.Longs(323, {p.tileLength});
    dir.Longs(324, offsets);
    dir.Longs(325, counts);
}

}  // namespace

std::vector<uint16_t> PatternSamples(uint32_t width, uint32_t height, uint32_t spp, uint32_t bits, uint32_t seed) {
    std::vector<uint16_t> v(size_t(width) * height * spp);
    const uint32_t max = (1u << bits) - 1;
    uint32_t state = seed * 2654435761u + 12345;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (uint32_t p = 0; p < spp; ++p) {
                state = state * 1103515245u + 12345u;
                const double smooth = 0.5 + 0.4 * std::sin(x * 0.05 + p) * std::cos(y * 0.07);
                const int noise = static_cast<int>((state >> 16) % 64) - 32;
                const long value = std::lround(smooth * max) + noise * static_cast<long>(max / 1024 + 1);
                v[(size_t(y) * width + x) * spp + p] = static_cast<uint16_t>(std::clamp<long>(value, 0, max));
            }
    return v;
}

FixtureOptions PackedBGGRFixture(uint32_t width, uint32_t height) {
    FixtureOptions s;
    s.model.clear();
    s.width = width;
    s.height = height;
    s.bits = 10;
    s.samples = PatternSamples(width, height, 1, 10, 5);
    s.cfaPattern = {2, 1, 1, 0};
    s.blackRepeatRows = s.blackRepeatCols = 2;
    s.blackLevel = {60, 62, 61, 64};
    s.whiteLevel = {1023};
    return s;
}

std::vector<uint8_t> OpcodeListBytes(const std::vector<FixtureOpcode>& opcodes) {
    ByteSink s(true);
    s.U32(static_cast<uint32_t>(opcodes.size()));
    for (const FixtureOpcode& op : opcodes) {
        for (uint32_t v : {op.id, op.version, op.flags, static_cast<uint32_t>(op.parameters.size())}) s.U32(v);
        s.bytes.insert(s.bytes.end(), op.parameters.begin(), op.parameters.end());
    }
    return s.bytes;
}

std::vector<uint8_t> WarpRectilinearParameters(const std::vector<WarpPlane>& planes, double cx, double cy) {
    ByteSink s(true);
    s.U32(static_cast<uint32_t>(planes.size()));
    std::vector<double> reals;
    for (const WarpPlane& plane : planes) {
        reals.insert(reals.end(), std::begin(plane.kr), std::end(plane.kr));
        reals.insert(reals.end(), std::begin(plane.kt), std::end(plane.kt));
    }
    reals.insert(reals.end(), {cx, cy});
    for (double x : reals) {
        uint64_t bits;
        std::memcpy(&bits, &x, 8);
        s.U64(bits);
    }
    return s.bytes;
}

std::vector<uint8_t> RawDigest(const std::vector<uint16_t>& samples) {
    ByteSink littleEndian(false);
    for (uint16_t v : samples) littleEndian.U16(v);
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, littleEndian.bytes.size(), littleEndian.bytes.data());
    std::vector<uint8_t> digest(16);
    md5_digest(&ctx, 16, digest.data());
    return digest;
}

std::vector<uint8_t> WriteFixtureDNG(const FixtureOptions& s) {
    const uint32_t tileW = s.tiled ? s.tileWidth : s.width;
    const uint32_t tileL = s.tileLength ? s.tileLength : s.height;
    const size_t pixels = s.shareOneBlock ? size_t(tileW) * tileL : size_t(s.width) * s.height;
    if (s.samples.size() != pixels * s.samplesPerPixel) throw std::invalid_argument("fixture sample count");
    const bool big = s.bigEndian;
    ByteSink out(big);
    out.U16(big ? 0x4D4D : 0x4949);
    out.U16(42);
    out.U32(0);

    std::vector<uint32_t> offsets, counts;
    if (s.shareOneBlock) {
        FixtureOptions one = s;
        one.width = tileW;
        one.height = tileL;
        const std::vector<uint8_t> block = EncodeRawBlocks(one, tileW, tileL).front();
        const size_t blocks = size_t(s.tiled ? (s.width + tileW - 1) / tileW : 1) * ((s.height + tileL - 1) / tileL);
        offsets.assign(blocks, out.Block(block));
        counts.assign(blocks, static_cast<uint32_t>(block.size()));
    } else {
        for (const std::vector<uint8_t>& block : EncodeRawBlocks(s, tileW, tileL)) {
            offsets.push_back(out.Block(block));
            counts.push_back(static_cast<uint32_t>(block.size()));
        }
    }

    Directory raw(big);
    raw.Image(0, s.width, s.height, s.samplesPerPixel, s.bits, s.compression, s.cfa ? 32803u : 34892u);
    if (s.sampleFormat != 1) raw.Shorts(339, std::vector<uint32_t>(s.samplesPerPixel, s.sampleFormat));
    if (s.tiled) {
        raw.Longs(322, {tileW});
        raw.Longs(323, {tileL});
        raw.Longs(324, offsets);
        raw.Longs(325, counts);
    } else {
        raw.Longs(273, offsets);
        raw.Longs(278, {tileL});
        raw.Longs(279, counts);
    }
    if (s.cfa) {
        raw.Shorts(33421, {2, 2});
        raw.Bytes(33422, std::vector<uint8_t>(s.cfaPattern.begin(), s.cfaPattern.end()));
        raw.Bytes(50710, {0, 1, 2});
        raw.Shorts(50711, {1});
        if (s.bayerGreenSplit) raw.Longs(50733, {s.bayerGreenSplit});
    }
    if (!s.linearizationTable.empty())
        raw.Shorts(50712, std::vector<uint32_t>(s.linearizationTable.begin(), s.linearizationTable.end()));
    if (s.blackRepeatRows != 1 || s.blackRepeatCols != 1) raw.Shorts(50713, {s.blackRepeatRows, s.blackRepeatCols});
    if (!s.blackLevel.empty()) raw.Rationals(50714, s.blackLevel, 256);
    if (!s.blackDeltaH.empty()) raw.Rationals(50715, s.blackDeltaH, 256, true);
    if (!s.blackDeltaV.empty()) raw.Rationals(50716, s.blackDeltaV, 256, true);
    if (!s.whiteLevel.empty()) raw.Longs(50717, s.whiteLevel);
    if (s.activeArea[2] != 0) raw.Longs(50829, std::vector<uint32_t>(s.activeArea.begin(), s.activeArea.end()));
    if (!s.maskedAreas.empty()) raw.Longs(50830, s.maskedAreas);
    if (s.defaultCrop[2] != 0) {
        raw.Longs(50719, {s.defaultCrop[0], s.defaultCrop[1]});
        raw.Longs(50720, {s.defaultCrop[2], s.defaultCrop[3]});
    }
    const uint16_t opcodeTags[3] = {51008, 51009, 51022};
    for (int i = 0; i < 3; ++i)
        if (!s.opcodeList[i].empty()) raw.Bytes(opcodeTags[i], s.opcodeList[i], UNDEFINED);

    std::vector<Directory> subDirs, chainedDirs;
    bool ifd0Preview = false;
    Directory ifd0(big);
    for (const FixturePreview& p : s.previews) {
        // The layer reads only a preview's directory, so a JPEG preview can be a bare SOI/EOI.
        const std::vector<uint8_t> data =
            !p.data.empty() ? p.data
            : p.jpeg        ? std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xD9}
                            : std::vector<uint8_t>(size_t(p.width) * p.height * p.samples, 0x80);
        Directory d(big);
        Directory& dir = p.inIFD0 ? ifd0 : d;
        dir.Image(1, p.width, p.height, p.samples, 8, p.jpeg ? 7u : 1u, p.samples == 1 ? 1u : (p.jpeg ? 6u : 2u));
        if (p.tileWidth && !p.jpeg) {
            WritePreviewTiles(p, data, out, dir);
        } else {
            const uint32_t rows = p.rowsPerStrip && !p.jpeg ? p.rowsPerStrip : p.height;
            const size_t stripBytes = size_t(rows) * p.width * p.samples;
            const size_t strips = rows == p.height ? 1 : (p.height + rows - 1) / rows;
            std::vector<uint32_t> stripOffsets(strips), stripCounts(strips);
            for (size_t i = strips; i-- > 0;) {
                const size_t begin = std::min(data.size(), i * stripBytes);
                const size_t end = strips == 1 ? data.size() : std::min(data.size(), begin + stripBytes);
                stripOffsets[i] =
                    out.Block(std::vector<uint8_t>(data.begin() + long(begin), data.begin() + long(end)));
                stripCounts[i] = static_cast<uint32_t>(end - begin);
            }
            dir.Longs(273, stripOffsets);
            dir.Longs(278, {rows});
            dir.Longs(279, stripCounts);
        }
        ifd0Preview |= p.inIFD0;
        if (!p.inIFD0) (p.chained ? chainedDirs : subDirs).push_back(d);
    }

    const bool rawInIFD0 = !ifd0Preview && !s.rawInSubIFD;
    std::vector<uint32_t> subOffsets;
    if (!rawInIFD0) subOffsets.push_back(raw.Write(out));
    for (const Directory& d : subDirs) subOffsets.push_back(d.Write(out));

    Directory& main = rawInIFD0 ? raw : ifd0;
    main.Bytes(50706, {1, 3, 0, 0});
    if (!s.model.empty()) main.Ascii(50708, s.model);
    main.Ascii(271, "Fixture");
    main.Ascii(305, "fixture writer");
    if (s.colour) {
        main.Rationals(50721, s.colorMatrix, 10000, true);
        main.Shorts(50778, {21});
        const std::vector<double> neutral =
            s.asShotNeutral.empty() ? std::vector<double>{0.5, 1.0, 0.6} : s.asShotNeutral;
        if (s.writeNeutral) main.Rationals(50728, neutral, 1000000);
    }
    if (s.writeDigest && !s.shareOneBlock) main.Bytes(50972, RawDigest(s.samples));
    for (const FixtureTag& t : s.extraTags) main.Extra(t);
    if (!subOffsets.empty()) main.Longs(330, subOffsets);
    // Chained directories go before IFD 0, last first, so each knows where its successor is.
    uint32_t next = 0;
    for (auto d = chainedDirs.rbegin(); d != chainedDirs.rend(); ++d) next = d->Write(out, next);
    out.Patch32(4, main.Write(out, next));
    return out.bytes;
}

