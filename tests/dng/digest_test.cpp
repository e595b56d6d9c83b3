// Raw-image digest: computed over the samples as the tag defines it, and enforced on read.
#include <gtest/gtest.h>

#include <cstring>

#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "fixture_writer.h"

namespace {

// Offset of the 16 digest bytes in a fixture (the only 16-byte BYTE tag it writes).
size_t DigestOffset(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& digest) {
    for (size_t i = 0; i + 16 <= bytes.size(); ++i)
        if (std::memcmp(&bytes[i], digest.data(), 16) == 0) return i;
    return 0;
}

int LoadError(const std::vector<uint8_t>& bytes) {
    try {
        LoadDNG(bytes);
    } catch (const dng_exception& e) {
        return e.ErrorCode();
    }
    return 0;
}

TEST(Digest, OneFlippedRawByteFailsValidation) {
    FixtureOptions options;
    options.width = 16;
    options.height = 4;
    options.samples = PatternSamples(16, 4, 1, 16);
    std::vector<uint8_t> bytes = WriteFixtureDNG(options);
    ASSERT_EQ(LoadError(bytes), 0);
    bytes[8 + 37] ^= 0x01;  // the raw strip starts right after the header
    EXPECT_EQ(LoadError(bytes), dng_error_bad_format);
}

TEST(Digest, KnownHarmlessCorruptionsAreTolerated) {
    FixtureOptions options;
    options.samples = PatternSamples(options.width, options.height, 1, 16);
    const std::vector<uint8_t> digest = RawDigest(options.samples);
    const std::vector<uint8_t> good = WriteFixtureDNG(options);
    const size_t at = DigestOffset(good, digest);
    ASSERT_NE(at, 0u);

    std::vector<uint8_t> firstWordWrong = good;
    firstWordWrong[at] ^= 0xFF;
    EXPECT_EQ(LoadError(firstWordWrong), 0);

    std::vector<uint8_t> knownPrefix = good;
    const uint8_t prefix[16] = {8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::memcpy(&knownPrefix[at], prefix, 16);
    EXPECT_EQ(LoadError(knownPrefix), 0);

    std::vector<uint8_t> tailWrong = good;
    tailWrong[at + 15] ^= 0x10;
    EXPECT_EQ(LoadError(tailWrong), dng_error_bad_format);
}

TEST(Digest, FileWithoutDigestIsNotChecked) {
    FixtureOptions options;
    options.writeDigest = false;
    options.samples = PatternSamples(options.width, options.height, 1, 16);
    std::vector<uint8_t> bytes = WriteFixtureDNG(options);
    bytes[8] ^= 0xFF;
    EXPECT_EQ(LoadError(bytes), 0);
}

}  // namespace
