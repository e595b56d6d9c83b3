#include <gtest/gtest.h>

#include <cctype>
#include <set>

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

}  // namespace
