// Damaged JPEGs through the loading of a JPEG: a picture that cannot be decoded is refused with
// the one message of its kind, damaged EXIF data raises one box and the picture still loads,
// the file stays as it was, and the same workflow object then loads a sound photo.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <functional>
#include <string>
#include <vector>

#include "exif_builder.h"
#include "pipeline/class_dngconvert.h"
#include "source_file.h"
#include "tests/support/jpeg_encoder.h"

namespace workflow_damage {
namespace {

const char* const kNotDecoded = "Whoa... that's a bug...\n\nFailed to process the preview of this JPG...";
const char* const kUnsupported =
    "Clarivane can only process 8-bit or 24-bit per pixel JPGs.\n\nThe JPG you are trying to load does not comply.";
std::string TooLarge(int height) {
    return "This JPEG is too large for Clarivane.\nThe JPEG you have selected is " + std::to_string(height) +
           " pixels in height.\n\nCurrently Clarivane can only handle JPEGs up to 5000 pixels in height.";
}

std::string TooManyPixels(int width, int height) {
    return "This JPEG is too large for Clarivane.\nThe JPEG you have selected is " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels.\n\nCurrently Clarivane can only handle JPEGs up to 100 million pixels.";
}

// A 45 x 29 colour picture encoded by libjpeg: baseline, progressive or arithmetic-coded.
enum class Coding { Baseline, Progressive, Arithmetic };
Bytes Encoded(Coding coding) {
    platform::Bitmap picture(45, 29, platform::PixelFormat::pf24bit);
    for (int y = 0; y < 29; ++y)
        for (int i = 0; i < 45 * 3; ++i) picture.ScanLine(y)[i] = uint8_t(i * 5 + y * 9);
    return test_support::EncodeJpeg(picture, [&](jpeg_compress_struct& c) {
        if (coding == Coding::Progressive) jpeg_simple_progression(&c);
        c.arith_code = coding == Coding::Arithmetic;
    });
}

// Offset of the first marker `code` (its 0xFF) among the marker segments before the scan.
size_t MarkerAt(const Bytes& b, uint8_t code) {
    for (size_t i = 2; i + 3 < b.size(); i += 2 + (b[i + 2] << 8 | b[i + 3])) {
        if (b[i + 1] == code) return i;
        if (b[i + 1] == 0xDA) break;
    }
    ADD_FAILURE() << "no marker " << int(code);
    return 0;
}

// `jpeg` with the frame header's size changed.
Bytes WithFrameSize(Bytes jpeg, uint16_t width, uint16_t height) {
    const size_t sof = MarkerAt(jpeg, 0xC0);
    jpeg[sof + 5] = uint8_t(height >> 8);
    jpeg[sof + 6] = uint8_t(height);
    jpeg[sof + 7] = uint8_t(width >> 8);
    jpeg[sof + 8] = uint8_t(width);
    return jpeg;
}

// A baseline picture with the EXIF block `tiff` in place of its JFIF header.
Bytes WithExif(const Bytes& tiff) { return WithLeadingSections(Encoded(Coding::Baseline), {{0xE1, ExifPayload(tiff)}}); }

struct DamageCase {
    const char* name;
    std::function<Bytes()> bytes;
    bool loads;
    std::string box;  // empty: none
};

const DamageCase kCases[] = {
    {"CutInTheScan",
     [] {
         Bytes b = Encoded(Coding::Baseline);
         b.resize(MarkerAt(b, 0xDA) + (b.size() - MarkerAt(b, 0xDA)) / 2);
         return b;
     },
     false, kNotDecoded},
    {"HuffmanTableWithTooManyCodes",
     [] {
         Bytes b = Encoded(Coding::Baseline);
         b[MarkerAt(b, 0xC4) + 5 + 1] = 5;  // five codes of length 1
         return b;
     },
     false, kNotDecoded},
    {"FrameOfZeroWidth", [] { return WithFrameSize(Encoded(Coding::Baseline), 0, 29); }, false, kNotDecoded},
    // libjpeg refuses a side above 65500 itself; below that the height limit speaks.
    {"Frame65535Square", [] { return WithFrameSize(Encoded(Coding::Baseline), 65535, 65535); }, false, kNotDecoded},
    {"Frame65000Square", [] { return WithFrameSize(Encoded(Coding::Baseline), 65000, 65000); }, false,
     TooLarge(65000)},
    // 100 million pixels at most, refused from the header before a bitmap is made; a frame at
    // the limit is decoded and then fails on its missing scan data.
    {"FrameJustOverThePixelLimit", [] { return WithFrameSize(Encoded(Coding::Baseline), 20001, 5000); }, false,
     TooManyPixels(20001, 5000)},
    {"LowerFrameJustOverThePixelLimit", [] { return WithFrameSize(Encoded(Coding::Baseline), 25000, 4001); },
     false, TooManyPixels(25000, 4001)},
    {"FrameAtThePixelLimit", [] { return WithFrameSize(Encoded(Coding::Baseline), 25000, 4000); }, false,
     kNotDecoded},
    {"ThousandsOfProgressiveScans",
     [] {
         // The last scan (header and data) again and again before the end of the image.
         Bytes b = Encoded(Coding::Progressive);
         size_t last = 0;
         for (size_t i = 2; i + 1 < b.size(); ++i)
             if (b[i] == 0xFF && b[i + 1] == 0xDA) last = i;
         const Bytes scan(b.begin() + long(last), b.end() - 2);
         b.resize(b.size() - 2);
         for (int i = 0; i < 3000; ++i) b.insert(b.end(), scan.begin(), scan.end());
         b.insert(b.end(), {0xFF, 0xD9});
         return b;
     },
     false, kNotDecoded},
    {"ExifDirectoryLinkedToItself",
     [] {
         ExifBuilder tiff(false);
         const uint32_t ifd0 = tiff.AddDirectory({ExifBuilder::Short(0x0128, 2), ExifBuilder::Long(0x8769, 0)});
         tiff.SetEntryField(ifd0, 1, ifd0);
         return WithExif(tiff.Tiff());
     },
     true, "Maximum Exif directory nesting exceeded (corrupt Exif header)"},
    {"ExifEntryWithFFFFFFFFComponents",
     [] {
         ExifBuilder tiff(true);
         tiff.AddDirectory({ExifBuilder::Field(0x010F, 2, 0xFFFFFFFF, 8)});
         return WithExif(tiff.Tiff());
     },
     true, "Too many components"},
    {"App1ShorterThanItsHeader",
     [] { return WithLeadingSections(Encoded(Coding::Baseline), {{0xE1, Payload("Exif")}}); }, true,
     "Incorrect exif header"},
    {"Cmyk", [] { return test_support::ReadFileBytes(test_support::TestData("jpeg/cmyk_adobe.jpg")); }, false,
     kUnsupported},
    {"TwelveBitSamples",
     [] {
         Bytes b = Encoded(Coding::Baseline);
         const size_t sof = MarkerAt(b, 0xC0);
         b[sof + 1] = 0xC1;
         b[sof + 4] = 12;
         return b;
     },
     false, kNotDecoded},
    {"ArithmeticCoding", [] { return Encoded(Coding::Arithmetic); }, true, ""},
};

class WorkflowDamagedJPEG : public ::testing::TestWithParam<DamageCase> {};

TEST_P(WorkflowDamagedJPEG, LoadingGivesItsOwnOutcomeOnceAndTheNextPhotoLoads) {
    const DamageCase& c = GetParam();
    pipeline::HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    const SourceFile damaged(c.bytes(), "damaged.jpg");

    EXPECT_EQ(convert.LoadJPG(damaged.Path()), c.loads);
    EXPECT_EQ(BoxTexts(window), c.box.empty() ? Texts{} : Texts{c.box});
    if (c.loads) {
        EXPECT_EQ(window.preview.Width(), 45);
    }
    EXPECT_TRUE(damaged.Unchanged());

    window.messages.clear();
    const SourceFile sound(Encoded(Coding::Progressive), "sound.jpg");
    ASSERT_TRUE(convert.LoadJPG(sound.Path()));
    EXPECT_EQ(BoxTexts(window), Texts{});
    EXPECT_EQ(std::pair(window.preview.Width(), window.preview.Height()), std::pair(45, 29));
    EXPECT_EQ(window.modelText, "24-bits per pixel JPG");
    EXPECT_TRUE(sound.Unchanged());
}

INSTANTIATE_TEST_SUITE_P(Kinds, WorkflowDamagedJPEG, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

}  // namespace
}  // namespace workflow_damage
