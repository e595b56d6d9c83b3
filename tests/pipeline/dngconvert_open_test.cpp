#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <optional>
#include <string>

#include "dng/dng_image_preview.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "pipeline/supported_cameras.h"
#include "platform/message_box.h"
#include "workflow_fixture.h"

namespace {

using pipeline::HeadlessWindow;
using pipelinetest::MosaicFixture;
using pipelinetest::MonochromeFixture;
using pipelinetest::WriteFixtureFile;


struct ModelCase {
    std::string model;
    std::optional<uint16_t> code;
};

class SupportedCameraTable : public ::testing::TestWithParam<ModelCase> {};

TEST_P(SupportedCameraTable, TrimsThenComparesWholeNamesCaseSensitively) {
    const ModelCase& c = GetParam();
    EXPECT_EQ(pipeline::SupportedCameraCode(pipeline::TrimModelName(c.model)), c.code) << '"' << c.model << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Models, SupportedCameraTable,
    ::testing::Values(ModelCase{"M9 Digital Camera", 0}, ModelCase{"M8 Digital Camera", 1},
                      ModelCase{"LEICA M (Typ 240)", 2}, ModelCase{"LEICA T (Typ 701)", 3},
                      ModelCase{"M Monochrom", 0}, ModelCase{"Canon EOS 350D", 10}, ModelCase{"Canon EOS 30D", 13},
                      ModelCase{"Canon EOS 40D", 14}, ModelCase{"Canon EOS 5D Mark II", 15},
                      ModelCase{"Canon EOS 500D", 11}, ModelCase{"Canon EOS 550D", 12},
                      ModelCase{"Canon EOS 5D Mark III", 17}, ModelCase{"Nikon D200", 20},
                      ModelCase{"Nikon D800", 21}, ModelCase{"Nikon D800E", 22}, ModelCase{"Sony ILCE-7S", 32},
                      ModelCase{"Leica S2", 0},
                      // Blanks and control characters around the name, as fixed-size tags pad it.
                      ModelCase{"Nikon D800 ", 21}, ModelCase{std::string("\tNikon D800E\0\0", 14), 22},
                      ModelCase{" Sony ILCE-7S\x7f\r\n", 32},
                      // Whole, case-sensitive names only.
                      ModelCase{"nikon d800", std::nullopt}, ModelCase{"NIKON D800", std::nullopt},
                      ModelCase{"Canon EOS 5D Mark", std::nullopt}, ModelCase{"Canon EOS 5D Mark IIII", std::nullopt},
                      ModelCase{"Nikon D 800", std::nullopt}, ModelCase{"Canon EOS Kiss X4", std::nullopt},
                      ModelCase{"Leica S", std::nullopt}, ModelCase{"", std::nullopt}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// What the browser and the window ask of the same table: the lens-distortion note
// and the JPEG preview, each for exact, untrimmed names only.
TEST(SupportedCameraTable, BrowsedCodeLensNoteAndJpegPreviewFollowTheModel) {
    struct Case { std::string model; uint16_t browsedCode; bool lensNote; bool jpegPreview; };
    const Case cases[] = {{"LEICA T (Typ 701)", 3, true, true}, {"Sony ILCE-7S", 32, true, false},
                          {"LEICA M (Typ 240)", 0, false, true}, {"Leica S2", 0, false, true},
                          {"Canon EOS 550D", 0, false, false}, {"M9 Digital Camera", 0, false, false},
                          {" Sony ILCE-7S", 0, false, false},  {"LEICA T (Typ 701) ", 0, false, false},
                          {"leica s2", 0, false, false},       {"", 0, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE('"' + c.model + '"');
        EXPECT_EQ(pipeline::BrowsedCameraCode(c.model), c.browsedCode);
        EXPECT_EQ(pipeline::CorrectsLensDistortion(c.browsedCode), c.lensNote);
        EXPECT_EQ(pipeline::StoresJpegPreview(c.model), c.jpegPreview);
    }
    // Codes of supported cameras without the note.
    for (const uint16_t code : {0, 1, 2, 12, 17, 22}) EXPECT_FALSE(pipeline::CorrectsLensDistortion(code)) << code;
}

struct OpenCase {
    const char* name;
    std::string model;
    bool monochrome;
    bool opens;
    uint16_t code;
};

class ProcessDNGTable : public ::testing::TestWithParam<OpenCase> {};

TEST_P(ProcessDNGTable, SetsCodeThreePlaneBoxAndReportsRefusal) {
    const OpenCase& c = GetParam();
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    window.SetHighQualityChecked(true);
    window.highQualityEnabled = false;
    const FixtureOptions fixture = c.monochrome ? MonochromeFixture(36, 22, c.model) : MosaicFixture(36, 22, c.model);
    const std::string path = WriteFixtureFile(folder, "photo.dng", fixture);

    EXPECT_EQ(convert.ProcessDNG(path, "photo.dng"), c.opens);
    EXPECT_EQ(convert.HasOpenDNG(), c.opens);
    EXPECT_EQ(convert.CameraCode, c.opens ? c.code : 0);
    EXPECT_EQ(convert.SourcePath, path);
    EXPECT_EQ(convert.SourceName, "photo.dng");
    EXPECT_EQ(window.highQualityEnabled, !c.monochrome);
    EXPECT_EQ(window.highQualityChecked, !c.monochrome);
    EXPECT_EQ(convert.HighQuality, !c.monochrome);
    if (c.opens) {
        EXPECT_TRUE(window.messages.empty());
    } else {
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].caption, "Unsupported camera");
        EXPECT_EQ(window.messages[0].flags, unsigned(platform::MB_OK | platform::MB_ICONINFORMATION));
        EXPECT_EQ(window.messages[0].text.rfind("Unsupported camera... \n\nCurrently Clarivane can only", 0), 0u);
        EXPECT_NE(window.messages[0].text.find("- Sony A7s\n\nAs an alternative"), std::string::npos);
        ASSERT_NE(convert.Negative, nullptr);
        EXPECT_EQ(convert.Negative->Stage1Image(), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Models, ProcessDNGTable,
                         ::testing::Values(OpenCase{"leica_t", "LEICA T (Typ 701)", false, true, 3},
                                           OpenCase{"sony_padded", "Sony ILCE-7S  ", false, true, 32},
                                           OpenCase{"nikon", "Nikon D800E", false, true, 22},
                                           OpenCase{"monochrom", "M Monochrom", true, true, 0},
                                           OpenCase{"refused_colour", "Canon EOS 7D", false, false, 0},
                                           OpenCase{"refused_monochrome", "m monochrom", true, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProcessDNG, AfterRefusalOrMonochromeTheNextColourPhotoOpensWithTheBoxEnabled) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    const std::string mono = WriteFixtureFile(folder, "mono.dng", MonochromeFixture(20, 14));
    const std::string refused = WriteFixtureFile(folder, "other.dng", MosaicFixture(20, 14, "Canon EOS 7D"));
    // Samples of their own: nothing read for an earlier photo may show in this one.
    const std::string colour = WriteFixtureFile(folder, "colour.dng", MosaicFixture(20, 14, "Sony ILCE-7S", 14, 2));

    ASSERT_TRUE(convert.ProcessDNG(mono, "mono.dng"));
    EXPECT_FALSE(window.highQualityEnabled);
    EXPECT_FALSE(convert.ProcessDNG(refused, "other.dng"));
    EXPECT_FALSE(convert.HasOpenDNG());
    ASSERT_TRUE(convert.ProcessDNG(colour, "colour.dng"));
    EXPECT_TRUE(convert.HasOpenDNG());
    EXPECT_TRUE(window.highQualityEnabled);
    EXPECT_FALSE(window.highQualityChecked);
    EXPECT_EQ(convert.CameraCode, 32);
    EXPECT_EQ(window.messages.size(), 1u) << "only the refusal shows a message";

    HeadlessWindow alone;
    ASSERT_TRUE(alone.Convert().ProcessDNG(colour, "colour.dng"));
    ASSERT_EQ(window.preview.ByteSize(), alone.preview.ByteSize());
    EXPECT_TRUE(std::equal(window.preview.Bits(), window.preview.Bits() + window.preview.ByteSize(),
                           alone.preview.Bits()));
}

TEST(ProcessDNG, FileThatIsNoDNGIsRefusedSilentlyAndMissingFileWithTheBox) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    FixtureOptions tiff = MosaicFixture(20, 14);
    tiff.colour = false;  // a CFA without a colour matrix is no valid DNG
    const std::string notDng = WriteFixtureFile(folder, "tiff.dng", tiff);
    EXPECT_FALSE(convert.ProcessDNG(notDng, "tiff.dng"));
    EXPECT_TRUE(window.messages.empty());

    EXPECT_FALSE(convert.ProcessDNG(folder.File("missing.dng"), "missing.dng"));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].caption, "Clarivane error");
    EXPECT_EQ(window.messages[0].text, "Whoa... that's a bug...\n\nFailed to process this DNG...\n\n" +
                                           folder.File("missing.dng") + "\nNo such file or directory");
    EXPECT_EQ(window.messages[0].flags, unsigned(platform::MB_OK | platform::MB_ICONWARNING));
}

// A photo swapped for a FIFO after it was listed is refused with the box, without waiting for a writer.
TEST(ProcessDNG, AFifoIsRefusedWithoutWaiting) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    const std::string fifo = folder.File("x.dng");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto opened = std::async(std::launch::async, [&] { return window.Convert().ProcessDNG(fifo, "x.dng"); });
    if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the open waits for a writer";
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // lets it go on to the end of the data
    }
    EXPECT_FALSE(opened.get());
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text,
              "Whoa... that's a bug...\n\nFailed to process this DNG...\n\n" + fifo + "\nNot a regular file");
}

