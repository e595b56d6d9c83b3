#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "exif_builder.h"
#include "exiftool_listing.h"
#include "message_log.h"
#include "pipeline/jpgexif.h"
#include "platform/jpeg_image.h"
#include "table_reader.h"
#include "test_encoder.h"
#include "tests/support/test_files.h"

using pipeline::JPGExif;
using platform::Bitmap;
using platform::JpegImage;
using platform::PixelFormat;
using test_support::ReadFileBytes;
using test_support::TestData;
using E = ExifBuilder;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

namespace {

Bytes Photo(const std::string& name) { return ReadFileBytes(TestData("jpeg/" + name)); }

// What the workflow encodes for a photo: its pixels as a 24-bit bitmap at
// quality 100 (a grey photo carried in all three channels).
Bytes EncodeLikeTheWorkflow(const Bytes& photo) {
    JpegImage source;
    source.LoadFromMemory(photo.data(), photo.size());
    const Bitmap decoded = source.Decode();
    Bitmap colour(decoded.Width(), decoded.Height(), PixelFormat::pf24bit);
    for (int y = 0; y < decoded.Height(); ++y)
        for (int x = 0; x < decoded.Width(); ++x) colour.SetPixel(x, y, decoded.Pixel(x, y));
    JpegImage result;
    result.Compress(colour, 100);
    return result.Data();
}

Bytes EncodedGradient() {
    JpegImage img;
    img.Compress(GradientBitmap(40, 24, PixelFormat::pf24bit), 100);
    return img.Data();
}

// The first APP1 section holding EXIF, from its marker on.
Bytes ExifSectionOf(const Bytes& jpeg) {
    for (std::size_t at = 2; at + 10 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA;) {
        const std::size_t end = at + 2 + (std::size_t(jpeg[at + 2] << 8) | jpeg[at + 3]);
        if (jpeg[at + 1] == 0xE1 && std::string(jpeg.begin() + long(at) + 4, jpeg.begin() + long(at) + 8) == "Exif")
            return Bytes(jpeg.begin() + long(at), jpeg.begin() + long(end));
        at = end;
    }
    return {};
}

// A JPEG without its SOI and leading APP0.
Bytes AfterJfifHeader(const Bytes& jpeg) {
    EXPECT_EQ(jpeg.at(3), 0xE0);
    return Bytes(jpeg.begin() + long(4 + (std::size_t(jpeg.at(4) << 8) | jpeg.at(5))), jpeg.end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes JfifHeader(uint8_t units, uint16_t x, uint16_t y) {
    return {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01, units,
            uint8_t(x >> 8), uint8_t(x), uint8_t(y >> 8), uint8_t(y), 0x00, 0x00};
}

// Reads both tables from memory and writes the result file.
Bytes WriteResult(const Bytes& sourceFile, const Bytes& encoded) {
    test_support::TempFolder dir;
    JPGExif source, target;
    EXPECT_TRUE(ReadTable(source, sourceFile));
    EXPECT_TRUE(ReadTable(target, encoded));
    EXPECT_TRUE(source.WriteWithExif(dir.File("out.jpg"), target));
    return ReadFileBytes(dir.File("out.jpg"));
}

}  // namespace

class CameraPhotoSave : public ::testing::TestWithParam<const char*> {};

TEST_P(CameraPhotoSave, ExifBlockReplacesTheEncodersHeaderByteForByte) {
    MessageLog log;
    test_support::TempFolder dir;
    const std::string sourcePath = TestData(std::string("jpeg/") + GetParam());
    const std::string outPath = dir.File("saved.jpg");
    const Bytes photo = ReadFileBytes(sourcePath);
    const Bytes encoded = EncodeLikeTheWorkflow(photo);
    const Bytes exif = ExifSectionOf(photo);
    ASSERT_FALSE(exif.empty());

    JPGExif source, target;
    ASSERT_TRUE(ReadTable(source, photo));
    ASSERT_TRUE(ReadTable(target, encoded));
    ASSERT_TRUE(source.WriteWithExif(outPath, target));
    EXPECT_EQ(log.Texts(), Texts{});

    // SOI, the camera's EXIF APP1 where the JFIF APP0 stood, then the
    // encoder's tables, frame, scan header and scan data unchanged.
    EXPECT_EQ(ReadFileBytes(outPath), Concat({{0xFF, 0xD8}, exif, AfterJfifHeader(encoded)}));

    // libjpeg reads it as the encoder's picture.
    JpegImage reread, original;
    reread.LoadFromFile(outPath);
    original.LoadFromMemory(encoded.data(), encoded.size());
    const Bitmap a = reread.Decode();
    const Bitmap b = original.Decode();
    ASSERT_EQ(a.ByteSize(), b.ByteSize());
    EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + a.ByteSize(), b.Bits()));

