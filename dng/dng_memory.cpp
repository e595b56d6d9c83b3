#include "dng/dng_memory.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dng/dng_exceptions.h"
#include "platform/parallel_run.h"

namespace {

// Blocks from this size on are cleared and copied on all cores, a piece of this size each:
// on one core, mapping a fresh block's pages takes as long as filling them.
constexpr uint64 kParallelBytes = uint64(4) << 20;
constexpr uint64 kPieceBytes = uint64(1) << 20;

// Runs `piece(start, bytes)` over a block cut into pieces, on all cores when it is large.
template <class Piece>
void ForEachPiece(uint64 bytes, const Piece& piece) {
    if (bytes < kParallelBytes) {
        piece(0, bytes);
        return;
    }
    const int pieces = int((bytes + kPieceBytes - 1) / kPieceBytes);
    platform::RunRowBands(pieces, 1, [&](int first, int, int) {
        const uint64 start = uint64(first) * kPieceBytes;
        piece(start, std::min(kPieceBytes, bytes - start));
    });
}

}  // namespace

std::unique_ptr<uint8[]> dng_memory_allocator::Allocate(uint64 count, uint64 elementSize) {
    if (elementSize != 0 && count > kMaxBlockBytes / elementSize) ThrowMemoryFull("Memory block too large");
    const uint64 bytes = count * elementSize;
    try {
        std::unique_ptr<uint8[]> block(new uint8[bytes == 0 ? 1 : bytes]);
        uint8* start = block.get();
        ForEachPiece(bytes == 0 ? 1 : bytes, [&](uint64 at, uint64 size) { std::memset(start + at, 0, size); });
        return block;
    } catch (const std::bad_alloc&) {
        ThrowMemoryFull();
    }
}

dng_memory_allocator& gDefaultDNGMemoryAllocator() {
    static dng_memory_allocator allocator;
    return allocator;
}

void CopyBlock(uint8* to, const uint8* from, uint64 bytes) {
    // An empty image may have no pixel memory at all.
    if (bytes == 0) return;
    ForEachPiece(bytes, [&](uint64 at, uint64 size) { std::memcpy(to + at, from + at, size); });
}
