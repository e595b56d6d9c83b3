#include "ljpeg_encoder.h"

#include <stdexcept>
#include <utility>

namespace {

// Writes codes most significant bit first, stuffing a zero after each 0xFF byte.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t bits, int length) {
        for (int i = length - 1; i >= 0; --i) Bit((bits >> i) & 1);
    }
    // Pads the last byte with one bits, as JPEG asks.
    void Flush() {
        while (count_ != 0) Bit(1);
    }

private:
    void Bit(uint32_t bit) {
        acc_ = (acc_ << 1) | bit;
        if (++count_ < 8) return;
        out_.push_back(static_cast<uint8_t>(acc_));
        if (acc_ == 0xFF) out_.push_back(0);
        acc_ = 0;
        count_ = 0;
    }
    std::vector<uint8_t>& out_;
    uint32_t acc_ = 0;
    int count_ = 0;
};

// A marker segment: 0xFF, the marker, the length and `body`.
void Segment(std::vector<uint8_t>& out, uint8_t marker, const std::vector<uint8_t>& body) {
    const size_t length = body.size() + 2;
    out.insert(out.end(), {0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    out.insert(out.end(), body.begin(), body.end());
}

int Predict(uint32_t predictor, int ra, int rb, int rc) {
    switch (predictor) {
        case 1: return ra;
        case 2: return rb;
        case 3: return rc;
        case 4: return ra + rb - rc;
        case 5: return ra + ((rb - rc) >> 1);
        case 6: return rb + ((ra - rc) >> 1);
        default: return (ra + rb) >> 1;
    }
}

}  // namespace

std::vector<uint8_t> EncodeLosslessJPEG(const LJpegParams& p, const std::vector<uint16_t>& samples) {
    const size_t rowSamples = size_t(p.width) * p.components;
    if (samples.size() != rowSamples * p.height) throw std::invalid_argument("sample count");

    // Canonical codes per difference category 0..16 (the categories are in length order); the codes
    // for large differences are longer than 9 bits, which takes the decoder's slow path.
    std::pair<uint32_t, int> codes[17];  // bits, length
    std::vector<uint8_t> dht(1 + 16 + 17, 0);  // table class and id 0, counts per length, symbols
    for (uint32_t s = 0, code = 0, length = 0; s <= 16; ++s) {
        const uint32_t l = s < 8 ? 4 : (s == 8 ? 5 : 10);
        code <<= l - length;
        length = l;
        codes[s] = {code++, static_cast<int>(l)};
        ++dht[l];
        dht[17 + s] = static_cast<uint8_t>(s);
    }
    auto u8 = [](uint32_t v) { return static_cast<uint8_t>(v); };
    std::vector<uint8_t> sof = {u8(p.precision), u8(p.height >> 8), u8(p.height), u8(p.width >> 8), u8(p.width),
                                u8(p.components)};
    std::vector<uint8_t> sos = {u8(p.components)};
    for (uint8_t c = 1; c <= p.components; ++c) {
        sof.insert(sof.end(), {c, 0x11, 0});
        sos.insert(sos.end(), {c, 0});
    }
    sos.insert(sos.end(), {u8(p.predictor), 0, 0});
    std::vector<uint8_t> out = {0xFF, 0xD8};
    Segment(out, 0xC4, dht);
    Segment(out, 0xC3, sof);
    const uint32_t interval = p.restartRows * p.width;
    if (p.restartRows) Segment(out, 0xDD, {u8(interval >> 8), u8(interval)});
    Segment(out, 0xDA, sos);

    BitWriter writer(out);
    uint32_t restartIndex = 0;
    for (uint32_t y = 0; y < p.height; ++y) {
        const bool restart = p.restartRows && y > 0 && y % p.restartRows == 0;
        if (restart) {
            writer.Flush();
            out.insert(out.end(), {0xFF, u8(0xD0 + (restartIndex++ & 7))});
        }
        const bool firstRow = y == 0 || restart;
        const uint16_t* row = samples.data() + y * rowSamples;
        const uint16_t* prev = row - rowSamples;
        for (size_t i = 0; i < rowSamples; ++i) {
            const size_t x = i / p.components;
            int pred;
            if (firstRow) pred = x == 0 ? 1 << (p.precision - 1) : row[i - p.components];
            else if (x == 0) pred = prev[i];
            else pred = Predict(p.predictor, row[i - p.components], prev[i], prev[i - p.components]);
            int diff = static_cast<int16_t>(static_cast<uint16_t>(row[i] - pred));
            int category = 0;
            for (int magnitude = diff < 0 ? -diff : diff; magnitude; magnitude >>= 1) ++category;
            writer.Put(codes[category].first, codes[category].second);
            if (category > 0 && category < 16) writer.Put(diff > 0 ? diff : diff + (1 << category) - 1, category);
        }
    }
    writer.Flush();
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}
