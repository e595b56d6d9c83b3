#pragma once
#include "dng/dng_types.h"

// Byte order of the numbers read from a view.
enum class dng_byte_order { little, big };

// Read-only window on untrusted bytes owned elsewhere, with their byte order.
// Every read and every part cut out of it is checked against its size; one
// that does not fit throws the end-of-file dng_exception naming the offset,
// the count and the size. Offsets and counts are 64-bit and compared by
// subtraction, so no sum can wrap past the end.
class dng_byte_view {
public:
    dng_byte_view() = default;
    // The `size` bytes at `data`, which must outlive the view and every part of it.
    dng_byte_view(const uint8* data, uint64 size, dng_byte_order order = dng_byte_order::big)
        : fData(data), fSize(size), fOrder(order) {}

    uint64 Size() const { return fSize; }
    dng_byte_order Order() const { return fOrder; }
    bool BigEndian() const { return fOrder == dng_byte_order::big; }
    // The same bytes read in `order`.
    dng_byte_view WithOrder(dng_byte_order order) const { return dng_byte_view(fData, fSize, order); }

    // True when `count` bytes at `offset` lie inside the view.
    bool Contains(uint64 offset, uint64 count) const { return offset <= fSize && count <= fSize - offset; }

    // The `count` bytes at `offset` in the same order; throws when they do not fit.
    dng_byte_view Sub(uint64 offset, uint64 count) const {
        Check(offset, count);
        return dng_byte_view(fData + offset, count, fOrder);
    }
    // Everything from `offset` on; throws when `offset` is past the end.
    dng_byte_view From(uint64 offset) const {
        Check(offset, 0);
        return dng_byte_view(fData + offset, fSize - offset, fOrder);
    }

    // Numbers at `offset` in the view's order; each throws when it does not fit.
    uint8 U8(uint64 offset) const {
        Check(offset, 1);
        return fData[offset];
    }
    uint16 U16(uint64 offset) const {
        Check(offset, 2);
        const uint8* p = fData + offset;
        return BigEndian() ? uint16(p[0] << 8 | p[1]) : uint16(p[1] << 8 | p[0]);
    }
    uint32 U32(uint64 offset) const {
        Check(offset, 4);
        const uint8* p = fData + offset;
        return BigEndian() ? uint32(p[0]) << 24 | uint32(p[1]) << 16 | uint32(p[2]) << 8 | p[3]
                           : uint32(p[3]) << 24 | uint32(p[2]) << 16 | uint32(p[1]) << 8 | p[0];
    }
    // True when the view holds `count` bytes at `offset` equal to `bytes`.
    bool Matches(uint64 offset, const void* bytes, uint64 count) const;
    // Throws when `count` bytes at `offset` do not fit.
    void Check(uint64 offset, uint64 count) const {
        if (!Contains(offset, count)) ThrowPastEnd(offset, count);
    }

private:
    [[noreturn]] void ThrowPastEnd(uint64 offset, uint64 count) const;

    const uint8* fData = nullptr;
    uint64 fSize = 0;
    dng_byte_order fOrder = dng_byte_order::big;
};

// Reads a view front to back: every read advances the position and is
// checked like the view's own.
class dng_byte_reader {
public:
    explicit dng_byte_reader(dng_byte_view view) : fView(view) {}

    uint64 Position() const { return fPosition; }
    uint64 Remaining() const { return fView.Size() - fPosition; }

    // The byte `ahead` bytes past the position, which stays.
    uint8 Peek8(uint64 ahead = 0) const { return fView.U8(fPosition + ahead); }
    uint8 Next8() { return fView.U8(Advance(1)); }
    uint16 Next16() { return fView.U16(Advance(2)); }
    uint32 Next32() { return fView.U32(Advance(4)); }
    // Moves `count` bytes on; throws when fewer remain.
    void Skip(uint64 count) {
        fView.Check(fPosition, count);
        fPosition += count;
    }
    // The next `count` bytes as a view of their own; throws when fewer remain.
    dng_byte_view Take(uint64 count) { return fView.Sub(Advance(count), count); }

private:
    // The position before a read of `count` bytes, which moves it only when they fit.
    uint64 Advance(uint64 count) {
        const uint64 at = fPosition;
        if (fView.Contains(at, count)) fPosition += count;
        return at;
    }

    dng_byte_view fView;
    uint64 fPosition = 0;
};
