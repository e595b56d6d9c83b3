// Writes the structured seeds of the DNG and JPEG fuzz targets into a folder: small DNGs that
// carry opcode lists, camera-profile tables, tone curves, hostile reals and JPEG previews, and
// JPEGs with odd frame headers or a colour profile, each a few hundred bytes to a few KiB, and
// two raw images far beyond the program's pixel limit in under 100 KiB.
//   fuzz_seed_writer FOLDER
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "dng/dng_tag_codes.h"
#include "fixture_writer.h"
#include "tests/jpeg/exif_builder.h"
#include "tests/support/jpeg_encoder.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace fixture_type;

void Put(const std::string& folder, const std::string& name, const Bytes& bytes) {
    std::ofstream(folder + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                              std::streamsize(bytes.size()));
}

FixtureOptions Mosaic(const std::string& model = "Canon EOS 550D") {
    FixtureOptions s;
    s.model = model;
    s.width = 12;
    s.height = 8;
    s.samples = PatternSamples(12, 8, 1, 16, 3);
    return s;
}

FixtureOptions LinearRaw() {
    FixtureOptions s = Mosaic();
    s.cfa = false;
    s.samplesPerPixel = 3;
    s.width = 6;
    s.height = 4;
    s.samples = PatternSamples(6, 4, 3, 16, 5);
    return s;
}

Bytes Doubles(std::vector<double> values) {
    Bytes out;
    for (double x : values) {
        uint64_t bits;
        std::memcpy(&bits, &x, 8);
        for (int shift = 56; shift >= 0; shift -= 8) out.push_back(uint8_t(bits >> shift));
    }
    return out;
}

// A table of hue x sat x val entries: small hue shifts, scales near 1.
std::vector<double> Table(uint32_t entries) {
    std::vector<double> data;
    for (uint32_t i = 0; i < entries; ++i) data.insert(data.end(), {double(i % 7) * 3.0 - 9.0, 1.0 + i % 3 * 0.05, 1.0});
    return data;
}

