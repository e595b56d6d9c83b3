#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "jpeg_workflow_support.h"
#include "platform/message_box.h"
#include "tests/jpeg/exif_builder.h"
#include "tests/support/test_files.h"

using namespace jpeg_workflow_test;
using test_support::TempFolder;
using test_support::TestData;

namespace {

constexpr unsigned kExclamation = platform::MB_OK | platform::MB_ICONWARNING;
const char* const kLoadFailure = "Whoa... that's a bug...\n\nFailed to process the preview of this JPG...";
const char* const kUnsupported =
    "Clarivane can only process 8-bit or 24-bit per pixel JPGs.\n\nThe JPG you are trying to load does not comply.";

std::string TooLarge(int height) {
    return "This JPEG is too large for Clarivane.\nThe JPEG you have selected is " + std::to_string(height) +
           " pixels in height.\n\nCurrently Clarivane can only handle JPEGs up to 5000 pixels in height.";
}

struct HeightCase {
    const char* name;
    int width, height;
    bool grey;
};

}  // namespace

TEST(LoadJPG, TallestPhotoIsFiveThousandRows) {
    const HeightCase cases[] = {
        {"colour, 5000 rows", 6, 5000, false}, {"grey, 5000 rows", 9, 5000, true},
        {"colour, 5001 rows", 5, 5001, false}, {"grey, 5001 rows", 8, 5001, true},
        {"colour, 7919 rows", 3, 7919, false},
    };
    TempFolder dir;
    for (const HeightCase& c : cases) {
        SCOPED_TRACE(c.name);
        pipeline::HeadlessWindow window;
        window.preview = Bitmap(2, 2, PixelFormat::pf24bit);
        const Bitmap photo = c.grey ? GreyPattern(c.width, c.height) : ColourPattern(c.width, c.height);
        const std::string path = PutFile(dir.Path(), "tall.jpg", EncodeJpeg(photo));
        const bool fits = c.height <= 5000;
        EXPECT_EQ(window.Convert().LoadJPG(path), fits);
        if (fits) {
            EXPECT_TRUE(window.messages.empty());
            EXPECT_EQ(window.modelText, c.grey ? "8-bits per pixel JPG" : "24-bits per pixel JPG");
            EXPECT_EQ(std::tuple(window.preview.Width(), window.preview.Height(), window.preview.Format()),
                      std::tuple(c.width, c.height, c.grey ? PixelFormat::pf8bit : PixelFormat::pf24bit));
            EXPECT_NE(window.Convert().Jpeg, nullptr);
        } else {
            ASSERT_EQ(window.messages.size(), 1u);
            EXPECT_EQ(window.messages[0].text, TooLarge(c.height));
            EXPECT_EQ(window.messages[0].caption, "JPEG too large");
            EXPECT_EQ(window.messages[0].flags, kExclamation);
            EXPECT_EQ(window.Convert().Jpeg, nullptr);
            EXPECT_EQ(window.preview.Width(), 2);  // the refused photo is not shown
        }
    }
}

TEST(LoadJPG, PhotosThatCannotBeWorkedOnAreRefusedWithTheirMessage) {
    TempFolder dir;
    const Bytes photo = EncodeJpeg(ColourPattern(120, 70));
    Bytes cutInScan(photo.begin(), photo.begin() + long(photo.size() * 2 / 3));
    Bytes noEndMarker(photo.begin(), photo.end() - 2);
    struct Case { const char* name; std::string path; bool loads; std::string text; const char* caption; };
    const Case cases[] = {
        {"CMYK", TestData("jpeg/cmyk_adobe.jpg"), false, kUnsupported, "Unsupported JPG"},
        {"CMYK with ICC segments", TestData("jpeg/cmyk_multiple_icc_segments.jpg"), false, kUnsupported,
         "Unsupported JPG"},
        {"not a JPEG", PutFile(dir.Path(), "text.jpg", {'h', 'e', 'l', 'l', 'o'}), false, kLoadFailure,
         "Clarivane error"},
        {"missing file", dir.File("missing.jpg"), false,
         std::string(kLoadFailure) + "\n\n" + dir.File("missing.jpg") + "\nNo such file or directory",
         "Clarivane error"},
        {"cut inside the scan", PutFile(dir.Path(), "cut.jpg", cutInScan), false, kLoadFailure, "Clarivane error"},
        {"only the end marker missing", PutFile(dir.Path(), "noend.jpg", noEndMarker), true, "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pipeline::HeadlessWindow window;
        EXPECT_EQ(window.Convert().LoadJPG(c.path), c.loads);
        if (c.loads) {
            EXPECT_TRUE(window.messages.empty());
            continue;
        }
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].text, c.text);
        EXPECT_EQ(window.messages[0].caption, c.caption);
        EXPECT_EQ(window.messages[0].flags, kExclamation);
    }
}

