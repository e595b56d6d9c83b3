#include "dng/dng_memory.h"

#include <new>

#include "dng/dng_exceptions.h"

std::unique_ptr<uint8[]> dng_memory_allocator::Allocate(uint64 count, uint64 elementSize) {
    if (elementSize != 0 && count > kMaxBlockBytes / elementSize) ThrowMemoryFull("Memory block too large");
    const uint64 bytes = count * elementSize;
    try {
        return std::unique_ptr<uint8[]>(new uint8[bytes == 0 ? 1 : bytes]());
    } catch (const std::bad_alloc&) {
        ThrowMemoryFull();
    }
}

dng_memory_allocator& gDefaultDNGMemoryAllocator() {
    static dng_memory_allocator allocator;
    return allocator;
}
