#include <gtest/gtest.h>

#include <filesystem>

#include "engine/class_fft.h"
#include "jpeg_workflow_support.h"
#include "pipeline/plugin_mode.h"
#include "tests/support/scoped_tmpdir.h"
#include "tests/support/test_files.h"

using namespace jpeg_workflow_test;
using test_support::FolderEntries;
using test_support::ReadFileBytes;
using test_support::RunCommand;
using test_support::TempFolder;
using test_support::TestData;

namespace {

enum class Mode { Dialog, DialogStripped, AutoSave, AutoSaveStripped, Plugin };

// Every tag of the metadata sections other than EXIF that a camera or editor leaves.
std::string OtherMetadata(const std::string& path) {
    return RunCommand("exiftool -a -G0 -s -XMP:all -ICC_Profile:all -IPTC:all -Photoshop:all -Adobe:all -Comment '" +
                      path + "' 2>/dev/null");
}

// A photo folder, an auto-save folder and a private temporary folder (for the
// hand-back file) around a headless window with a short line kernel.
class JpegSaveTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(root.File("photos"));
        std::filesystem::create_directory(root.File("auto"));
        window.autoSaveFolder = "  " + root.File("auto") + " ";
        DrawLineKernel(window, 5);
    }
    void TearDown() override {
        pipeline::gPluginMode = false;
        pipeline::gFileToOpen.clear();
    }

    // Copies a photo into the photo folder under `name` and loads it.
    std::string LoadCopy(const Bytes& bytes, const std::string& name) {
        const std::string path = PutFile(root.File("photos"), name, bytes);
        EXPECT_TRUE(window.Convert().LoadJPG(path));
        return path;
    }

    // Saves the loaded `photo` in `mode`, the run given `sourcePath` (by default the photo's own) as its source.
    // In plug-in mode "Strip EXIF" is hidden, and ticked here to show that it is not heeded.
    bool Save(Mode mode, const std::string& photo, const std::string& sourcePath = "") {
        window.autoSave = mode == Mode::AutoSave || mode == Mode::AutoSaveStripped;
        window.stripExif = mode == Mode::AutoSaveStripped || mode == Mode::DialogStripped || mode == Mode::Plugin;
        pipeline::gPluginMode = mode == Mode::Plugin;
        pipeline::gFileToOpen = mode == Mode::Plugin ? photo : "";
        return window.Convert().SaveJPG(window.preview, sourcePath.empty() ? photo : sourcePath);
    }

    TempFolder root;
    TempFolder temp;
    test_support::ScopedTmpDir tmpDir{temp.Path()};
    pipeline::HeadlessWindow window;
};

}  // namespace

// Every destination carries the source's EXIF block, byte for byte, unless "Strip EXIF" was
// ticked as the run started (a change while it works is not seen); no save carries the
// source's other metadata sections.
TEST_F(JpegSaveTest, ExifBlockTravelsUnlessStripped) {
    struct Case { Mode mode; const char* output; bool exif; const char* status; };
    const Case cases[] = {
        {Mode::AutoSave, "auto/photo-DB.jpg", true, "Done..."},
        {Mode::AutoSaveStripped, "auto/photo-DB.jpg", false, "Done..."},
        {Mode::Dialog, "auto/chosen.jpg", true, "Done... "},
        {Mode::DialogStripped, "auto/chosen.jpg", false, "Done... "},
        {Mode::Plugin, "photos/photo-DB.jpg", true, "Done..."},
    };
    for (const char* source : {"nikon_d5000_exif_xmp_icc.jpg", "greyscale_exif_xmp_icc.jpg"}) {
        const Bytes original = ReadFileBytes(TestData(std::string("jpeg/") + source));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(source) + " -> " + c.output);
            window.dialogPath = root.File(c.output);
            const std::string photo = LoadCopy(original, "photo.jpg");
            window.overlayLabel.onText = [&](const std::string&) {
                window.autoSave = !(c.mode == Mode::AutoSave || c.mode == Mode::AutoSaveStripped);
                window.stripExif = c.exif;
            };
            ASSERT_TRUE(Save(c.mode, photo));
            window.overlayLabel.onText = nullptr;
            EXPECT_TRUE(window.messages.empty());
            EXPECT_EQ(window.statusLabel.text, c.status);
            const std::string output = root.File(c.output);
            ASSERT_TRUE(std::filesystem::exists(output));

            const std::string sourceExif = ExifBlock(photo);
            ASSERT_GT(sourceExif.size(), 100u);
            EXPECT_EQ(ExifBlock(output), c.exif ? sourceExif : "");
            EXPECT_NE(OtherMetadata(photo), "");
            EXPECT_EQ(OtherMetadata(output), "");
            EXPECT_EQ(ReadFileBytes(photo), original);
            const Decoded saved = DecodeWithLibjpeg(output);
            EXPECT_EQ(std::tuple(saved.width, saved.height, saved.components),
                      std::tuple(window.preview.Width() / 4 * 4, window.preview.Height(), 3));
            std::filesystem::remove(output);
        }
    }
}

