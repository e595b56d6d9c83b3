#include "dng/dng_memory.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dng/dng_exceptions.h"
#include "engine/parallel_run.h"

namespace {

// Blocks from this size on are cleared on all cores, a piece of this size each.
constexpr uint64 kParallelClearBytes = uint64(4) << 20;
constexpr uint64 kClearPieceBytes = uint64(1) << 20;

// Clearing a fresh block also maps its pages, which on one core takes as long as filling it.
void ClearBlock(uint8* block, uint64 bytes) {
    if (bytes < kParallelClearBytes) {
        std::memset(block, 0, bytes);
        return;
    }
    const int pieces = int((bytes + kClearPieceBytes - 1) / kClearPieceBytes);
    engine::RunRowBands(pieces, 1, [&](int first, int, int) {
        const uint64 start = uint64(first) * kClearPieceBytes;
        std::memset(block + start, 0, std::min(kClearPieceBytes, bytes - start));
    });
}

}  // namespace

std::unique_ptr<uint8[]> dng_memory_allocator::Allocate(uint64 count, uint64 elementSize) {
    if (elementSize != 0 && count > kMaxBlockBytes / elementSize) ThrowMemoryFull("Memory block too large");
    const uint64 bytes = count * elementSize;
    try {
        std::unique_ptr<uint8[]> block(new uint8[bytes == 0 ? 1 : bytes]);
        ClearBlock(block.get(), bytes == 0 ? 1 : bytes);
        return block;
    } catch (const std::bad_alloc&) {
        ThrowMemoryFull();
    }
}

dng_memory_allocator& gDefaultDNGMemoryAllocator() {
    static dng_memory_allocator allocator;
    return allocator;
}
