#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/class_fft.h"
#include "jpeg_workflow_support.h"
#include "pipeline/plugin_mode.h"
#include "tests/jpeg/exif_builder.h"
#include "tests/support/scoped_tmpdir.h"
#include "tests/support/test_files.h"

using namespace jpeg_workflow_test;
using test_support::FolderEntries;
using test_support::ReadFileBytes;
using test_support::RunCommand;
using test_support::TempFolder;
using test_support::TestData;

namespace {

enum class Mode { Dialog, DialogStripped, AutoSave, AutoSaveStripped, Plugin, PluginUnticked };

// Every tag of the metadata sections other than EXIF and the colour profile that a camera or editor leaves.
std::string OtherMetadata(const std::string& path) {
    return RunCommand("exiftool -a -G0 -s -XMP:all -IPTC:all -Photoshop:all -Adobe:all -Comment '" + path +
                      "' 2>/dev/null");
}

std::string ColourProfile(const std::string& path) {
    return RunCommand("exiftool -b -ICC_Profile '" + path + "' 2>/dev/null");
}

// The marker codes of a JPEG's sections up to its scan header, and the APP2 sections among them.
struct Sections {
    std::vector<int> markers;
    std::vector<RawSection> app2;
    Bytes withoutApp2;  // the file without its APP2 sections
};
Sections SectionsOf(const Bytes& jpeg) {
    Sections found;
    found.withoutApp2.assign(jpeg.begin(), jpeg.begin() + 2);
    std::size_t at = 2;
    for (bool scan = false; !scan && at + 4 <= jpeg.size();) {
        const int marker = jpeg[at + 1];
        const std::size_t end = at + 2 + ((jpeg[at + 2] << 8) | jpeg[at + 3]);
        found.markers.push_back(marker);
        if (marker == 0xE2)
            found.app2.push_back({0xE2, Bytes(jpeg.begin() + long(at) + 4, jpeg.begin() + long(end))});
        else
            found.withoutApp2.insert(found.withoutApp2.end(), jpeg.begin() + long(at), jpeg.begin() + long(end));
        scan = marker == 0xDA;
        at = end;
    }
    found.withoutApp2.insert(found.withoutApp2.end(), jpeg.begin() + long(std::min(at, jpeg.size())), jpeg.end());
    return found;
}

// `jpeg` with `extra` sections after its first `count` sections.
Bytes WithSectionsAfter(const Bytes& jpeg, int count, const std::vector<RawSection>& extra) {
    std::size_t at = 2;
    for (int i = 0; i < count; ++i) at += 2 + std::size_t((jpeg.at(at + 2) << 8) | jpeg.at(at + 3));
    const Bytes inserted = WithSections(extra, Bytes(jpeg.begin() + long(at), jpeg.end()));
    Bytes out(jpeg.begin(), jpeg.begin() + long(at));
    out.insert(out.end(), inserted.begin() + 2, inserted.end());
    return out;
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
    // In plug-in mode "Strip EXIF" is hidden, and ticked here (but in PluginUnticked) to show that it is not heeded.
    bool Save(Mode mode, const std::string& photo, const std::string& sourcePath = "") {
        const bool plugin = mode == Mode::Plugin || mode == Mode::PluginUnticked;
        window.autoSave = mode == Mode::AutoSave || mode == Mode::AutoSaveStripped;
        window.stripExif = mode == Mode::AutoSaveStripped || mode == Mode::DialogStripped || mode == Mode::Plugin;
        pipeline::gPluginMode = plugin;
        pipeline::gFileToOpen = plugin ? photo : "";
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
// source's other metadata sections, but for an RGB colour profile.
TEST_F(JpegSaveTest, ExifBlockTravelsUnlessStripped) {
    struct Case { Mode mode; const char* output; bool exif; const char* status; };
    const Case cases[] = {
        {Mode::AutoSave, "auto/photo-DB.jpg", true, "Done..."},
        {Mode::AutoSaveStripped, "auto/photo-DB.jpg", false, "Done..."},
        {Mode::Dialog, "auto/chosen.jpg", true, "Done... "},
        {Mode::DialogStripped, "auto/chosen.jpg", false, "Done... "},
        {Mode::Plugin, "photos/photo-DB.jpg", true, "Done..."},
    };
    // The camera's sRGB profile goes everywhere; the grey one describes no colour result.
    for (const auto& [source, rgbProfile] :
         {std::pair("nikon_d5000_exif_xmp_icc.jpg", true), std::pair("greyscale_exif_xmp_icc.jpg", false)}) {
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
            ASSERT_NE(ColourProfile(photo), "");
            EXPECT_TRUE(ColourProfile(output) == (rgbProfile ? ColourProfile(photo) : ""));
            EXPECT_EQ(ReadFileBytes(photo), original);
            const Decoded saved = DecodeWithLibjpeg(output);
            EXPECT_EQ(std::tuple(saved.width, saved.height, saved.components),
                      std::tuple(window.preview.Width() / 4 * 4, window.preview.Height(), 3));
            std::filesystem::remove(output);
        }
    }
}

// The source's colour profile goes to every destination, stripped or not, whole, in its order
// and right after the header sections, when it is an RGB one; otherwise, and but for it, the
// result is the file that the photo without a profile gives.
TEST_F(JpegSaveTest, RgbColourProfileGoesToEveryDestination) {
    const Bytes camera = ReadFileBytes(TestData("jpeg/canon_eos_350d_progressive.jpg"));  // JFIF, EXIF, XMP
    const Bytes rgb = IccProfile("RGB ", 1500);
    const std::vector<RawSection> three = IccSegments(rgb, {100, 900});
    struct Source { const char* name; std::vector<RawSection> segments; bool goes; };
    const Source sources[] = {
        {"an RGB profile in three segments", three, true},
        {"the same stored out of order", {three[2], three[0], three[1]}, true},
        {"a grey profile", IccSegments(IccProfile("GRAY", 500)), false},
        {"a segment missing", {three[0], three[2]}, false},
    };
    struct Destination { Mode mode; const char* output; };
    const Destination destinations[] = {
        {Mode::AutoSave, "auto/photo-DB.jpg"},    {Mode::AutoSaveStripped, "auto/photo-DB.jpg"},
        {Mode::Dialog, "auto/chosen.jpg"},        {Mode::DialogStripped, "auto/chosen.jpg"},
        {Mode::Plugin, "photos/photo-DB.jpg"},    {Mode::PluginUnticked, "photos/photo-DB.jpg"},
        {Mode::DialogStripped, "auto/later.jpg"},  // cancelled, then written by SaveResultJPG
    };
    const auto save = [&](const Destination& d, const Bytes& photo) {
        const bool later = std::string(d.output) == "auto/later.jpg";
        window.dialogPath = later ? "" : root.File(d.output);
        EXPECT_TRUE(Save(d.mode, LoadCopy(photo, "photo.jpg")));
        if (later) {
            EXPECT_TRUE(window.Convert().SaveResultJPG(root.File(d.output)));
        }
        const Bytes saved = ReadFileBytes(root.File(d.output));
        std::filesystem::remove(root.File(d.output));
        return saved;
    };
    for (const Destination& d : destinations) {
        const Sections plain = SectionsOf(save(d, camera));
        ASSERT_TRUE(plain.app2.empty());
        for (const Source& s : sources) {
            SCOPED_TRACE(std::string(s.name) + " -> " + d.output + " " + std::to_string(int(d.mode)));
            const std::string photo = PutFile(root.File("photos"), "photo.jpg", WithSectionsAfter(camera, 2, s.segments));
            if (s.goes) {
                ASSERT_TRUE(IccProfileOf(photo) == rgb);
            }
            const Bytes saved = save(d, ReadFileBytes(photo));
            const Sections found = SectionsOf(saved);
            EXPECT_EQ(found.app2.size(), s.goes ? s.segments.size() : 0u);
            for (std::size_t i = 0; s.goes && i < std::min(found.app2.size(), s.segments.size()); ++i)
                EXPECT_TRUE(found.app2[i].payload == s.segments[i].payload) << i;
            EXPECT_TRUE(found.withoutApp2 == plain.withoutApp2);
            // The segments right after the leading header sections, before the encoder's tables.
            std::vector<int> markers = plain.markers;
            const auto header = std::find_if(markers.begin(), markers.end(), [](int m) { return m != 0xE0 && m != 0xE1; });
            markers.insert(header, found.app2.size(), 0xE2);
            EXPECT_EQ(found.markers, markers);
            // libjpeg reads the profile back, and the same pixels as without it.
            const std::string output = PutFile(root.Path(), "saved.jpg", saved);
            EXPECT_TRUE(IccProfileOf(output) == (s.goes ? rgb : Bytes{}));
            const std::string plainFile = PutFile(root.Path(), "plain.jpg", plain.withoutApp2);
            EXPECT_EQ(Compare(DecodeWithLibjpeg(output).pixels, DecodeWithLibjpeg(plainFile).pixels).largest, 0);
        }
    }
    EXPECT_TRUE(window.messages.empty());
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
