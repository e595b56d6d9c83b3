// Large blocks are cleared and copied in pieces on several threads; every
// byte must still be reached, whatever the size and the number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "dng/dng_memory.h"
#include "platform/parallel_run.h"

namespace {

struct BlockCase {
    uint64 bytes;
    int threads;
};

class LargeBlocks : public ::testing::TestWithParam<BlockCase> {
protected:
    void TearDown() override { platform::SetWorkerCount(0); }
};

TEST_P(LargeBlocks, AllocatedBlocksAreZeroEvenWhereMemoryIsReused) {
    const BlockCase& c = GetParam();
    platform::SetWorkerCount(c.threads);
    dng_memory_allocator allocator;
    // A freed block filled with a pattern is likely handed out again.
    for (int round = 0; round < 3; ++round) {
        std::unique_ptr<uint8[]> block = allocator.Allocate(c.bytes, 1);
        const uint8* first = block.get();
        const uint8* end = first + std::max<uint64>(c.bytes, 1);
        ASSERT_EQ(std::find_if(first, end, [](uint8 b) { return b != 0; }), end) << "round " << round;
        std::memset(block.get(), 0xA5, std::max<uint64>(c.bytes, 1));
    }
}

TEST_P(LargeBlocks, CopiesReachEveryByteAndNoMore) {
    const BlockCase& c = GetParam();
    platform::SetWorkerCount(c.threads);
    std::vector<uint8> from(c.bytes);
    for (uint64 i = 0; i < c.bytes; ++i) from[i] = uint8(i * 131 + (i >> 16));
    // One guard byte past the end must stay as it was.
    std::vector<uint8> to(c.bytes + 1, 0x3C);
    CopyBlock(to.data(), from.data(), c.bytes);
    EXPECT_TRUE(std::equal(from.begin(), from.end(), to.begin()));
    EXPECT_EQ(to.back(), 0x3C);
}

// Around the size from which the work is split, and pieces that do not divide the size.
INSTANTIATE_TEST_SUITE_P(Sizes, LargeBlocks,
                         ::testing::Values(BlockCase{0, 4}, BlockCase{1, 4}, BlockCase{(uint64(4) << 20) - 1, 8},
                                           BlockCase{uint64(4) << 20, 8}, BlockCase{(uint64(4) << 20) + 3, 3},
                                           BlockCase{(uint64(9) << 20) + 12345, 5},
                                           BlockCase{(uint64(9) << 20) + 12345, 1}));

}  // namespace
