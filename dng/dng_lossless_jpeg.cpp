#include "dng/dng_lossless_jpeg.h"

#include <cstring>
#include <string>

#include "dng/dng_exceptions.h"

namespace {

constexpr int kFastBits = 11;

struct HuffTable {
    bool defined = false;
    // Fast lookup on the next kFastBits bits: code length (0 = longer code) and symbol, and
    // when code and extra bits both fit, their total length and the decoded difference.
    uint8 fastLength[1 << kFastBits];
    uint8 fastSymbol[1 << kFastBits];
    uint8 fastTotal[1 << kFastBits];
    int32 fastDiff[1 << kFastBits];
    int32 maxCode[18];
    int32 valOffset[18];
    uint8 values[256];
    uint32 count = 0;
};

void BuildTable(HuffTable& table, const uint8 (&bits)[17], const uint8* values, uint32 count) {
    std::memset(table.fastLength, 0, sizeof table.fastLength);
    std::memset(table.fastTotal, 0, sizeof table.fastTotal);
    std::memcpy(table.values, values, count);
    table.count = count;
    int32 code = 0;
    uint32 k = 0;
    for (int length = 1; length <= 16; ++length) {
        table.valOffset[length] = static_cast<int32>(k) - code;
        if (code + bits[length] > (1 << length)) ThrowBadFormat("Lossless JPEG: invalid Huffman table");
        for (uint32 i = 0; i < bits[length]; ++i, ++k, ++code) {
            if (length <= kFastBits) {
                const int shift = kFastBits - length;
                const uint32 s = values[k];
                for (int fill = 0; fill < (1 << shift); ++fill) {
                    const int index = (code << shift) | fill;
                    table.fastLength[index] = static_cast<uint8>(length);
                    table.fastSymbol[index] = static_cast<uint8>(s);
                    if (s < 16 && length + static_cast<int>(s) <= kFastBits) {
                        int32 v = s ? (fill >> (shift - static_cast<int>(s))) : 0;
                        if (s && v < (1 << (s - 1))) v -= (1 << s) - 1;
                        table.fastTotal[index] = static_cast<uint8>(length + static_cast<int>(s));
                        table.fastDiff[index] = v;
                    }
                }
            }
        }
        table.maxCode[length] = bits[length] ? code - 1 : -1;
        code <<= 1;
    }
    table.maxCode[17] = 0x7FFFFFFF;
    table.defined = true;
}

}  // namespace

struct dng_lossless_decoder::Impl {
    explicit Impl(dng_byte_view data) : in(data) {}

    dng_byte_reader in;
    bool oldDiff16 = false;
    dng_ljpeg_frame frame;
    HuffTable tables[4];
    uint32 compTable[4] = {0, 0, 0, 0};
    bool headerRead = false;

    // Bit reader: bits left-aligned in `acc`.
    uint64 acc = 0;
    int nbits = 0;
    int padBits = 0;  // zero bits fed after the data or a marker
    bool atMarker = false;

    uint8 Byte() {
        if (!in.Remaining()) ThrowBadFormat("Lossless JPEG: stream ends inside its header");
        return in.Next8();
    }
    uint32 Word() {
        const uint32 hi = Byte();
        return (hi << 8) | Byte();
    }

    void Fill() {
        while (nbits <= 56) {
            uint32 b = 0;
            if (!atMarker && in.Remaining()) {
                b = in.Peek8();
                if (b == 0xFF) {
                    if (in.Remaining() >= 2 && in.Peek8(1) == 0x00) {
                        in.Skip(2);
                    } else {
                        atMarker = true;
                        b = 0;
                        padBits += 8;
                    }
                } else {
                    in.Skip(1);
                }
            } else {
                padBits += 8;
            }
            acc |= uint64(b) << (56 - nbits);
            nbits += 8;
        }
    }

    uint32 Peek(int n) const { return static_cast<uint32>(acc >> (64 - n)); }
    void Consume(int n) {
        acc <<= n;
        nbits -= n;
    }

    int32 DecodeDiff(const HuffTable& t) {
        if (nbits < 32) Fill();
        uint32 s;
        const uint32 look = Peek(kFastBits);
        if (t.fastTotal[look]) {
            Consume(t.fastTotal[look]);
            return t.fastDiff[look];
        }
        int length = t.fastLength[look];
        if (length) {
            s = t.fastSymbol[look];
            Consume(length);
        } else {
            length = kFastBits + 1;
            int32 code = static_cast<int32>(Peek(length));
            while (code > t.maxCode[length]) {
                ++length;
                if (length > 16) ThrowBadFormat("Lossless JPEG: invalid Huffman code");
                code = static_cast<int32>(Peek(length));
            }
            const int32 index = t.valOffset[length] + code;
            if (index < 0 || index >= static_cast<int32>(t.count)) ThrowBadFormat("Lossless JPEG: invalid Huffman code");
            s = t.values[index];
            Consume(length);
        }
        if (s == 0) return 0;
        if (s == 16) {
            if (oldDiff16) {
                if (nbits < 16) Fill();
                Consume(16);
            }
            return -32768;
        }
        if (nbits < static_cast<int>(s)) Fill();
        int32 v = static_cast<int32>(Peek(static_cast<int>(s)));
        Consume(static_cast<int>(s));
        if (v < (1 << (s - 1))) v -= (1 << s) - 1;
        return v;
    }