// Names keep the letters of their extension; a photo 1001 pixels wide is saved 1000 wide, one
// 1000 wide keeps its width.
TEST_F(JpegSaveTest, AutomaticNamesKeepTheLettersOfTheExtension) {
    struct Case { const char* name; const char* expected; int width, savedWidth; };
    const Case cases[] = {{"photo.jpg", "photo-DB.jpg", 1001, 1000},       {"Photo.JPG", "Photo-DB.JPG", 1000, 1000},
                          {"photo.jpeg", "photo-DB.jpeg", 1003, 1000},     {"IMG.2.JpEg", "IMG.2-DB.JpEg", 61, 60},
                          {"x.jpg.jpeg", "x.jpg-DB.jpeg", 62, 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // An older result of that name is replaced.
        PutFile(root.File("auto"), c.expected, {1, 2, 3});
        ASSERT_TRUE(Save(Mode::AutoSaveStripped, LoadCopy(EncodeJpeg(ColourPattern(c.width, 24)), c.name)));
        EXPECT_EQ(FolderEntries(root.File("auto")), std::vector<std::string>{c.expected});
        const Decoded saved = DecodeWithLibjpeg(root.File("auto/") + c.expected);
        EXPECT_EQ(std::pair(saved.width, saved.height), std::pair(c.savedWidth, 24));
        EXPECT_EQ(window.lastSavedCaption, std::string("[last saved: ") + c.expected + "] ");
        std::filesystem::remove(root.File("auto/") + c.expected);
    }
}

// In plug-in mode the result goes beside the photo, numbered while a name is taken, and its
// path is handed back through the hand-back file, byte for byte; a link planted under the
// hand-back file's name is replaced, never written through.
TEST_F(JpegSaveTest, PluginSavesAreNumberedAndHandedBack) {
    test_support::WriteFileBytes(temp.File("victim.txt"), {'k', 'e', 'e', 'p'});
    std::filesystem::create_symlink(temp.File("victim.txt"), temp.File("__exportfromclarivane.txt"));
    for (const char* name : {"photo.jpg", "Shot.JPEG"}) {
        SCOPED_TRACE(name);
        const std::string photo = LoadCopy(EncodeJpeg(ColourPattern(33, 21)), name);
        const std::string stem = std::string(name).substr(0, std::string(name).find('.'));
        const std::string extension = std::string(name).substr(stem.size());
        for (const char* suffix : {"-DB", "-DB-2", "-DB-3"}) {
            ASSERT_TRUE(Save(Mode::Plugin, photo));
            const std::string expected = root.File("photos/") + stem + suffix + extension;
            EXPECT_TRUE(std::filesystem::exists(expected)) << expected;
            EXPECT_EQ(ReadFileBytes(temp.File("__exportfromclarivane.txt")), Bytes(expected.begin(), expected.end()));
            EXPECT_EQ(ExifBlock(expected), "");
        }
        EXPECT_TRUE(window.messages.empty());
    }
    EXPECT_FALSE(std::filesystem::is_symlink(temp.File("__exportfromclarivane.txt")));
    EXPECT_EQ(ReadFileBytes(temp.File("victim.txt")), (Bytes{'k', 'e', 'e', 'p'}));
}

TEST_F(JpegSaveTest, RefusalsWriteNothingAndSaySo) {
    const Bytes bytes = EncodeJpeg(ColourPattern(24, 16));
    struct Case { const char* name; Mode mode; std::string folder; const char* photo; std::string sourcePath;
                  const char* textStart; };
    const std::string photos = root.File("photos");
    const Case cases[] = {
        // The source path given to the run is what the output would be called.
        {"auto-save over the source", Mode::AutoSave, root.File("auto"), "photo.jpg", root.File("auto/PHOTO-db.JPG"),
         "Whoa... that's a bug...\n\nDestination folder and filename are the same"},
        {"auto-save folder gone", Mode::AutoSave, root.File("gone"), "photo.jpg", photos + "/photo.jpg",
         "The auto-save folder doesn't exist..."},
        {"name without a JPEG ending", Mode::AutoSave, root.File("auto"), "photo.jfif", photos + "/photo.jfif",
         "The photo's name doesn't end in \".jpg\"..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.messages.clear();
        window.autoSaveFolder = c.folder;
        const std::string photo = LoadCopy(bytes, c.photo);
        EXPECT_FALSE(Save(c.mode, photo, c.sourcePath));
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].text.rfind(c.textStart, 0), 0u) << window.messages[0].text;
        EXPECT_EQ(window.messages[0].caption, "Oops");
        EXPECT_EQ(FolderEntries(root.File("auto")), std::vector<std::string>{});
        EXPECT_EQ(FolderEntries(photos), std::vector<std::string>{c.photo});
        EXPECT_NE(window.statusLabel.text, "Done...");
        std::filesystem::remove(photo);
    }
    // Another name of the source file itself is refused too.
    const std::string photo = LoadCopy(bytes, "photo.jpg");
    std::filesystem::create_hard_link(photo, root.File("auto/photo-DB.jpg"));
    window.messages.clear();
    window.autoSaveFolder = root.File("auto");
    EXPECT_FALSE(Save(Mode::AutoSave, photo));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(ReadFileBytes(photo), bytes);
}

