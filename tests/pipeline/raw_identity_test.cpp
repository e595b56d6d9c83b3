#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "dng_test_support.h"
#include "fixture_writer.h"
#include "pipeline/raw_bit_depth.h"
#include "pipeline/raw_data_unique_id.h"

namespace {

TEST(RawDataUniqueIDTest, SixteenTextBytesOfANewUUID) {
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        const dng_fingerprint id = pipeline::NewRawDataUniqueID();
        const std::string text(reinterpret_cast<const char*>(id.data), 16);
        for (int k = 0; k < 16; ++k) {
            const char c = text[k];
            if (k == 8 || k == 13) {
                EXPECT_EQ(c, '-') << text;
            } else {
                EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c)) && !std::isupper(static_cast<unsigned char>(c)))
                    << text;
            }
        }
        // Version 4 UUIDs: the third group starts with its version digit.
        EXPECT_EQ(text[14], '4') << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 50u);
}

struct DepthCase {
    const char* label;
    uint32_t bits;
    bool rawInSubIFD;
    bool previewInIFD0;
    bool eightBit;
};

class EightBitRawTest : public testing::TestWithParam<DepthCase> {};

TEST_P(EightBitRawTest, JudgedByTheFirstSubIFD) {
    const DepthCase& c = GetParam();
    FixtureOptions options;
    options.width = 10;
    options.height = 6;
    options.bits = c.bits;
    options.rawInSubIFD = c.rawInSubIFD;
    if (c.previewInIFD0) {
        FixturePreview preview;
        preview.inIFD0 = true;
        options.previews.push_back(preview);
    }
    options.samples = PatternSamples(options.width, options.height, 1, c.bits);
    options.whiteLevel = {(1u << c.bits) - 1};
    const auto dng = LoadDNG(WriteFixtureDNG(options), false);
    EXPECT_EQ(pipeline::HasEightBitRaw(dng->info), c.eightBit);
}

INSTANTIATE_TEST_SUITE_P(Layouts, EightBitRawTest,
                         testing::Values(DepthCase{"EightInSubIFD", 8, true, false, true},
                                         DepthCase{"EightBehindAPreview", 8, false, true, true},
                                         DepthCase{"TwelveInSubIFD", 12, true, false, false},
                                         DepthCase{"SixteenBehindAPreview", 16, false, true, false},
                                         // No IFD 1 at all: counts as not 8-bit.
                                         DepthCase{"EightInIFD0", 8, false, false, false}),
                         [](const testing::TestParamInfo<DepthCase>& info) { return info.param.label; });

}  // namespace
