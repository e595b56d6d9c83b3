#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "jpgexif_test_support.h"
#include "platform/jpeg_image.h"

using platform::Bitmap;
using platform::JpegImage;

namespace {

// What the workflow encodes for a photo: its pixels as a 24-bit bitmap (a
// grey photo carried in all three channels) at quality 100.
Bytes Encoded(const Bitmap& picture) {
    Bitmap colour(picture.Width(), picture.Height(), platform::PixelFormat::pf24bit);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) colour.SetPixel(x, y, picture.Pixel(x, y));
    JpegImage result;
    result.Compress(colour, 100);
    return result.Data();
}

Bitmap Decoded(const Bytes& jpeg) {
    JpegImage source;
    source.LoadFromMemory(jpeg.data(), jpeg.size());
    return source.Decode();
}

const Bytes kBlank = Encoded(Bitmap(40, 24, platform::PixelFormat::pf24bit));

// The payload of the first APP1 section holding EXIF.
Bytes ExifPayloadOf(const Bytes& jpeg) {
    for (std::size_t at = 2; at + 10 <= jpeg.size() && jpeg[at + 1] != 0xDA;) {
        const std::size_t end = at + 2 + ((jpeg[at + 2] << 8) | jpeg[at + 3]);
        if (jpeg[at + 1] == 0xE1 && std::equal(jpeg.begin() + long(at) + 4, jpeg.begin() + long(at) + 8, "Exif"))
            return Bytes(jpeg.begin() + long(at) + 4, jpeg.begin() + long(end));
        at = end;
    }
    return {};
}

// The APP2 sections before the scan.
std::vector<RawSection> App2SectionsOf(const Bytes& jpeg) {
    std::vector<RawSection> found;
    for (std::size_t at = 2; at + 4 <= jpeg.size() && jpeg[at + 1] != 0xDA;) {
        const std::size_t end = at + 2 + ((jpeg[at + 2] << 8) | jpeg[at + 3]);
        if (jpeg[at + 1] == 0xE2) found.push_back({0xE2, Bytes(jpeg.begin() + long(at) + 4, jpeg.begin() + long(end))});
        at = end;
    }
    return found;
}

// The encoder's output with the source's EXIF block in place of its JFIF header, and after it
// the source's APP2 sections when they hold an RGB profile.
Bytes WithExifOf(const Bytes& source, const Bytes& encoded = kBlank, bool rgbProfile = false) {
    std::vector<RawSection> header{{0xE1, ExifPayloadOf(source)}};
    if (rgbProfile)
        for (const RawSection& s : App2SectionsOf(source)) header.push_back(s);
    return WithLeadingSections(encoded, header);
}

