// Damaged files end in the bad-format error with a reason, never in a crash or a huge
// allocation; the raw-image digest is enforced.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "fixture_patch.h"
#include "fixture_writer.h"
#include "tests/support/test_files.h"

namespace {

using namespace fixture_patch;

// The error of loading `bytes` and building its stages; 0 when all went through.
dng_exception LoadError(const Bytes& bytes) {
    try {
        auto f = LoadDNG(bytes);
        BuildStages(*f);
    } catch (const dng_exception& e) {
        return e;
    }
    return dng_exception(dng_error_none, "accepted");
}

FixtureOptions Base(uint32_t compression = 1, bool tiled = false) {
    FixtureOptions options;
    options.width = 32;
    options.height = 20;
    options.compression = compression;
    options.tiled = tiled;
    options.tileWidth = options.tileLength = tiled ? 16 : 0;
    options.samples = PatternSamples(32, 20, 1, 16);
    return options;
}

// Every read past the end of the data throws, which the reader reports as a bad format.
TEST(Malformed, TruncationAtAnyPointIsRefused) {
    dng_memory_stream stream(Bytes{1, 2, 3});
    stream.SetReadPosition(2);
    EXPECT_THROW(stream.Get_uint16(), dng_exception);
    for (uint32_t compression : {1u, 7u}) {
        const Bytes whole = WriteFixtureDNG(Base(compression, true));
        for (size_t length = 0; length < whole.size(); length += 29)
            EXPECT_EQ(LoadError(Bytes(whole.begin(), whole.begin() + length)).ErrorCode(), dng_error_bad_format)
                << length;
    }
}

// Offset of the first JPEG `marker` in the raw strip.
size_t Marker(const Bytes& b, uint8_t marker) { return fixture_patch::Marker(b, 273, marker); }

TEST(Malformed, DamagedFilesNameTheirFault) {
    FixtureOptions subIFD = Base();
    subIFD.rawInSubIFD = true;
    FixtureOptions blackAboveWhite = Base();
    blackAboveWhite.blackLevel = {1000};
    blackAboveWhite.blackDeltaV = std::vector<double>(20, 200.0);
    blackAboveWhite.whiteLevel = {1100};
    FixtureOptions longOpcodeList = Base();
    longOpcodeList.opcodeList[1] = OpcodeListBytes({{99, 0x01030000, 1, {1, 2, 3}}});
    longOpcodeList.opcodeList[1].push_back(0);  // does not end at its tag's end
    FixtureOptions badWarp = Base();
    badWarp.opcodeList[1] = OpcodeListBytes({{1, 0x01030000, 1, {0, 0, 0, 9}}});
    const struct {
        FixtureOptions options;
        std::function<void(Bytes&)> damage;
        const char* reason;  // a regular expression
    } cases[] = {
        {Base(), [](Bytes& b) { Put32(b, ValueOf(b, 273), uint32_t(b.size()) - 10); }, "outside the file"},
        {Base(), [](Bytes& b) { Put32(b, ValueOf(b, 279), 0); }, "no data"},
        // The sub-IFD link of IFD 0 pointing back at IFD 0.
        {subIFD, [](Bytes& b) { Put32(b, ValueOf(b, 330), Get32(b, 4)); }, "loop"},
        // Rows per strip follow the size, so the strip count still fits; the data does not.
        {Base(), [](Bytes& b) { Put32(b, ValueOf(b, 256), 60000), Put32(b, ValueOf(b, 278), 60000); }, "short|large"},
        {Base(), [](Bytes& b) { Put32(b, ValueOf(b, 257), 60000), Put32(b, ValueOf(b, 278), 60000); }, "short|crop"},
        {Base(), [](Bytes& b) { Put32(b, ValueOf(b, 256), 70000); }, "out of range"},
        // Tile width 8 needs twice the tiles.
        {Base(1, true), [](Bytes& b) { Put32(b, ValueOf(b, 322), 8); }, "count"},
        {blackAboveWhite, [](Bytes&) {}, "White level"},
        {longOpcodeList, [](Bytes&) {}, "Opcode list"},
        {badWarp, [](Bytes&) {}, "WarpRectilinear"},
        {Base(), [](Bytes& b) { b = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}; }, "byte-order"},
        {Base(), [](Bytes& b) { b = {'I', 'I'}; }, "too short"},
        {Base(7), [](Bytes& b) { b[Marker(b, 0xC3) + 1] = 0xC1; }, "not lossless"},
        {Base(7), [](Bytes& b) { b[Marker(b, 0xD8) + 1] = 0x00; }, "start-of-image"},
        {Base(7), [](Bytes& b) { b[Marker(b, 0xDA) + 4 + 1 + 2] = 9; }, "predictor"},  // Ss after one component
        {Base(7), [](Bytes& b) { b[Marker(b, 0xC3) + 6] = 7; }, "does not match"},      // 20 lines -> 7
        {Base(7), [](Bytes& b) { b[Marker(b, 0xC4) + 5 + 1] = 5; }, "Huffman"},          // five codes of length 1
        // Entropy data cut short: the strip's byte count keeps only the headers and a few bytes.
        {Base(7), [](Bytes& b) { Put32(b, ValueOf(b, 279), uint32_t(Marker(b, 0xDA) - Marker(b, 0xD8) + 20)); },
         "ends early|too short"}};
    for (const auto& c : cases) {
        Bytes bytes = WriteFixtureDNG(c.options);
        c.damage(bytes);
        const dng_exception e = LoadError(bytes);
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format) << e.what();
        EXPECT_THAT(e.what(), ::testing::ContainsRegex(c.reason));
    }
}

// Seeds and what the fuzzer found: each ends in a result or one of the layer's errors.
TEST(Malformed, FuzzCorpusReplays) {
    size_t read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DNG_CORPUS_DIR)) {
        const dng_exception e = LoadError(test_support::ReadFileBytes(entry.path().string()));
        EXPECT_NE(e.ErrorCode(), dng_error_unknown) << entry.path() << ": " << e.what();
        read += e.ErrorCode() == dng_error_none;
    }
    EXPECT_GE(read, 4u);
}

TEST(Digest, OneFlippedByteFailsValidationAndKnownHarmlessCorruptionsPass) {
    FixtureOptions options = Base();
    const Bytes good = WriteFixtureDNG(options);
    const size_t digest = Get32(good, ValueOf(good, 50972));
    ASSERT_EQ(Bytes(good.begin() + digest, good.begin() + digest + 16), RawDigest(options.samples));
    const uint8_t knownPrefix[16] = {8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    auto flipRaw = [](Bytes& b) { b[Get32(b, ValueOf(b, 273)) + 37] ^= 0x01; };
    const struct {
        bool withDigest;
        std::function<void(Bytes&)> damage;
        int error;
    } cases[] = {{true, [](Bytes&) {}, 0},
                 {true, flipRaw, dng_error_bad_format},
                 {false, flipRaw, 0},  // no digest, nothing to check
                 {true, [&](Bytes& b) { b[digest + 15] ^= 0x10; }, dng_error_bad_format},
                 {true, [&](Bytes& b) { b[digest] ^= 0xFF; }, 0},  // only the first word wrong
                 {true, [&](Bytes& b) { std::memcpy(&b[digest], knownPrefix, 16); }, 0}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        options.writeDigest = cases[i].withDigest;
        Bytes bytes = WriteFixtureDNG(options);
        cases[i].damage(bytes);
        EXPECT_EQ(LoadError(bytes).ErrorCode(), cases[i].error) << i;
    }
}

}  // namespace
