#include <gtest/gtest.h>

#include "dng/dng_host.h"

namespace {

TEST(Host, ValidateSizes) {
    struct Sizes {
        uint32 minimum, preferred, maximum;
    };
    const struct {
        Sizes in, out;
    } cases[] = {
        {{0, 0, 0}, {0, 0, 0}},  // the program: full size everywhere
        {{0, 0, 1024}, {980, 1024, 1024}},  // preferred takes the maximum
        {{0, 256, 0}, {160, 256, 0}},
        {{0, 300, 0}, {300, 300, 0}},
        {{0, 2048, 1500}, {1470, 1500, 1500}},
        {{900, 500, 0}, {500, 500, 0}},
    };
    for (const auto& c : cases) {
        dng_host host;
        host.SetMinimumSize(c.in.minimum);
        host.SetPreferredSize(c.in.preferred);
        host.SetMaximumSize(c.in.maximum);
        host.ValidateSizes();
        SCOPED_TRACE(::testing::Message() << c.in.minimum << " " << c.in.preferred << " " << c.in.maximum);
        EXPECT_EQ(host.MinimumSize(), c.out.minimum);
        EXPECT_EQ(host.PreferredSize(), c.out.preferred);
        EXPECT_EQ(host.MaximumSize(), c.out.maximum);
    }
}

}  // namespace
