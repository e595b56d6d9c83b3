#include <gtest/gtest.h>

#include <functional>

#include "dng_test_support.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "platform/message_box.h"
#include "tests/support/tiff_edits.h"
#include "workflow_fixture.h"

namespace {

using pipeline::HeadlessWindow;
using pipelinetest::MosaicFixture;

using Damage = std::function<std::vector<uint8_t>(std::vector<uint8_t>)>;

struct DamageCase {
    const char* name;
    uint32_t compression;
    Damage damage;
};

// Middle of the first raw strip, which follows the 8-byte header.
constexpr std::size_t kRawMiddle = 8 + 300;

class DamagedDNG : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedDNG, ShowsThePreviewFailureOnceAndTheNextPhotoOpens) {
    const DamageCase& c = GetParam();
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    FixtureOptions fixture = MosaicFixture(40, 30, "Nikon D800");
    fixture.compression = c.compression;
    const std::string bad = folder.File("bad.dng");
    test_support::WriteFileBytes(bad, c.damage(WriteFixtureDNG(fixture)));
    const std::string good = pipelinetest::WriteFixtureFile(folder, "good.dng", MosaicFixture(40, 30, "Nikon D800"));

    EXPECT_TRUE(convert.ProcessDNG(bad, "bad.dng")) << "the camera was accepted; the open reports its own failure";
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, "Whoa... that's a bug...\n\nFailed to process this DNG into a preview...");
    EXPECT_EQ(window.messages[0].caption, "Oops");
    EXPECT_EQ(window.messages[0].flags, unsigned(platform::MB_ICONWARNING));
    EXPECT_FALSE(convert.HasOpenDNG());
    EXPECT_EQ(convert.RawCache, nullptr) << "a failed first load caches nothing";
    EXPECT_EQ(window.statusLabel.text, "Opening DNG...");

    EXPECT_TRUE(convert.ProcessDNG(good, "good.dng"));
    EXPECT_TRUE(convert.HasOpenDNG());
    EXPECT_EQ(window.messages.size(), 1u);
    ASSERT_NE(convert.RawCache, nullptr);
}

std::vector<uint8_t> FlipRawByte(std::vector<uint8_t> bytes) {
    bytes[kRawMiddle] ^= 0x01;
    return bytes;
}

// An end-of-image marker halfway through the compressed raw data.
std::vector<uint8_t> EndCompressedDataEarly(std::vector<uint8_t> bytes) {
    bytes[kRawMiddle / 4] = 0xFF;
    bytes[kRawMiddle / 4 + 1] = 0xD9;
    return bytes;
}

std::vector<uint8_t> DeflateCompression(std::vector<uint8_t> bytes) {
    return test_support::WithIfd0Short(std::move(bytes), 259, 8);
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedDNG,
                         ::testing::Values(DamageCase{"wrong_digest", 1, FlipRawByte},
                                           DamageCase{"truncated_compressed_data", 7, EndCompressedDataEarly},
                                           DamageCase{"unsupported_encoding", 1, DeflateCompression}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
