// The checked byte view: limits near 2^32 and 2^64, parts of parts, both byte orders, the
// sequential reader, and the lossless-JPEG header's segments cut out through it.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <tuple>
#include <vector>

#include "dng/dng_byte_view.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_lossless_jpeg.h"
#include "ljpeg_encoder.h"

namespace {

constexpr uint64 kMax64 = std::numeric_limits<uint64>::max();
const uint8 kBytes[10] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19};

TEST(ByteView, PartsFitOnlyInsideTheViewWhateverTheSumWrapsTo) {
    // (offset, count, fits) on a 10-byte view; the sums of the last ones wrap past 2^32 or 2^64
    // to a small value that a summed bound would let through.
    const std::tuple<uint64, uint64, bool> cases[] = {
        {0, 10, true},           {10, 0, true},          {9, 1, true},         {0, 0, true},
        {0, 11, false},          {10, 1, false},         {11, 0, false},       {9, 2, false},
        {0xFFFFFFFF, 2, false},  {0xFFFFFFFE, 4, false}, {2, 0xFFFFFFFF, false}, {0x100000000, 0, false},
        {kMax64, 2, false},      {5, kMax64 - 3, false}, {kMax64, 0, false},   {1, kMax64, false},
    };
    const dng_byte_view view(kBytes, sizeof kBytes);
    for (const auto& [offset, count, fits] : cases) {
        SCOPED_TRACE(testing::Message() << offset << " + " << count);
        EXPECT_EQ(view.Contains(offset, count), fits);
        if (fits) {
            const dng_byte_view part = view.Sub(offset, count);
            EXPECT_EQ(part.Size(), count);
            if (count) {
                EXPECT_EQ(part.U8(0), kBytes[offset]);
            }
            EXPECT_EQ(view.From(offset).Size(), 10 - offset);
        } else {
            EXPECT_THROW(view.Sub(offset, count), dng_exception);
        }
    }
}

TEST(ByteView, PartOfAPartIsBoundedByItsOwnSizeAndOffset) {
    const dng_byte_view outer(kBytes, sizeof kBytes, dng_byte_order::little);
    const dng_byte_view inner = outer.Sub(3, 5);  // bytes 3..7
    const dng_byte_view innermost = inner.Sub(1, 3);  // bytes 4..6
    EXPECT_EQ(inner.U8(4), 0x17);
    EXPECT_EQ(innermost.U8(2), 0x16);
    EXPECT_EQ(innermost.U16(1), 0x1615);
    EXPECT_EQ(innermost.Order(), dng_byte_order::little);
    // The outer view still holds the bytes just past each part; the part must refuse them.
    EXPECT_THROW(inner.U8(5), dng_exception);
    EXPECT_THROW(innermost.U16(2), dng_exception);
    EXPECT_THROW(inner.Sub(2, 4), dng_exception);
    EXPECT_EQ(inner.From(5).Size(), 0u);
    EXPECT_THROW(inner.From(6), dng_exception);
}

TEST(ByteView, NumbersReadInTheViewsByteOrderAtTheirOffset) {
    // (order, 16-bit at 1, 32-bit at 1, 32-bit at 6)
    const std::tuple<dng_byte_order, uint16, uint32, uint32> cases[] = {
        {dng_byte_order::little, 0x1211, 0x14131211, 0x19181716},
        {dng_byte_order::big, 0x1112, 0x11121314, 0x16171819},
    };
    for (const auto& [order, at1, wide1, wide6] : cases) {
        const dng_byte_view view = dng_byte_view(kBytes, sizeof kBytes).WithOrder(order);
        EXPECT_EQ(view.U16(1), at1);
        EXPECT_EQ(view.U32(1), wide1);
        EXPECT_EQ(view.U32(6), wide6);
        EXPECT_EQ(view.Sub(5, 4).U32(0), view.U32(5));
    }
    const uint8 high[4] = {0xFF, 0xFE, 0x80, 0x01};
    EXPECT_EQ(dng_byte_view(high, 4, dng_byte_order::big).U32(0), 0xFFFE8001u);
    EXPECT_EQ(dng_byte_view(high, 4, dng_byte_order::little).U32(0), 0x0180FEFFu);
}

