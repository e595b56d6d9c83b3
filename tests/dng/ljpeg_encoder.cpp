#include "ljpeg_encoder.h"

#include <stdexcept>

namespace {

struct Code {
    uint32_t bits = 0;
    int length = 0;
};

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

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
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

    // Code lengths per difference category 0..16, canonical codes in symbol order; the codes for
    // large differences are longer than 9 bits, which takes the decoder's slow path.
    uint8_t lengths[17];
    for (int s = 0; s <= 16; ++s) lengths[s] = s < 8 ? 4 : (s == 8 ? 5 : 10);
    uint8_t counts[17] = {0};
    for (int s = 0; s <= 16; ++s) ++counts[lengths[s]];
    Code codes[17];
    uint32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int s = 0; s <= 16; ++s)
            if (lengths[s] == length) codes[s] = {code++, length};
        code <<= 1;
    }

    std::vector<uint8_t> out = {0xFF, 0xD8, 0xFF, 0xC4};
    Put16(out, 2 + 1 + 16 + 17);
    out.push_back(0x00);
    for (int length = 1; length <= 16; ++length) out.push_back(counts[length]);
    for (int length = 1; length <= 16; ++length)
        for (int s = 0; s <= 16; ++s)
            if (lengths[s] == length) out.push_back(static_cast<uint8_t>(s));

    out.insert(out.end(), {0xFF, 0xC3});
    Put16(out, 8 + 3 * p.components);
    out.push_back(static_cast<uint8_t>(p.precision));
    Put16(out, p.height);
    Put16(out, p.width);
    out.push_back(static_cast<uint8_t>(p.components));
    for (uint32_t c = 0; c < p.components; ++c) out.insert(out.end(), {static_cast<uint8_t>(c + 1), 0x11, 0});
    if (p.restartRows) {
        out.insert(out.end(), {0xFF, 0xDD});
        Put16(out, 4);
        Put16(out, p.restartRows * p.width);
    }
    out.insert(out.end(), {0xFF, 0xDA});
    Put16(out, 6 + 2 * p.components);
    out.push_back(static_cast<uint8_t>(p.components));
    for (uint32_t c = 0; c < p.components; ++c) out.insert(out.end(), {static_cast<uint8_t>(c + 1), 0});
    out.insert(out.end(), {static_cast<uint8_t>(p.predictor), 0, 0});

    BitWriter writer(out);
    uint32_t restartIndex = 0;
    for (uint32_t y = 0; y < p.height; ++y) {
        const bool restart = p.restartRows && y > 0 && y % p.restartRows == 0;
        if (restart) {
            writer.Flush();
            out.insert(out.end(), {0xFF, static_cast<uint8_t>(0xD0 + (restartIndex++ & 7))});
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
            writer.Put(codes[category].bits, codes[category].length);
            if (category > 0 && category < 16) {
                const uint32_t extra = diff > 0 ? diff : diff + (1 << category) - 1;
                writer.Put(extra, category);
            }
        }
    }
    writer.Flush();
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}
