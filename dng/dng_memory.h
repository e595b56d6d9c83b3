#pragma once
#include <cstddef>
#include <memory>

#include "dng/dng_types.h"

// Source of large blocks. The default keeps to the C++ heap; a failed or
// oversized request ends in the layer's memory-full error, never a null block.
class dng_memory_allocator {
public:
    virtual ~dng_memory_allocator() = default;
    // Zero-initialised block of `count` elements of `elementSize` bytes.
    virtual std::unique_ptr<uint8[]> Allocate(uint64 count, uint64 elementSize);

    // Largest block handed out; keeps a damaged size field from exhausting memory.
    static constexpr uint64 kMaxBlockBytes = uint64(4) << 30;
};

dng_memory_allocator& gDefaultDNGMemoryAllocator();

// memcpy of `bytes` between blocks that do not overlap, on all cores when large.
void CopyBlock(uint8* to, const uint8* from, uint64 bytes);

// Owning holder of one object.
template <class T>
using AutoPtr = std::unique_ptr<T>;