TEST(OpenDNG, FillsThePreviewRecordStatusAndPreviewBitmap) {
    test_support::TempFolder folder;
    HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    // Wider than the result box, so the stage-2 build keeps the file's active area.
    FixtureOptions fixture = MosaicFixture(540, 61, "Nikon D200");
    fixture.activeArea = {3, 4, 61, 535};  // 58 rows, 531 columns
    ASSERT_TRUE(convert.ProcessDNG(WriteFixtureFile(folder, "p.dng", fixture), "p.dng"));

    const dng_image_preview& record = convert.Thumbnail;
    EXPECT_EQ(record.fInfo.fApplicationName, "Clarivane");
    EXPECT_EQ(record.fInfo.fApplicationVersion, "Version 1.1.0");
    EXPECT_EQ(record.fInfo.fSettingsName, "Default");
    EXPECT_EQ(record.fInfo.fColorSpace, 2u);
    ASSERT_NE(record.fImage, nullptr);
    EXPECT_EQ(record.fImage->Planes(), 3u);
    EXPECT_EQ(record.fImage->PixelType(), uint32(ttByte));
    EXPECT_EQ(record.fImage->Width(), 320u);
    EXPECT_EQ(record.fImage->Height(), uint32(320.0 * 58 / 531 + 0.5));

    EXPECT_EQ(convert.ActiveLeft, 4);
    EXPECT_EQ(convert.ActiveTop, 3);
    EXPECT_EQ(window.preview.Width(), 528) << "531 columns rounded down to 4";
    EXPECT_EQ(window.preview.Height(), 58);
    EXPECT_TRUE(window.previewVisible);
    const std::vector<std::string> expected = {"Opening DNG...", "Processing DNG...", "Creating preview..."};
    EXPECT_EQ(window.statusLabel.history, expected);
    EXPECT_EQ(window.statusBar.max, 528 * 58 / 100) << "the colour render counts hundreds of pixels";
    EXPECT_TRUE(window.messages.empty());
}

}  // namespace
