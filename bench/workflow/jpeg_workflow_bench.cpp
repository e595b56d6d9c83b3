// The JPEG side of the photo workflow on 24-megapixel photos (6000 x 4000), one
// colour and one grey, each carrying an EXIF block, behind the headless main
// window: loading, the 512 x 512 result patch, and the final result (deblur,
// encode at quality 100, write) with and without the source's EXIF block.
// Every run is a process of its own; the figures are wall time and peak
// resident memory (of the whole run, the loaded photo included) with medians.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "own_process_run.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "tests/jpeg/exif_builder.h"
#include "tests/jpeg_workflow/jpeg_workflow_support.h"
#include "tests/support/test_files.h"

namespace {

using workflowbench::Figures;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kRuns = 3;
constexpr int kPatch = 512;

// Untimed preparation, then the timed work.
struct JpegCase {
    const char* name;
    std::function<void(pipeline::HeadlessWindow&, const std::string& photo)> prepare;
    std::function<void(pipeline::HeadlessWindow&, const std::string& photo)> run;
};

// A camera-like EXIF block: the usual main and EXIF directories and a 4 KB maker note.
Bytes ExifSection() {
    ExifBuilder b(false);
    const uint32_t main = b.AddDirectory({ExifBuilder::Rational(0x011A, 72, 1), ExifBuilder::Rational(0x011B, 72, 1),
                                          ExifBuilder::Short(0x0128, 2), ExifBuilder::Short(0x0112, 1),
                                          ExifBuilder::Date(0x0132), ExifBuilder::Long(0x8769, 0)});
    const ExifBuilder::Entry makerNote{0x927C, 7, 4000, std::vector<uint32_t>(1000, 7)};
    const uint32_t exif = b.AddDirectory({ExifBuilder::Rational(0x829A, 1, 250), ExifBuilder::Short(0x8827, 200),
                                          ExifBuilder::Date(0x9003), makerNote});
    b.SetEntryField(main, 5, exif);
    return ExifPayload(b.Tiff());
}

std::string WritePhoto(const test_support::TempFolder& folder, const std::string& name, bool grey) {
    using namespace jpeg_workflow_test;
    const Bitmap picture = grey ? GreyPattern(kWidth, kHeight) : ColourPattern(kWidth, kHeight);
    return PutFile(folder.Path(), name, WithLeadingSections(EncodeJpeg(picture, 95), {{0xE1, ExifSection()}}));
}

void Load(pipeline::HeadlessWindow& window, const std::string& photo) { window.Convert().LoadJPG(photo); }

// Loaded, a line kernel on the grid, auto save into a folder beside the photo.
void PrepareFinal(pipeline::HeadlessWindow& window, const std::string& photo, bool strip) {
    Load(window, photo);
    jpeg_workflow_test::DrawLineKernel(window, 9);
    window.engine.SetLowPass(20);
    const std::string out = std::filesystem::path(photo).parent_path() / "out";
    std::filesystem::create_directories(out);
    window.autoSave = true;
    window.stripExif = strip;
    window.autoSaveFolder = out;
}

// The patch bitmap, filled as the window's crop copy fills it, travels from preparation to the run.
jpeg_workflow_test::Bitmap gPatch;

const std::vector<JpegCase>& Cases() {
    static const std::vector<JpegCase> cases = {
        {"load (read, sections, decode, show)", [](auto&, const auto&) {}, Load},
        {"result patch 512 x 512",
         [](pipeline::HeadlessWindow& window, const std::string& photo) {
             PrepareFinal(window, photo, true);
             gPatch = jpeg_workflow_test::Bitmap(kPatch, kPatch, jpeg_workflow_test::PixelFormat::pf24bit);
             for (int y = 0; y < kPatch; ++y)
                 for (int x = 0; x < kPatch; ++x) gPatch.SetPixel(x, y, window.preview.Pixel(x + 2000, y + 1500));
             window.cropLeft = 2000;
             window.cropTop = 1500;
         },
         [](pipeline::HeadlessWindow& window, const std::string&) { window.Convert().ProcessJPG(gPatch); }},
        {"final result with the EXIF block",
         [](pipeline::HeadlessWindow& window, const std::string& photo) { PrepareFinal(window, photo, false); },
         [](pipeline::HeadlessWindow& window, const std::string& photo) {
             window.Convert().SaveJPG(window.preview, photo);
         }},
        {"final result, EXIF stripped",
         [](pipeline::HeadlessWindow& window, const std::string& photo) { PrepareFinal(window, photo, true); },
         [](pipeline::HeadlessWindow& window, const std::string& photo) {
             window.Convert().SaveJPG(window.preview, photo);
         }},
    };
    return cases;
}

Figures RunOnce(const JpegCase& c, const std::string& photo) {
    return workflowbench::RunWindowCase([&](pipeline::HeadlessWindow& window) { c.prepare(window, photo); },
                                        [&](pipeline::HeadlessWindow& window) { c.run(window, photo); });
}

}  // namespace

// With an argument, only the cases whose name (with "colour, " or "grey, " in front) holds it run.
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    test_support::TempFolder folder;
    std::printf("24 MP (%d x %d) JPEGs with an EXIF block, %d runs per case, each in its own process\n", kWidth,
                kHeight, kRuns);
    for (const bool grey : {false, true}) {
        const std::string photo = WritePhoto(folder, grey ? "grey.jpg" : "colour.jpg", grey);
        for (const JpegCase& c : Cases()) {
            const std::string name = std::string(grey ? "grey, " : "colour, ") + c.name;
            if (name.find(only) == std::string::npos) continue;
            std::vector<Figures> runs;
            for (int run = 0; run < kRuns; ++run) runs.push_back(RunOnce(c, photo));
            workflowbench::PrintFigures(name.c_str(), runs);
        }
    }
    return 0;
}