    // exiftool finds the very same EXIF block, and no other metadata.
    const auto exiftoolExif = [](const std::string& path) {
        return test_support::RunCommand("exiftool -b -EXIF '" + path + "'");
    };
    const std::string block = exiftoolExif(sourcePath);
    ASSERT_FALSE(block.empty());
    EXPECT_TRUE(block == exiftoolExif(outPath));
    const std::vector<ListedSegment> segments = ListSegments(outPath);
    ASSERT_FALSE(segments.empty());
    EXPECT_EQ(segments[0].name, "APP1");
    EXPECT_EQ(segments[0].payloadSize + 4, int(exif.size()));
    for (std::size_t i = 1; i < segments.size(); ++i) EXPECT_EQ(segments[i].name.rfind("APP", 0), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(ExifFirstOrAfterJfif, CameraPhotoSave,
                         ::testing::Values("canon_eos_350d_rebel_xt_1728x1152.jpg",
                                           "canon_eos_5d_mark_iii_720x480_rotate90.jpg",
                                           "nikon_d5000_exif_xmp_icc.jpg", "canon_eos_350d_progressive.jpg",
                                           "greyscale_exif_xmp_icc.jpg"));

TEST(JPGExifWrite, OtherFirstSectionGetsAJfifHeaderFromTheExifResolution) {
    const Bytes encoded = EncodedGradient();
    const RawSection icc{0xE2, Payload("ICC_PROFILE not really a profile")};
    struct Case { const char* name; std::vector<E::Entry> entries; Bytes header; };
    const Case cases[] = {
        {"inches, 72 x 72", {E::Rational(0x011A, 72, 1), E::Rational(0x011B, 72, 1), E::Short(0x0128, 2)},
         JfifHeader(1, 72, 72)},
        {"centimetres, fractions cut off",
         {E::Rational(0x011A, 1181, 10), E::Rational(0x011B, 599, 10), E::Short(0x0128, 3)},
         JfifHeader(2, 118, 59)},
        {"no unit: the defaults", {E::Rational(0x011A, 72, 1)}, JfifHeader(1, 300, 300)},
        {"unit 1: the defaults", {E::Rational(0x011A, 72, 1), E::Short(0x0128, 1)}, JfifHeader(1, 300, 300)},
        {"beyond 16 bits", {E::Rational(0x011A, 1000000000, 1), E::Short(0x0128, 2)}, JfifHeader(1, 65535, 65535)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog log;
        ExifBuilder block(false);
        block.AddDirectory(c.entries);
        const Bytes exif = ExifPayload(block.Tiff());
        const Bytes written = WriteResult(WithLeadingSections(encoded, {icc, {0xE1, exif}}), encoded);
        EXPECT_EQ(written, Concat({{0xFF, 0xD8}, c.header, {0xFF, 0xE1}, WithLength(exif), AfterJfifHeader(encoded)}));
        EXPECT_EQ(log.Texts(), Texts{});
    }
}

TEST(JPGExifWrite, SourceWithoutExifLeavesTheEncoderOutputAlone) {
    MessageLog log;
    const Bytes encoded = EncodedGradient();
    const Bytes afterSoi(encoded.begin() + 2, encoded.end());
    // Starts with APP0 and has no EXIF block.
    EXPECT_EQ(WriteResult(Photo("cmyk_adobe.jpg"), encoded), encoded);
    // Starts with neither APP0 nor APP1: a default JFIF header comes first.
    EXPECT_EQ(WriteResult(AssembleJpeg({{0xDB, Bytes(65, 1)}}), encoded),
              Concat({{0xFF, 0xD8}, JfifHeader(1, 300, 300), afterSoi}));
    // The made-up header takes the fields of a later JFIF header of the source.
    const Bytes jfif = JfifHeader(2, 10, 20);
    const Bytes laterJfif =
        WithLeadingSections(encoded, {{0xE2, Payload("ICC_PROFILE")}, {0xE0, Bytes(jfif.begin() + 4, jfif.end())}});
    EXPECT_EQ(WriteResult(laterJfif, encoded), Concat({{0xFF, 0xD8}, jfif, afterSoi}));
    EXPECT_EQ(log.Texts(), Texts{});
}

TEST(JPGExifWrite, FailuresToWriteAreReported) {
    test_support::TempFolder dir;
    JPGExif source, target;
    ASSERT_TRUE(ReadTable(source, Photo("canon_eos_350d_rebel_xt_1728x1152.jpg")));
    ASSERT_TRUE(ReadTable(target, EncodedGradient()));
    {
        MessageLog log;
        const std::string missing = dir.File("no-such-folder/out.jpg");
        EXPECT_FALSE(source.WriteWithExif(missing, target));
        EXPECT_FALSE(std::filesystem::exists(missing));
        ASSERT_EQ(log.messages.size(), 1u);
        EXPECT_EQ(log.messages[0].text, "Could not open file for write");
        EXPECT_EQ(log.messages[0].caption, "JPGExif error");
    }
    // A device that is always full: opening works, writing does not.
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    MessageLog log;
    EXPECT_FALSE(source.WriteWithExif("/dev/full", target));
    EXPECT_EQ(log.Texts(), Texts{"Could not write file in JPGExif"});
}

TEST(JPGExifWrite, DamagedExifBlockStillLoadsAndIsCopiedUnchanged) {
    const Bytes photo = Photo("canon_eos_350d_rebel_xt_1728x1152.jpg");
    // The main directory's entry count sits right after the 8-byte TIFF
    // header, which follows SOI, the APP1 marker and length and "Exif\0\0".
    const std::size_t count = 2 + 4 + 6 + 8;
    ASSERT_EQ(photo[count], 0x0C);
    struct Case { std::size_t at; uint8_t value; const char* message; };
    const Case cases[] = {
        {count + 1, 0xFF, "Illegally sized Exif subdirectory"},               // entry count far too large
        {count + 2 + 2, 0x63, "Illegal number format for tag %04x in Exif"},  // first entry's format
    };
    const Bytes encoded = EncodedGradient();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Bytes damaged = photo;
        damaged[c.at] = c.value;
        MessageLog log;
        JPGExif source;
        EXPECT_TRUE(ReadTable(source, damaged));
        EXPECT_EQ(log.Texts(), Texts{c.message});

        JpegImage img;
        img.LoadFromMemory(damaged.data(), damaged.size());
        EXPECT_EQ(img.Decode().Width(), 1728);
        EXPECT_EQ(WriteResult(damaged, encoded),
                  Concat({{0xFF, 0xD8}, ExifSectionOf(damaged), AfterJfifHeader(encoded)}));
    }
}