// A small baseline JPEG with its frame header's size, precision or marker replaced.
Bytes OddFrame(uint16_t width, uint16_t height, uint8_t marker = 0xC0, uint8_t precision = 8) {
    platform::Bitmap picture(16, 8, platform::PixelFormat::pf24bit);
    for (int y = 0; y < 8; ++y)
        for (int i = 0; i < 16 * 3; ++i) picture.ScanLine(y)[i] = uint8_t(i * 7 + y * 11);
    Bytes jpeg = test_support::EncodeJpeg(picture);
    for (size_t i = 2; i + 9 < jpeg.size(); i += 2 + (jpeg[i + 2] << 8 | jpeg[i + 3])) {
        if (jpeg[i + 1] != 0xC0) continue;
        jpeg[i + 1] = marker;
        jpeg[i + 4] = precision;
        jpeg[i + 5] = uint8_t(height >> 8), jpeg[i + 6] = uint8_t(height);
        jpeg[i + 7] = uint8_t(width >> 8), jpeg[i + 8] = uint8_t(width);
        break;
    }
    return jpeg;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];

    FixtureOptions opcodes = Mosaic();
    opcodes.opcodeList[0] = OpcodeListBytes({{99, 0x01030000, 1, {1, 2, 3, 4}}});
    opcodes.opcodeList[1] = OpcodeListBytes({{3, 0x01030000, 1, Doubles({0.1, -0.05, 0.01, 0, 0, 0.5, 0.5})}});
    opcodes.opcodeList[2] = OpcodeListBytes(
        {{1, 0x01030000, 1, WarpRectilinearParameters({{{0.98, 0.02, -0.01, 0.001}, {0.001, -0.002}}}, 0.45, 0.55)},
         {3, 0x01030000, 1, Doubles({0.2, 0, 0, 0, 0, 0.5, 0.5})}});
    Put(out, "seed-opcode-lists.dng", WriteFixtureDNG(opcodes));

    FixtureOptions warp3 = LinearRaw();
    warp3.opcodeList[2] = OpcodeListBytes(
        {{1, 0x01030000, 0, WarpRectilinearParameters({{{1, 0.01}, {0, 0}}, {{1}, {-1e-20, 0}}, {{1.01}, {0, 1e-3}}}, 0, 0)}});
    Put(out, "seed-warp-three-planes.dng", WriteFixtureDNG(warp3));

    FixtureOptions profile = LinearRaw();
    profile.extraTags = {
        {tcProfileHueSatMapDims, kLong, {6, 2, 1}},
        {tcProfileHueSatMapData1, kFloat, Table(12)},
        {tcProfileHueSatMapData2, kFloat, Table(12)},
        {tcCalibrationIlluminant2, kLong, {17}},
        {tcProfileLookTableDims, kLong, {4, 2, 2}},
        {tcProfileLookTableData, kFloat, Table(16)},
        {tcProfileToneCurve, kFloat, {0, 0, 0.25, 0.3, 0.5, 0.6, 1, 1}},
        {tcBaselineExposure, kSRational, {0.5}},
        {tcForwardMatrix1, kSRational, {0.7, 0.2, 0.0642, 0.3, 0.65, 0.05, 0, 0.05, 0.7749}},
        {tcCameraCalibration1, kSRational, {1.02, 0, 0, 0, 1, 0, 0, 0, 0.98}},
        {tcAnalogBalance, kSRational, {1, 1, 1}},
    };
    Put(out, "seed-profile-tables.dng", WriteFixtureDNG(profile));

    FixtureOptions doubles = LinearRaw();
    doubles.bigEndian = true;
    doubles.extraTags = {
        {tcProfileLookTableDims, kLong, {3, 2, 1}},
        {tcProfileLookTableData, kDouble, Table(6)},
        {tcBaselineExposure, kDouble, {-1.5}},
        {tcDefaultScale, kDouble, {1, 2}},
        {tcAsShotNeutral, kDouble, {0.5, 1, 0.7}},
    };
    Put(out, "seed-doubles-big-endian.dng", WriteFixtureDNG(doubles));

    // The hostile values that once crashed or hung the layer, one file each.
    const struct {
        const char* name;
        std::vector<FixtureTag> tags;
        std::vector<WarpPlane> warp;
        double centre;
    } hostile[] = {
        {"warp-huge-coefficient", {}, {{{1e308}, {1e308, 0}}}, 0.5},
        {"warp-tiny-negative", {}, {{{1}, {-1e-20, 0}}}, 0},
        {"baseline-exposure-1075", {{tcBaselineExposure, kSRational, {1075}}}, {}, 0},
        {"hue-shift-1e30",
         {{tcProfileHueSatMapDims, kLong, {3, 2, 1}}, {tcProfileHueSatMapData1, kFloat, std::vector<double>(18, 1e30)}},
         {},
         0},
        {"look-shift-1e30",
         {{tcProfileLookTableDims, kLong, {3, 2, 1}}, {tcProfileLookTableData, kFloat, std::vector<double>(18, 1e30)}},
         {},
         0},
    };
    for (const auto& h : hostile) {
        FixtureOptions options = LinearRaw();
        options.extraTags = h.tags;
        if (!h.warp.empty())
            options.opcodeList[2] =
                OpcodeListBytes({{1, 0x01030000, 1, WarpRectilinearParameters(h.warp, h.centre, h.centre)}});
        Put(out, std::string("hostile-") + h.name + ".dng", WriteFixtureDNG(options));
    }

    // Raw images far beyond the program's pixel limit in under 100 KiB: every tile or strip names one.
    FixtureOptions huge = Mosaic();
    huge.width = huge.height = 16384;
    huge.bits = 12;
    huge.compression = 7;
    huge.tiled = true;
    huge.tileWidth = huge.tileLength = 256;
    huge.samples.assign(256 * 256, 2000);
    huge.shareOneBlock = true;
    Put(out, "hostile-ljpeg-16384-shared-tiles.dng", WriteFixtureDNG(huge));
    huge.bits = 8;
    huge.compression = 1;
    huge.tiled = false;
    huge.tileLength = 4;
    huge.samples.assign(16384 * 4, 100);
    Put(out, "hostile-8bit-16384-shared-strips.dng", WriteFixtureDNG(huge));

    const struct {
        const char* name;
        Bytes jpeg;
    } frames[] = {
        {"huge", OddFrame(65500, 5000)},       {"over-limit", OddFrame(20001, 5000)},
        {"zero-width", OddFrame(0, 8)},        {"tall", OddFrame(1, 65500)},
        {"progressive", OddFrame(16, 8, 0xC2)}, {"twelve-bit", OddFrame(16, 8, 0xC1, 12)},
        {"lossless", OddFrame(16, 8, 0xC3)},
    };
    // An EXIF block and an RGB colour profile in three segments, as a save carries them.
    ExifBuilder exif(false);
    exif.AddDirectory({ExifBuilder::Short(0x0112, 6), ExifBuilder::Rational(0x011A, 72, 1)});
    std::vector<RawSection> leading{{0xE1, ExifPayload(exif.Tiff())}};
    for (const RawSection& segment : IccSegments(IccProfile("RGB ", 300), {60, 140})) leading.push_back(segment);
    Put(out, "seed-exif-icc-three-segments.jpg", WithLeadingSections(OddFrame(16, 8), leading));

    for (const auto& frame : frames) {
        Put(out, std::string("seed-frame-") + frame.name + ".jpg", frame.jpeg);
        FixtureOptions leica = Mosaic("LEICA T (Typ 701)");
        FixturePreview preview;
        preview.width = 16, preview.height = 8, preview.jpeg = true;
        preview.data = frame.jpeg;
        leica.previews = {preview};
        Put(out, std::string("seed-preview-") + frame.name + ".dng", WriteFixtureDNG(leica));
    }
    return 0;
}