TEST(LoadJPG, ShowsTheDecodedPhotoAndKeepsItsSections) {
    struct Case { const char* file; int width, height; bool grey; int exifSections; };
    const Case cases[] = {
        {"canon_eos_350d_progressive.jpg", 800, 346, false, 1},
        {"greyscale_exif_xmp_icc.jpg", 386, 396, true, 1},
        {"nikon_d5000_exif_xmp_icc.jpg", 858, 570, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        pipeline::HeadlessWindow window;
        pipeline::DNGConvert& convert = window.Convert();
        const std::string path = TestData(std::string("jpeg/") + c.file);
        ASSERT_TRUE(convert.LoadJPG(path));
        EXPECT_EQ(convert.SourceName, c.file);
        const Decoded reference = DecodeWithLibjpeg(path);
        EXPECT_EQ(Compare(window.preview, reference.pixels).largest, 0);
        EXPECT_EQ(Compare(window.browser, reference.pixels).largest, 0);
        EXPECT_EQ(window.modelText, c.grey ? "8-bits per pixel JPG" : "24-bits per pixel JPG");
        EXPECT_EQ(std::tuple(window.previewRepaints, window.browserRepaints, window.fileListRepaints),
                  std::tuple(1, 1, 1));
        EXPECT_TRUE(convert.SourceExif.haveAll);
        int exif = 0;
        for (int i = 0; i < convert.SourceExif.sectionsRead; ++i) exif += convert.SourceExif.sections[i].type == 0xE1;
        EXPECT_EQ(exif, c.exifSections);
    }
}

TEST(LoadJPG, FileNameIsTheTextAfterTheLastSlash) {
    TempFolder dir;
    std::filesystem::create_directory(dir.File("a.b c"));
    const std::string path = PutFile(dir.File("a.b c"), "My Photo.v2.JPEG", EncodeJpeg(ColourPattern(16, 8)));
    pipeline::HeadlessWindow window;
    ASSERT_TRUE(window.Convert().LoadJPG(path));
    EXPECT_EQ(window.Convert().SourceName, "My Photo.v2.JPEG");
}

// However many entries of its EXIF block are damaged, loading a photo shows one box.
TEST(LoadJPG, DamagedExifBlockRaisesOneBoxAndStillLoads) {
    ExifBuilder block(false);
    const uint32_t dir = block.AddDirectory(std::vector<ExifBuilder::Entry>(30, ExifBuilder::Field(0x0112, 0, 1, 0)));
    block.SetNextLink(dir, dir);
    const Bytes photo = WithLeadingSections(EncodeJpeg(ColourPattern(40, 30)), {{0xE1, ExifPayload(block.Tiff())}});
    TempFolder folder;
    const std::string path = PutFile(folder.Path(), "damaged.jpg", photo);
    pipeline::HeadlessWindow window;
    for (int load = 1; load <= 2; ++load) {
        EXPECT_TRUE(window.Convert().LoadJPG(path));
        ASSERT_EQ(window.messages.size(), std::size_t(load));
        EXPECT_EQ(window.messages.back().text, "Illegal number format for tag %04x in Exif");
        EXPECT_EQ(window.messages.back().caption, "JPGExif error");
    }
}