    void CheckNotPastEnd() const {
        // Consuming more than a byte of the zero fill means the data ran out.
        if (padBits - nbits > 8) ThrowBadFormat("Lossless JPEG: entropy data ends early");
    }

    void Restart() {
        acc = 0;
        nbits = 0;
        padBits = 0;
        atMarker = false;
        // Skip to the restart marker.
        while (in.Remaining() >= 2 && !(in.Peek8() == 0xFF && in.Peek8(1) >= 0xD0 && in.Peek8(1) <= 0xD7)) in.Skip(1);
        if (in.Remaining() < 2) ThrowBadFormat("Lossless JPEG: missing restart marker");
        in.Skip(2);
    }

    void ReadHeader();
    template <int Pred>
    void DecodeRow(uint16* row, const uint16* prev, uint32 width, uint32 comps);
    void Decode(uint16* out);
};

namespace {

// One marker segment's fields, cut out at its declared length: a field that
// runs past that length ends the header with the segment's own message.
class Segment {
public:
    Segment(dng_byte_view bytes, const char* whenShort) : fBytes(bytes), fWhenShort(whenShort) {}
    uint64 Remaining() const { return fBytes.Remaining(); }
    uint8 Byte() {
        if (!fBytes.Remaining()) ThrowBadFormat(fWhenShort);
        return fBytes.Next8();
    }
    uint32 Word() {
        const uint32 hi = Byte();
        return (hi << 8) | Byte();
    }

private:
    dng_byte_reader fBytes;
    const char* fWhenShort;
};

}  // namespace