// Reads both tables from memory and writes the result file.
Bytes WriteResult(const Bytes& sourceFile, const Bytes& encoded = kBlank) {
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
    const Bytes photo = ReadFileBytes(sourcePath);
    const Bytes encoded = Encoded(Decoded(photo));
    const Bytes saved = WriteResult(photo, encoded);
    EXPECT_EQ(log.texts, Texts{});
    // SOI, the camera's EXIF APP1 where the JFIF APP0 stood, its colour profile when that is
    // an RGB one (the grey photo's is not), then the encoder's tables, frame, scan header and
    // scan data unchanged.
    ASSERT_FALSE(ExifPayloadOf(photo).empty());
    const bool rgbProfile = std::string(GetParam()) == "nikon_d5000_exif_xmp_icc.jpg";
    EXPECT_EQ(saved, WithExifOf(photo, encoded, rgbProfile));

    // libjpeg reads it as the encoder's picture, exiftool finds the very same EXIF block.
    const Bitmap a = Decoded(saved), b = Decoded(encoded);
    ASSERT_EQ(a.ByteSize(), b.ByteSize());
    EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + a.ByteSize(), b.Bits()));
    test_support::WriteFileBytes(dir.File("saved.jpg"), saved);
    const auto exif = [](const std::string& p) { return test_support::RunCommand("exiftool -b -EXIF '" + p + "'"); };
    ASSERT_FALSE(exif(sourcePath).empty());
    EXPECT_TRUE(exif(sourcePath) == exif(dir.File("saved.jpg")));
    const auto icc = [](const std::string& p) { return test_support::RunCommand("exiftool -b -ICC_Profile '" + p + "'"); };
    EXPECT_TRUE(icc(dir.File("saved.jpg")) == (rgbProfile ? icc(sourcePath) : ""));
    EXPECT_EQ(icc(sourcePath).empty(), std::string(GetParam()).find("icc") == std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(ExifFirstOrAfterJfif, CameraPhotoSave,
                         ::testing::Values("canon_eos_350d_rebel_xt_1728x1152.jpg",
                                           "canon_eos_5d_mark_iii_720x480_rotate90.jpg",
                                           "nikon_d5000_exif_xmp_icc.jpg", "canon_eos_350d_progressive.jpg",
                                           "greyscale_exif_xmp_icc.jpg"));

TEST(JPGExifWrite, OtherFirstSectionGetsAJfifHeaderFromTheExifResolution) {
    const RawSection icc{0xE2, Payload("ICC_PROFILE not really a profile")};
    const std::pair<std::vector<E::Entry>, Bytes> cases[] = {
        {{E::Rational(0x011A, 72, 1), E::Rational(0x011B, 72, 1), E::Short(0x0128, 2)}, JfifPayload(1, 72, 72)},
        // Centimetres, fractions cut off.
        {{E::Rational(0x011A, 1181, 10), E::Rational(0x011B, 599, 10), E::Short(0x0128, 3)}, JfifPayload(2, 118, 59)},
        // No unit, or unit 1: the defaults.
        {{E::Rational(0x011A, 72, 1)}, JfifPayload(1, 300, 300)},
        {{E::Rational(0x011A, 72, 1), E::Short(0x0128, 1)}, JfifPayload(1, 300, 300)},
        {{E::Rational(0x011A, 1000000000, 1), E::Short(0x0128, 2)}, JfifPayload(1, 65535, 65535)},
    };
    MessageLog log;
    for (const auto& [entries, jfif] : cases) {
        ExifBuilder block(false);
        block.AddDirectory(entries);
        const Bytes exif = ExifPayload(block.Tiff());
        EXPECT_EQ(WriteResult(WithLeadingSections(kBlank, {icc, {0xE1, exif}})),
                  WithLeadingSections(kBlank, {{0xE0, jfif}, {0xE1, exif}}));
    }
    // Without EXIF: the encoder's output alone after a source starting with APP0; after one
    // starting otherwise, a JFIF header of the defaults or of a later JFIF header's fields
    // before the encoder's own.
    EXPECT_EQ(WriteResult(ReadFileBytes(TestData("jpeg/cmyk_adobe.jpg"))), kBlank);
    const Bytes encoderOutput(kBlank.begin() + 2, kBlank.end()), jfif = JfifPayload(2, 10, 20);
    EXPECT_EQ(WriteResult(AssembleJpeg({{0xDB, Bytes(65, 1)}})),
              WithSections({{0xE0, JfifPayload(1, 300, 300)}}, encoderOutput));
    EXPECT_EQ(WriteResult(WithLeadingSections(kBlank, {icc, {0xE0, jfif}})), WithSections({{0xE0, jfif}}, encoderOutput));
    EXPECT_EQ(log.texts, Texts{});
}

TEST(JPGExifWrite, DamagedExifBlockStillLoadsAndIsCopiedUnchanged) {
    const Bytes photo = ReadFileBytes(TestData("jpeg/canon_eos_350d_rebel_xt_1728x1152.jpg"));
    // An entry count far too large: the main directory's count sits right after the
    // 8-byte TIFF header, which follows SOI, the APP1 marker and length and "Exif\0\0".
    Bytes damaged = photo;
    ASSERT_EQ(damaged[2 + 4 + 6 + 8 + 1], 0x00);
    damaged[2 + 4 + 6 + 8 + 1] = 0x63;
    MessageLog log;
    EXPECT_EQ(WriteResult(damaged), WithExifOf(damaged));
    EXPECT_EQ(log.texts, Texts{"Illegally sized Exif subdirectory"});
    EXPECT_EQ(Decoded(damaged).Width(), 1728);
}

TEST(JPGExifWrite, TheFileAppearsWholeOrNotAtAll) {
    const Bytes photo = ReadFileBytes(TestData("jpeg/canon_eos_350d_rebel_xt_1728x1152.jpg"));
    JPGExif source, target;
    ASSERT_TRUE(ReadTable(source, photo));
    ASSERT_TRUE(ReadTable(target, kBlank));
    test_support::TempFolder dir;
    const auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    };
    // An older file of the name, and a link planted under the name, are replaced; the
    // link's target stays as it was.
    test_support::WriteFileBytes(dir.File("old.jpg"), {1, 2, 3});
    test_support::WriteFileBytes(dir.File("target.txt"), {4, 5});
    std::filesystem::create_symlink(dir.File("target.txt"), dir.File("link.jpg"));
    MessageLog log;
    for (const char* name : {"old.jpg", "link.jpg"}) {
        EXPECT_TRUE(source.WriteWithExif(dir.File(name), target));
        EXPECT_EQ(ReadFileBytes(dir.File(name)), WithExifOf(photo));
    }
    EXPECT_FALSE(std::filesystem::is_symlink(dir.File("link.jpg")));
    EXPECT_EQ(ReadFileBytes(dir.File("target.txt")), (Bytes{4, 5}));

    // No folder to write into; a folder where the file should go. Each is told with the path and
    // the system's reason, and nothing is left behind.
    std::filesystem::create_directory(dir.File("folder.jpg"));
    EXPECT_FALSE(source.WriteWithExif(dir.File("no-such-folder/out.jpg"), target));
    EXPECT_FALSE(source.WriteWithExif(dir.File("folder.jpg"), target));
    const std::string notStored = "\n\nThe result isn't stored; an earlier file of its name is unchanged.";
    EXPECT_EQ(log.texts, (Texts{"Could not open file for write\n\n" + dir.File("no-such-folder/out.jpg") +
                                    "\nNo such file or directory" + notStored,
                                "Could not write file in JPGExif\n\n" + dir.File("folder.jpg") + "\nIs a directory" +
                                    notStored}));
    EXPECT_EQ(log.captionAndFlags, kErrorBox);
    EXPECT_EQ(entries(), (std::vector<std::string>{"folder.jpg", "link.jpg", "old.jpg", "target.txt"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder.jpg")));
}
