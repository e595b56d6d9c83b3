#include <gtest/gtest.h>

#include "dng/dng_host.h"
#include "dng/dng_negative.h"

namespace {

struct Sizes {
    uint32 minimum, preferred, maximum;
};

Sizes Validated(Sizes in) {
    dng_host host;
    host.SetMinimumSize(in.minimum);
    host.SetPreferredSize(in.preferred);
    host.SetMaximumSize(in.maximum);
    host.ValidateSizes();
    return {host.MinimumSize(), host.PreferredSize(), host.MaximumSize()};
}

void ExpectSizes(Sizes in, Sizes out) {
    const Sizes got = Validated(in);
    EXPECT_EQ(got.minimum, out.minimum) << in.minimum << " " << in.preferred << " " << in.maximum;
    EXPECT_EQ(got.preferred, out.preferred) << in.minimum << " " << in.preferred << " " << in.maximum;
    EXPECT_EQ(got.maximum, out.maximum) << in.minimum << " " << in.preferred << " " << in.maximum;
}

TEST(Host, ValidateSizes) {
    ExpectSizes({0, 0, 0}, {0, 0, 0});           // the program: full size everywhere
    ExpectSizes({0, 0, 1024}, {980, 1024, 1024});  // preferred takes the maximum
    ExpectSizes({0, 256, 0}, {160, 256, 0});
    ExpectSizes({0, 300, 0}, {300, 300, 0});
    ExpectSizes({0, 2048, 1500}, {1470, 1500, 1500});
    ExpectSizes({900, 500, 0}, {500, 500, 0});
}

TEST(Host, FreshNegativeFromTheFactory) {
    dng_host host;
    auto negative = host.Make_dng_negative();
    EXPECT_EQ(negative->fResultScale, 1.0);
    EXPECT_EQ(negative->Stage1Image(), nullptr);
    EXPECT_EQ(negative->Stage2Image(), nullptr);
    EXPECT_EQ(negative->Stage3Image(), nullptr);
    EXPECT_EQ(negative->RawImage(), nullptr);
    EXPECT_EQ(negative->WhiteLevel(0), 65535u);
    EXPECT_TRUE(host.NeedsMeta());
    EXPECT_FALSE(host.ForPreview());
    EXPECT_EQ(host.SaveDNGVersion(), 0u);
}

}  // namespace
