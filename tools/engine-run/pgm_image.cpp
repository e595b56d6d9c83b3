#include "pgm_image.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace enginerun {
namespace {

// Far beyond any photo, small enough that width x height cannot overflow.
constexpr long kMaxSide = 1 << 20;

class HeaderReader {
public:
    explicit HeaderReader(const std::string& bytes) : bytes_(bytes) {}

    // Skips blanks and comments, then reads one decimal number.
    long Number(const char* what) {
        SkipBlanksAndComments();
        long value = 0;
        std::size_t digits = 0;
        while (pos_ < bytes_.size() && std::isdigit(static_cast<unsigned char>(bytes_[pos_]))) {
            if (value > kMaxSide * 64) throw FileError(std::string("PGM ") + what + " is too large");
            value = value * 10 + (bytes_[pos_] - '0');
            ++pos_;
            ++digits;
        }
        if (digits == 0) throw FileError(std::string("PGM header has no ") + what);
        return value;
    }

    // Exactly one blank separates the header from the samples.
    std::size_t SamplesStart() {
        if (pos_ >= bytes_.size() || !std::isspace(static_cast<unsigned char>(bytes_[pos_])))
            throw FileError("PGM header does not end in a blank");
        return pos_ + 1;
    }

private:
    void SkipBlanksAndComments() {
        while (pos_ < bytes_.size()) {
            if (std::isspace(static_cast<unsigned char>(bytes_[pos_]))) {
                ++pos_;
            } else if (bytes_[pos_] == '#') {
                while (pos_ < bytes_.size() && bytes_[pos_] != '\n') ++pos_;
            } else {
                break;
            }
        }
    }

    const std::string& bytes_;
    std::size_t pos_ = 2;
};

}  // namespace

PgmImage ParsePgm(const std::string& bytes) {
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '5') throw FileError("not a binary PGM (P5) file");
    HeaderReader header(bytes);
    const long width = header.Number("width");
    const long height = header.Number("height");
    const long maxValue = header.Number("maximum value");
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        throw FileError("PGM size " + std::to_string(width) + " x " + std::to_string(height) + " is not supported");
    if (maxValue < 1 || maxValue > 65535) throw FileError("PGM maximum value must be 1..65535");

    PgmImage image;
    image.width = int(width);
    image.height = int(height);
    image.maxValue = int(maxValue);
    const std::size_t count = std::size_t(width) * std::size_t(height);
    const std::size_t bytesPerSample = image.IsEightBit() ? 1 : 2;
    const std::size_t start = header.SamplesStart();
    if (bytes.size() - start < count * bytesPerSample) throw FileError("PGM file is shorter than its size says");

    image.samples.resize(count);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data()) + start;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned value = bytesPerSample == 1 ? data[i] : (unsigned(data[2 * i]) << 8) | data[2 * i + 1];
        if (value > unsigned(maxValue)) throw FileError("PGM sample above the maximum value");
        image.samples[i] = uint16_t(value);
    }
    return image;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError("cannot open " + path);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw FileError("cannot read " + path);
    return bytes;
}

PgmImage ReadPgm(const std::string& path) { return ParseFile(path, &ParsePgm); }

void WritePgm(const std::string& path, const PgmImage& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw FileError("cannot create " + path);
    out << "P5\n" << image.width << ' ' << image.height << '\n' << image.maxValue << '\n';
    std::string data;
    data.reserve(image.samples.size() * (image.IsEightBit() ? 1 : 2));
    for (uint16_t v : image.samples) {
        if (image.IsEightBit()) {
            data.push_back(char(v));
        } else {
            data.push_back(char(v >> 8));
            data.push_back(char(v & 0xFF));
        }
    }
    out.write(data.data(), std::streamsize(data.size()));
    out.close();
    if (!out) throw FileError("cannot write " + path);
}

}  // namespace enginerun