// In plug-in mode a name that stands for the source is passed over like any taken name.
TEST_F(JpegSaveTest, PluginNumberingPassesOverTheSourcesName) {
    const std::string photo = LoadCopy(EncodeJpeg(ColourPattern(24, 16)), "photo.jpg");
    const std::string photos = root.File("photos");
    EXPECT_TRUE(Save(Mode::Plugin, photo, photos + "/photo-DB.jpg"));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(FolderEntries(photos), (std::vector<std::string>{"photo-DB-2.jpg", "photo.jpg"}));
    const std::string written = photos + "/photo-DB-2.jpg";
    EXPECT_EQ(ReadFileBytes(temp.File("__exportfromclarivane.txt")), Bytes(written.begin(), written.end()));
}

// Without a kernel nothing is deblurred, and the result is refused as a DNG's is: no file, no box.
TEST_F(JpegSaveTest, AnEmptyKernelWritesNothingInAnyMode) {
    const std::string photo = LoadCopy(EncodeJpeg(ColourPattern(24, 16)), "photo.jpg");
    window.grid.Clear(false);
    window.dialogPath = root.File("auto/chosen.jpg");
    for (const Mode mode : {Mode::Dialog, Mode::AutoSave, Mode::Plugin}) {
        SCOPED_TRACE(int(mode));
        EXPECT_FALSE(Save(mode, photo));
        EXPECT_TRUE(window.messages.empty());
        EXPECT_EQ(FolderEntries(root.File("auto")), std::vector<std::string>{});
        EXPECT_EQ(FolderEntries(root.File("photos")), std::vector<std::string>{"photo.jpg"});
        EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{});
    }
}

// A result that cannot be written is told and reported as a failure, with no last-saved name;
// nothing half-written stays.
TEST_F(JpegSaveTest, WriteFailuresAreToldAndLeaveNoPartialFile) {
    const std::string photo = LoadCopy(EncodeJpeg(ColourPattern(24, 16)), "photo.jpg");
    std::filesystem::create_directory(root.File("auto/photo-DB.jpg"));  // a folder where the file should go
    struct Case { Mode mode; const char* text; const char* caption; };
    const Case cases[] = {
        {Mode::AutoSave, "Could not write file in JPGExif", "JPGExif error"},
        {Mode::Dialog, "Could not open file for write", "JPGExif error"},
        {Mode::DialogStripped, "The JPG could not be written...", "Oops"},
        {Mode::AutoSaveStripped, "The JPG could not be written...", "Oops"},
    };
    window.dialogPath = root.File("auto/no-such-folder/chosen.jpg");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        window.messages.clear();
        window.statusLabel.SetText("");
        window.lastSavedVisible = false;
        EXPECT_FALSE(Save(c.mode, photo));
        EXPECT_FALSE(window.lastSavedVisible);
        EXPECT_NE(window.statusLabel.text.rfind("Done...", 0), 0u);
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].text.rfind(c.text, 0), 0u) << window.messages[0].text;
        EXPECT_EQ(window.messages[0].caption, c.caption);
        EXPECT_EQ(FolderEntries(root.File("auto")), std::vector<std::string>{"photo-DB.jpg"});
        EXPECT_TRUE(std::filesystem::is_empty(root.File("auto/photo-DB.jpg")));
    }
    EXPECT_EQ(window.Convert().ResultJpeg, nullptr);
    EXPECT_FALSE(window.Convert().SaveResultJPG(root.File("auto/late.jpg")));
    EXPECT_FALSE(std::filesystem::exists(root.File("auto/late.jpg")));
}