void dng_lossless_decoder::Impl::ReadHeader() {
    if (Byte() != 0xFF || Byte() != 0xD8) ThrowBadFormat("Lossless JPEG: missing start-of-image marker");
    bool haveFrame = false;
    for (;;) {
        uint32 marker = Byte();
        if (marker != 0xFF) ThrowBadFormat("Lossless JPEG: marker expected");
        while ((marker = Byte()) == 0xFF) {
        }
        if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            ThrowBadFormat("Lossless JPEG: unexpected marker before the scan");
        const uint32 length = Word();
        if (length < 2 || length - 2 > in.Remaining()) ThrowBadFormat("Lossless JPEG: marker segment runs past the data");
        const dng_byte_view bytes = in.Take(length - 2);
        if (marker == 0xC4) {
            Segment table(bytes, "Lossless JPEG: bad Huffman table size");
            while (table.Remaining()) {
                const uint32 tc = table.Byte();
                if ((tc >> 4) != 0 || (tc & 15) > 3) ThrowBadFormat("Lossless JPEG: bad Huffman table id");
                uint8 bits[17] = {0};
                uint32 count = 0;
                for (int i = 1; i <= 16; ++i) count += bits[i] = table.Byte();
                if (count > 256 || count > table.Remaining()) ThrowBadFormat("Lossless JPEG: bad Huffman table size");
                uint8 values[256];
                for (uint32 i = 0; i < count; ++i) {
                    values[i] = table.Byte();
                    if (values[i] > 16) ThrowBadFormat("Lossless JPEG: Huffman symbol out of range");
                }
                BuildTable(tables[tc & 15], bits, values, count);
            }
        } else if (marker == 0xC3) {
            Segment header(bytes, "Lossless JPEG: bad frame header length");
            frame.precision = header.Byte();
            frame.height = header.Word();
            frame.width = header.Word();
            frame.components = header.Byte();
            if (frame.precision < 2 || frame.precision > 16) ThrowBadFormat("Lossless JPEG: bad precision");
            if (frame.height == 0 || frame.width == 0) ThrowBadFormat("Lossless JPEG: empty frame");
            if (frame.components < 1 || frame.components > 4) ThrowBadFormat("Lossless JPEG: bad component count");
            for (uint32 c = 0; c < frame.components; ++c) {
                header.Byte();
                if (header.Byte() != 0x11) ThrowBadFormat("Lossless JPEG: subsampled components are not supported");
                header.Byte();
            }
            haveFrame = true;
        } else if ((marker >= 0xC0 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            ThrowBadFormat("Lossless JPEG: frame type " + std::to_string(marker - 0xC0) + " is not lossless");
        } else if (marker == 0xDD) {
            frame.restartInterval = Segment(bytes, "Lossless JPEG: bad restart interval length").Word();
        } else if (marker == 0xDA) {
            if (!haveFrame) ThrowBadFormat("Lossless JPEG: scan before frame header");
            Segment header(bytes, "Lossless JPEG: bad scan header length");
            const uint32 ns = header.Byte();
            if (ns != frame.components) ThrowBadFormat("Lossless JPEG: scan must hold every component");
            for (uint32 c = 0; c < ns; ++c) {
                header.Byte();
                const uint32 td = header.Byte() >> 4;
                if (td > 3 || !tables[td].defined) ThrowBadFormat("Lossless JPEG: scan uses an undefined table");
                compTable[c] = td;
            }
            frame.predictor = header.Byte();
            header.Byte();
            frame.pointTransform = header.Byte() & 15;
            if (frame.predictor < 1 || frame.predictor > 7) ThrowBadFormat("Lossless JPEG: bad predictor");
            if (frame.pointTransform >= frame.precision) ThrowBadFormat("Lossless JPEG: bad point transform");
            if (header.Remaining()) ThrowBadFormat("Lossless JPEG: bad scan header length");
            if (frame.restartInterval != 0 && frame.restartInterval % frame.width != 0)
                ThrowBadFormat("Lossless JPEG: restart interval is not a whole number of lines");
            headerRead = true;
            return;
        }
    }
}

template <int Pred>
void dng_lossless_decoder::Impl::DecodeRow(uint16* row, const uint16* prev, uint32 width, uint32 comps) {
    // First column predicts from above.
    for (uint32 c = 0; c < comps; ++c) row[c] = static_cast<uint16>(prev[c] + DecodeDiff(tables[compTable[c]]));
    for (uint32 x = 1; x < width; ++x) {
        uint16* cur = row + x * comps;
        const uint16* left = cur - comps;
        const uint16* up = prev + x * comps;
        const uint16* upLeft = up - comps;
        for (uint32 c = 0; c < comps; ++c) {
            const int32 ra = left[c];
            const int32 rb = up[c];
            const int32 rc = upLeft[c];
            int32 p;
            switch (Pred) {
                case 1: p = ra; break;
                case 2: p = rb; break;
                case 3: p = rc; break;
                case 4: p = ra + rb - rc; break;
                case 5: p = ra + ((rb - rc) >> 1); break;
                case 6: p = rb + ((ra - rc) >> 1); break;
                default: p = (ra + rb) >> 1; break;
            }
            cur[c] = static_cast<uint16>(p + DecodeDiff(tables[compTable[c]]));
        }
    }
}

void dng_lossless_decoder::Impl::Decode(uint16* out) {
    if (!headerRead) ReadHeader();
    const uint32 width = frame.width;
    const uint32 comps = frame.components;
    const size_t rowSamples = size_t(width) * comps;
    const uint32 rowsPerRestart = frame.restartInterval ? frame.restartInterval / width : 0;
    const uint16 initial = static_cast<uint16>(1u << (frame.precision - frame.pointTransform - 1));
    for (uint32 y = 0; y < frame.height; ++y) {
        uint16* row = out + y * rowSamples;
        const bool restart = rowsPerRestart && y > 0 && y % rowsPerRestart == 0;
        if (restart) Restart();
        if (y == 0 || restart) {
            // A first line predicts from the left only, starting from the middle value.
            for (uint32 c = 0; c < comps; ++c) row[c] = static_cast<uint16>(initial + DecodeDiff(tables[compTable[c]]));
            for (size_t i = comps; i < rowSamples; ++i)
                row[i] = static_cast<uint16>(row[i - comps] + DecodeDiff(tables[compTable[i % comps]]));
        } else {
            const uint16* prev = row - rowSamples;
            switch (frame.predictor) {
                case 1: DecodeRow<1>(row, prev, width, comps); break;
                case 2: DecodeRow<2>(row, prev, width, comps); break;
                case 3: DecodeRow<3>(row, prev, width, comps); break;
                case 4: DecodeRow<4>(row, prev, width, comps); break;
                case 5: DecodeRow<5>(row, prev, width, comps); break;
                case 6: DecodeRow<6>(row, prev, width, comps); break;
                default: DecodeRow<7>(row, prev, width, comps); break;
            }
        }
        CheckNotPastEnd();
    }
}

dng_lossless_decoder::dng_lossless_decoder(dng_byte_view data, bool oldDiff16) : fImpl(new Impl(data)) {
    fImpl->oldDiff16 = oldDiff16;
}

dng_lossless_decoder::~dng_lossless_decoder() { delete fImpl; }

const dng_ljpeg_frame& dng_lossless_decoder::ReadHeader() {
    if (!fImpl->headerRead) fImpl->ReadHeader();
    return fImpl->frame;
}

void dng_lossless_decoder::Decode(uint16* out) { fImpl->Decode(out); }
