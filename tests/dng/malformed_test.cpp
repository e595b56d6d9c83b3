// Damaged files end in the bad-format error with a reason, never in a crash or a huge allocation.
#include <gtest/gtest.h>

#include <cstring>

#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Offset of the directory entry of `tag` in IFD 0 or its first sub-IFD (little-endian fixtures).
size_t EntryOf(const std::vector<uint8_t>& b, uint16_t tag) {
    std::vector<uint32_t> dirs = {Get32(b, 4)};
    for (size_t d = 0; d < dirs.size(); ++d) {
        const uint32_t at = dirs[d];
        const uint32_t count = b[at] | b[at + 1] << 8;
        for (uint32_t i = 0; i < count; ++i) {
            const size_t entry = at + 2 + 12 * i;
            const uint16_t code = b[entry] | b[entry + 1] << 8;
            if (code == tag) return entry;
            if (code == 330) dirs.push_back(Get32(b, entry + 8));
        }
    }
    ADD_FAILURE() << "tag " << tag << " not found";
    return 0;
}

std::string BadFormatReason(const std::vector<uint8_t>& bytes) {
    try {
        auto f = LoadDNG(bytes);
        f->negative->BuildStage2Image(f->host, ttShort);
        f->negative->BuildStage3Image(f->host, -1);
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_bad_format) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "damaged file accepted";
    return "";
}

FixtureOptions Base(uint32_t compression = 1, bool tiled = false) {
    FixtureOptions options;
    options.width = 32;
    options.height = 20;
    options.compression = compression;
    options.tiled = tiled;
    options.tileWidth = 16;
    options.tileLength = tiled ? 16 : 0;
    options.samples = PatternSamples(32, 20, 1, 16);
    return options;
}

TEST(Malformed, TruncationAtAnyPointIsRefused) {
    for (uint32_t compression : {1u, 7u}) {
        const std::vector<uint8_t> whole = WriteFixtureDNG(Base(compression, true));
        for (size_t length = 0; length < whole.size(); length += 29) {
            SCOPED_TRACE(length);
            BadFormatReason(std::vector<uint8_t>(whole.begin(), whole.begin() + length));
        }
    }
}

TEST(Malformed, StripOffsetPastTheEnd) {
    std::vector<uint8_t> bytes = WriteFixtureDNG(Base());
    Put32(bytes, EntryOf(bytes, 273) + 8, static_cast<uint32_t>(bytes.size()) - 10);
    EXPECT_NE(BadFormatReason(bytes).find("outside the file"), std::string::npos);
}

TEST(Malformed, ZeroLengthStrip) {
    std::vector<uint8_t> bytes = WriteFixtureDNG(Base());
    Put32(bytes, EntryOf(bytes, 279) + 8, 0);
    EXPECT_NE(BadFormatReason(bytes).find("no data"), std::string::npos);
}

TEST(Malformed, DirectoryLoop) {
    FixtureOptions options = Base();
    options.rawInSubIFD = true;
    std::vector<uint8_t> bytes = WriteFixtureDNG(options);
    // The sub-IFD link of IFD 0 pointing back at IFD 0.
    Put32(bytes, EntryOf(bytes, 330) + 8, Get32(bytes, 4));
    EXPECT_NE(BadFormatReason(bytes).find("loop"), std::string::npos);
}

TEST(Malformed, HugeDimensionsWithLittleDataAllocateNothing) {
    for (uint16_t tag : {256, 257}) {
        std::vector<uint8_t> bytes = WriteFixtureDNG(Base());
        Put32(bytes, EntryOf(bytes, tag) + 8, 60000);
        // Rows per strip follow the length, so the strip count still fits; the data does not.
        Put32(bytes, EntryOf(bytes, 278) + 8, 60000);
        const std::string reason = BadFormatReason(bytes);
        EXPECT_TRUE(reason.find("too short") != std::string::npos || reason.find("crop") != std::string::npos ||
                    reason.find("too large") != std::string::npos)
            << reason;
    }
    std::vector<uint8_t> bytes = WriteFixtureDNG(Base());
    Put32(bytes, EntryOf(bytes, 256) + 8, 70000);
    EXPECT_NE(BadFormatReason(bytes).find("out of range"), std::string::npos);
}

TEST(Malformed, TileCountNotMatchingTheImage) {
    std::vector<uint8_t> bytes = WriteFixtureDNG(Base(1, true));
    Put32(bytes, EntryOf(bytes, 322) + 8, 8);  // tile width 8 needs twice the tiles
    EXPECT_NE(BadFormatReason(bytes).find("count"), std::string::npos);
}

TEST(Malformed, BadLosslessJPEGStreams) {
    const std::vector<uint8_t> good = WriteFixtureDNG(Base(7));
    const size_t data = Get32(good, EntryOf(good, 273) + 8);
    auto find = [&](uint8_t marker) {
        for (size_t i = data; i + 1 < good.size(); ++i)
            if (good[i] == 0xFF && good[i + 1] == marker) return i;
        return size_t(0);
    };
    std::vector<uint8_t> notLossless = good;
    notLossless[find(0xC3) + 1] = 0xC1;
    EXPECT_NE(BadFormatReason(notLossless).find("not lossless"), std::string::npos);

    std::vector<uint8_t> noStart = good;
    noStart[data + 1] = 0x00;
    EXPECT_NE(BadFormatReason(noStart).find("start-of-image"), std::string::npos);

    std::vector<uint8_t> badPredictor = good;
    const size_t sos = find(0xDA);
    badPredictor[sos + 4 + 1 + 2] = 9;  // Ss after one component's two bytes
    EXPECT_NE(BadFormatReason(badPredictor).find("predictor"), std::string::npos);

    std::vector<uint8_t> wrongSize = good;
    const size_t sof = find(0xC3);
    wrongSize[sof + 5] = 0;  // lines 20 -> 7
    wrongSize[sof + 6] = 7;
    EXPECT_NE(BadFormatReason(wrongSize).find("does not match"), std::string::npos);

    std::vector<uint8_t> overfull = good;
    const size_t dht = find(0xC4);
    overfull[dht + 5 + 1] = 5;  // five codes of length 1
    EXPECT_NE(BadFormatReason(overfull).find("Huffman"), std::string::npos);

    // Entropy data cut short: the strip's byte count keeps only the headers and a few bytes.
    std::vector<uint8_t> cut = good;
    Put32(cut, EntryOf(cut, 279) + 8, static_cast<uint32_t>(sos - data + 20));
    const std::string reason = BadFormatReason(cut);
    EXPECT_TRUE(reason.find("ends early") != std::string::npos || reason.find("too short") != std::string::npos)
        << reason;
}

TEST(Malformed, OpcodeListThatDoesNotEndAtItsTagEnd) {
    FixtureOptions options = Base();
    std::vector<uint8_t> list = OpcodeListBytes({{99, 0x01030000, 1, {1, 2, 3}}});
    list.push_back(0);
    options.opcodeList[1] = list;
    EXPECT_NE(BadFormatReason(WriteFixtureDNG(options)).find("Opcode list"), std::string::npos);
    options.opcodeList[1] = OpcodeListBytes({{1, 0x01030000, 1, {0, 0, 0, 9}}});
    EXPECT_NE(BadFormatReason(WriteFixtureDNG(options)).find("WarpRectilinear"), std::string::npos);
}

TEST(Malformed, NotATIFFAtAll) {
    EXPECT_NE(BadFormatReason({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}).find("byte-order"), std::string::npos);
    EXPECT_NE(BadFormatReason({'I', 'I'}).find("too short"), std::string::npos);
}

}  // namespace
