#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Small synthetic DNG files for tests and benchmarks, written independently of the DNG layer.
struct FixturePreview {
    uint32_t width = 16, height = 12;
    uint32_t samples = 3;   // 1 grey, 3 RGB
    bool jpeg = false;      // compression 7 instead of uncompressed
    bool inIFD0 = false;    // IFD 0 itself is this preview, one at most (the raw image goes to a sub-IFD)
    bool chained = false;   // linked as the next directory after IFD 0 instead of as a sub-IFD
    std::vector<uint8_t> data;  // stored bytes; empty: a bare JPEG or mid-grey samples
    uint32_t rowsPerStrip = 0;  // uncompressed: strips of this many rows, stored last strip first; 0: one strip
    uint32_t tileWidth = 0, tileLength = 0;  // uncompressed: tiles of this size instead of strips, stored last first
};

// The TIFF field types a FixtureTag may take.
namespace fixture_type {
constexpr uint16_t kShort = 3, kLong = 4, kRational = 5, kSRational = 10, kFloat = 11, kDouble = 12;
}

// A further tag of the main directory: `type` is a fixture_type (rationals over 10000), each value
// converted to it.
struct FixtureTag {
    uint16_t tag, type;
    std::vector<double> values;
};

struct FixtureOptions {
    bool bigEndian = false;
    std::string model = "Canon EOS 550D";  // UniqueCameraModel; empty: no such tag
    uint32_t width = 8, height = 6;
    uint32_t bits = 16, samplesPerPixel = 1;
    uint32_t sampleFormat = 1;           // SampleFormat of every sample; 1 (unsigned) is not written
    bool cfa = true;                     // CFA (one sample) or LinearRaw
    std::array<uint8_t, 4> cfaPattern{0, 1, 1, 2};
    uint32_t bayerGreenSplit = 0;
    bool colour = true;                  // ColorMatrix1 (3 planes); false for monochrome
    std::vector<double> colorMatrix = {0.6722, -0.0635, -0.0963, -0.4287, 1.2460, 0.2028, -0.0908, 0.2162, 0.5668};
    uint32_t compression = 1;            // 1 or 7
    bool tiled = false;
    uint32_t tileWidth = 0, tileLength = 0;  // tiles: size; strips: tileLength = rows per strip
    uint32_t ljpegPredictor = 1, ljpegRestartRows = 0;
    bool ljpegTwoColumnsPerPixel = false;  // CFA rows as width/2 pixels of 2 components
    std::vector<uint16_t> samples;       // width x height x samplesPerPixel, interleaved
    std::vector<uint16_t> linearizationTable;
    uint32_t blackRepeatRows = 1, blackRepeatCols = 1;
    std::vector<double> blackLevel;      // rows x cols x samples; empty for none
    std::vector<double> blackDeltaH, blackDeltaV;
    std::vector<uint32_t> whiteLevel;    // empty for the default
    std::array<int32_t, 4> activeArea{};   // top left bottom right; all 0 for none
    std::vector<uint32_t> maskedAreas;      // 4 values (top left bottom right) per area
    std::array<uint32_t, 4> defaultCrop{}; // origin h v, size h v; sizes 0 for none
    std::vector<double> asShotNeutral;  // empty: 0.5 1 0.6
    bool writeNeutral = true;            // false: no AsShotNeutral at all
    std::vector<uint8_t> opcodeList[3];
    std::vector<FixtureTag> extraTags;   // further IFD 0 tags (profile tables, BaselineExposure, ...); replace the writer's own
    std::vector<FixturePreview> previews;
    bool writeDigest = true;
    bool rawInSubIFD = false;            // raw image in a sub-IFD even without an IFD 0 preview
    // Every strip or tile names the bytes of one: `samples` then hold that block alone (tile or strip
    // size), so a huge raw image costs a small file; no digest is written.
    bool shareOneBlock = false;
};

std::vector<uint8_t> WriteFixtureDNG(const FixtureOptions& options);

// A sensor module's kind of raw: 10-bit samples packed in one strip, BGGR, a black level per 2x2 site
// and no UniqueCameraModel.
FixtureOptions PackedBGGRFixture(uint32_t width, uint32_t height);

// Samples of a smooth test pattern with noise, below 2^bits.
std::vector<uint16_t> PatternSamples(uint32_t width, uint32_t height, uint32_t samplesPerPixel, uint32_t bits,
                                     uint32_t seed = 1);

// An opcode list (big-endian) of the given opcodes with arbitrary parameter bytes.
struct FixtureOpcode {
    uint32_t id, version, flags;
    std::vector<uint8_t> parameters;
};
std::vector<uint8_t> OpcodeListBytes(const std::vector<FixtureOpcode>& opcodes);
// Parameters of WarpRectilinear: per plane the radial kr0..kr3 and tangential kt0, kt1.
struct WarpPlane {
    double kr[4] = {}, kt[2] = {};
};
std::vector<uint8_t> WarpRectilinearParameters(const std::vector<WarpPlane>& planes, double cx, double cy);

// MD5 of the samples as the RawImageDigest tag holds them.
std::vector<uint8_t> RawDigest(const std::vector<uint16_t>& samples);