TEST(ByteView, ReadsPastTheEndThrowTheEndOfFileErrorNamingTheRead) {
    const dng_byte_view view(kBytes, 5);
    // (width of the read, offset)
    const std::tuple<int, uint64> cases[] = {{1, 5}, {2, 4}, {4, 2}, {4, 0xFFFFFFFF}, {2, kMax64}, {1, kMax64}};
    for (const auto& [width, offset] : cases) {
        SCOPED_TRACE(testing::Message() << width << " at " << offset);
        try {
            if (width == 1) view.U8(offset);
            if (width == 2) view.U16(offset);
            if (width == 4) view.U32(offset);
            ADD_FAILURE() << "read past the end returned";
        } catch (const dng_exception& e) {
            EXPECT_EQ(e.ErrorCode(), dng_error_end_of_file);
            EXPECT_EQ(std::string(e.what()), "Read of " + std::to_string(width) + " bytes at offset " +
                                                 std::to_string(offset) + " runs past the end of a 5-byte view");
        }
    }
    EXPECT_THROW(dng_byte_view().U8(0), dng_exception);
}

TEST(ByteView, MatchesComparesOnlyBytesInsideTheView) {
    const dng_byte_view view(kBytes, 4);
    const uint8 tail[2] = {0x12, 0x13};
    EXPECT_TRUE(view.Matches(2, tail, 2));
    EXPECT_FALSE(view.Matches(1, tail, 2));
    EXPECT_FALSE(dng_byte_view(kBytes, 3).Matches(2, tail, 2));  // the second byte lies past the end
    EXPECT_TRUE(view.Matches(4, tail, 0));
}

TEST(ByteReader, ReadsAdvanceAndAFailedReadLeavesThePosition) {
    dng_byte_reader reader(dng_byte_view(kBytes, 9, dng_byte_order::big));
    EXPECT_EQ(reader.Next8(), 0x10);
    EXPECT_EQ(reader.Next16(), 0x1112);
    EXPECT_EQ(reader.Peek8(1), 0x14);
    const dng_byte_view part = reader.Take(2);
    EXPECT_EQ(part.U16(0), 0x1314);
    EXPECT_EQ(reader.Position(), 5u);
    EXPECT_EQ(reader.Next32(), 0x15161718u);
    EXPECT_THROW(reader.Next32(), dng_exception);
    EXPECT_EQ(reader.Position(), 9u);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_THROW(reader.Skip(1), dng_exception);
    EXPECT_THROW(reader.Take(kMax64), dng_exception);
    EXPECT_EQ(reader.Position(), 9u);
}

// Offset of the length bytes of the first segment with `marker` in a lossless JPEG stream.
size_t SegmentLength(const std::vector<uint8>& stream, uint8 marker) {
    for (size_t i = 2; i + 3 < stream.size(); i += 2 + (stream[i + 2] << 8 | stream[i + 3]))
        if (stream[i] == 0xFF && stream[i + 1] == marker) return i + 2;
    ADD_FAILURE() << "no marker " << int(marker);
    return 0;
}

TEST(LosslessJPEGHeader, AFieldPastItsSegmentsDeclaredLengthIsRefused) {
    LJpegParams params;
    params.width = 6;
    params.height = 3;
    params.precision = 12;
    const std::vector<uint8> good = EncodeLosslessJPEG(params, std::vector<uint16>(18, 700));
    // (marker, declared length, message): each segment ends before its fields do, while the
    // stream goes on, so only the segment's own length can stop the read.
    const std::tuple<uint8, uint16, const char*> cases[] = {
        {0xC4, 2 + 5, "Lossless JPEG: bad Huffman table size"},
        {0xC4, 2 + 17, "Lossless JPEG: bad Huffman table size"},
        {0xC3, 2 + 4, "Lossless JPEG: bad frame header length"},
        {0xC3, 2 + 8, "Lossless JPEG: bad frame header length"},
        {0xDA, 2 + 3, "Lossless JPEG: bad scan header length"},
    };
    for (const auto& [marker, length, message] : cases) {
        SCOPED_TRACE(message);
        std::vector<uint8> damaged = good;
        const size_t at = SegmentLength(damaged, marker);
        damaged[at] = uint8(length >> 8);
        damaged[at + 1] = uint8(length);
        dng_lossless_decoder decoder(dng_byte_view(damaged.data(), damaged.size()));
        try {
            decoder.ReadHeader();
            ADD_FAILURE() << "header accepted";
        } catch (const dng_exception& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    dng_lossless_decoder decoder(dng_byte_view(good.data(), good.size()));
    EXPECT_EQ(decoder.ReadHeader().Samples(), 18u);
}

}  // namespace