// A cancel noticed after any plane ends the run: no further plane, no file, "Cancelled...".
TEST_F(JpegSaveTest, CancelAfterEachPlaneWritesNothing) {
    struct Case { const char* name; bool grey; const char* cancelOn; const char* notReached; };
    const Case cases[] = {
        {"after green", false, "green plane...", "red plane..."},
        {"after red", false, "red plane...", "blue plane..."},
        {"after blue", false, "blue plane...", nullptr},
        {"after the grey plane", true, "Deblurring...", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap picture = c.grey ? GreyPattern(50, 30) : ColourPattern(50, 30);
        LoadCopy(EncodeJpeg(picture), "photo.jpg");
        window.overlayLabel.history.clear();
        window.overlayLabel.onText = [&](const std::string& text) {
            if (text.find(c.cancelOn) != std::string::npos) window.Convert().CancelRequested = true;
        };
        window.statusBar.SetPosition(40);
        EXPECT_FALSE(Save(Mode::AutoSaveStripped, root.File("photos/photo.jpg")));
        window.overlayLabel.onText = nullptr;
        EXPECT_EQ(FolderEntries(root.File("auto")), std::vector<std::string>{});
        EXPECT_EQ(window.statusLabel.text, "Cancelled...");
        EXPECT_EQ(window.statusBar.position, 0);
        EXPECT_FALSE(window.Convert().CancelRequested);
        for (const std::string& text : window.overlayLabel.history)
            EXPECT_TRUE(!c.notReached || text.find(c.notReached) == std::string::npos) << text;
    }
}

// A grey photo is deblurred once and saved with three equal components.
TEST_F(JpegSaveTest, GreyPhotoIsSavedAsThreeEqualComponents) {
    for (const auto& [width, height] : {std::pair(57, 31), std::pair(64, 64)}) {
        SCOPED_TRACE(width);
        LoadCopy(EncodeJpeg(GreyPattern(width, height)), "grey.jpg");
        ASSERT_EQ(window.preview.Format(), PixelFormat::pf8bit);
        ASSERT_TRUE(Save(Mode::AutoSaveStripped, root.File("photos/grey.jpg")));
        EXPECT_EQ(std::count_if(window.overlayLabel.history.begin(), window.overlayLabel.history.end(),
                                [](const std::string& t) { return t.find("plane...") != std::string::npos; }),
                  0);
        const Decoded saved = DecodeWithLibjpeg(root.File("auto/grey-DB.jpg"));
        EXPECT_EQ(std::tuple(saved.width, saved.height, saved.components), std::tuple(width / 4 * 4, height, 3));
        bool equal = true, varied = false;
        for (int y = 0; y < saved.height; ++y)
            for (int x = 0; x < saved.width; ++x) {
                const uint8_t* p = saved.pixels.ScanLine(y) + 3 * x;
                equal &= p[0] == p[1] && p[1] == p[2];
                varied |= p[1] != saved.pixels.ScanLine(0)[1];
            }
        EXPECT_TRUE(equal);
        EXPECT_TRUE(varied);
    }
}

// The whole photo is deblurred with the circles where they lie on the preview, whatever the
// result patch's crop: the final run asks them at offsets 0, 0.
TEST_F(JpegSaveTest, FinalResultIsDeblurredInsideTheCirclesOnly) {
    // Equal channels, so the encoder's halved colour resolution loses nothing.
    const Bitmap grey = GreyPattern(200, 150);
    Bitmap colour(200, 150, PixelFormat::pf24bit);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) colour.SetPixel(x, y, grey.Pixel(x, y));
    LoadCopy(EncodeJpeg(colour, 100), "photo.jpg");
    ASSERT_EQ(window.preview.Format(), PixelFormat::pf24bit);
    window.cropLeft = 60;
    window.cropTop = 10;
    window.engine.AddCircle(40, 140);
    const engine::ControlCircle& circle = *window.engine.circles[0];
    window.engine.circles[0]->SetSize(30, 20, 0);
    ASSERT_TRUE(Save(Mode::AutoSaveStripped, root.File("photos/photo.jpg")));
    const Bitmap saved = DecodeWithLibjpeg(root.File("auto/photo-DB.jpg")).pixels;
    double inside = 0, outside = 0;
    int insideCount = 0, outsideCount = 0;
    for (int y = 0; y < saved.Height(); ++y)
        for (int x = 0; x < saved.Width(); ++x) {
            // Away from the circle by more than two of the encoder's blocks, or well inside it.
            const bool far = y < circle.top - 16 || y > circle.bottom + 16 || x < circle.left - 16 ||
                             x > circle.right + 16;
            const bool deep = circle.Depth(y, x) > 6;
            if (!far && !deep) continue;
            double sum = 0;
            for (int b = 0; b < 3; ++b)
                sum += std::abs(saved.ScanLine(y)[3 * x + b] - window.preview.ScanLine(y)[3 * x + b]);
            (deep ? inside : outside) += sum / 3;
            ++(deep ? insideCount : outsideCount);
        }
    ASSERT_GT(insideCount, 500);
    EXPECT_GT(inside / insideCount, 4.0);
    EXPECT_LT(outside / outsideCount, 1.0);
}
