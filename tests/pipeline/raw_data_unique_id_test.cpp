#include "pipeline/raw_data_unique_id.h"

#include <gtest/gtest.h>

#include <set>

#include "unique_id_form.h"

namespace {

TEST(RawDataUniqueIDTest, SixteenTextBytesOfANewUUID) {
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        const dng_fingerprint id = pipeline::NewRawDataUniqueID();
        const std::string text = pipelinetest::IDText(id);
        EXPECT_TRUE(pipelinetest::HasUniqueIDForm(id)) << text;
        // Version 4 UUIDs: the third group starts with its version digit.
        EXPECT_EQ(text[14], '4') << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 50u);
}

// The form check itself, so that a broken check cannot pass every ID.
TEST(RawDataUniqueIDTest, TheFormCheckRefusesNearMisses) {
    const auto id = [](const char* text) {
        dng_fingerprint f;
        for (int k = 0; k < 16; ++k) f.data[k] = uint8_t(text[k]);
        return f;
    };
    EXPECT_TRUE(pipelinetest::HasUniqueIDForm(id("0a1b2c3d-4e5f-47")));
    EXPECT_FALSE(pipelinetest::HasUniqueIDForm(id("0A1B2C3D-4E5F-47")));
    EXPECT_FALSE(pipelinetest::HasUniqueIDForm(id("0a1b2c3d4-e5f-47")));
    EXPECT_FALSE(pipelinetest::HasUniqueIDForm(id("0a1b2c3d-4e5f-4g")));
}

}  // namespace
