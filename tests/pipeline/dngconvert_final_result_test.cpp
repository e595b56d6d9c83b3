// Real DNGs of the test data, their camera model rewritten to a supported one, taken
// through open, result patch and final result; the written DNG is read back by the
// layer, LibRaw and exiftool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

#include "dng_test_support.h"
#include "engine/class_fft.h"
#include "exiftool_tags.h"
#include "libraw_values.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "tests/support/test_files.h"
#include "tests/support/tiff_edits.h"
#include "unique_id_form.h"

namespace {

using pipeline::DNGConvert;
using pipeline::HeadlessWindow;

constexpr const char* kCanon = "canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng";
// Big-endian, lossless-JPEG tiles and a linearization table.
constexpr const char* kBlackmagic = "blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng";

// The identity kernel leaves every plane to the regulariser alone: the filter passes
// frequency k with weight 1 / (1 + g |P_k|^2), g = 1.07^lowPass x 1e-4, P the Laplacian.
// It takes g (L * L) * plane off each sample, L * L the 13-point stencil whose positive
// and negative weights each sum to 32, so a sample moves by at most 32 g times the range
// of its plane within two sites, plus one level for the truncation toward zero. A plane
// sample depends on raw samples within two sites, so the range is taken over 9 x 9 raw
// sites, counting the zeros that pad the engine's tiles beyond the image. In the
// one-plane method red and blue move by their ratio to the green.
constexpr double kRegulariser = 1e-4;  // lowPass 0

enum class Kernel { Identity, Line, LineInEllipse };

struct RealCase {
    const char* label;
    const char* file;
    const char* model;
    bool threePlanes;
    Kernel kernel;
};

// Deblur ellipse in preview coordinates, wider than high so that swapped rows and
// columns land elsewhere.
constexpr int kEllipseRow = 430, kEllipseCol = 690, kEllipseRadiusX = 150, kEllipseRadiusY = 90;

// Where a raw site lies against the ellipse: -1 clearly outside, 1 clearly inside, 0 near its edge.
int EllipseSide(int previewRow, int previewCol) {
    const double dx = double(previewCol - kEllipseCol) / kEllipseRadiusX;
    const double dy = double(previewRow - kEllipseRow) / kEllipseRadiusY;
    const double d = dx * dx + dy * dy;
    return d > 1.1 ? -1 : (d < 0.6 ? 1 : 0);
}

struct RawImage {
    std::vector<uint16_t> samples;
    int width = 0, height = 0, top = 0, left = 0;
    std::vector<uint16_t> table;
    bool greenAtOrigin = false;  // whether the active area's corner site is green

    explicit RawImage(const std::string& path) {
        const auto dng = LoadDNG(test_support::ReadFileBytes(path));  // throws on a wrong digest
        const dng_image& image = *dng->negative->Stage1Image();
        samples = PlaneSamples(image, 0);
        width = int(image.Width());
        height = int(image.Height());
        const dng_linearization_info& lin = *dng->negative->GetLinearizationInfo();
        top = lin.fActiveArea.t;
        left = lin.fActiveArea.l;
        table = lin.fLinearizationTable;
        greenAtOrigin = dng->negative->GetMosaicInfo()->fCFAPattern[0][0] == 1;
    }
    int At(int r, int c) const { return samples[size_t(r) * width + c]; }
    bool Green(int r, int c) const { return ((r - top + c - left) % 2 == 0) == greenAtOrigin; }
    bool Active(int r, int c) const { return r >= top && c >= left; }
};

double IdentityBound(const RawImage& raw, int r, int c, bool ratioToGreen) {
    int lo = 65535, hi = 0, greenLo = 65535;
    for (int i = -4; i <= 4; ++i)
        for (int j = -4; j <= 4; ++j) {
            const int rr = r + i, cc = c + j;
            if (rr < 0 || cc < 0 || rr >= raw.height || cc >= raw.width) {
                lo = 0;
                greenLo = 1;
                continue;
            }
            lo = std::min(lo, raw.At(rr, cc));
            hi = std::max(hi, raw.At(rr, cc));
            if (raw.Green(rr, cc)) greenLo = std::min(greenLo, std::max(raw.At(rr, cc), 1));
        }
    const double plane = 1 + 32 * kRegulariser * (hi - lo);
    return ratioToGreen ? 1 + double(raw.At(r, c)) / greenLo * plane : plane;
}

// Tags a written DNG holds otherwise by design: the new identity and software, the
// uncompressed one-strip layout of a DNG 1.3 writer, and the resolution tags, which a
// DNG writer does not carry.
const std::set<std::string> kRewrittenTags = {
    "IFD:Software",       "IFD:RawImageDigest", "IFD:RawDataUniqueID", "IFD:DNGVersion",    "IFD:BitsPerSample",
    "IFD:Compression",    "IFD:StripOffsets",   "IFD:StripByteCounts", "IFD:RowsPerStrip",  "IFD:TileWidth",
    "IFD:TileLength",     "IFD:TileOffsets",    "IFD:TileByteCounts",  "IFD:XResolution",   "IFD:YResolution",
    "IFD:ResolutionUnit", "IFD:SubfileType"};

class RealFinalResult : public testing::TestWithParam<RealCase> {
protected:
    void SetUp() override {
        const RealCase& c = GetParam();
        std::filesystem::create_directory(folder.File("out"));
        source = folder.File("photo.dng");
        sourceBytes =
            test_support::WithUniqueCameraModel(test_support::ReadFileBytes(DngTestFile(c.file)), c.model);
        test_support::WriteFileBytes(source, sourceBytes);
        window.autoSave = true;
        window.autoSaveFolder = folder.File("out");
        window.engine.lowPass = 0;
        if (c.kernel == Kernel::Identity) {
            window.grid.ClickCell(50, 50, false, controls::KernelGrid::kCoreColor);
        } else {
            for (int x = 45; x <= 55; ++x) window.grid.ClickCell(x, 50, false, controls::KernelGrid::kCoreColor);
        }
        if (c.kernel == Kernel::LineInEllipse) {
            window.engine.AddCircle(kEllipseRow, kEllipseCol);
            window.engine.circles[0]->SetSize(kEllipseRadiusX, kEllipseRadiusY, 0);
        }
    }

    test_support::TempFolder folder;
    std::string source;
    std::vector<uint8_t> sourceBytes;
    HeadlessWindow window;
};

TEST_P(RealFinalResult, OpensPatchesAndWritesADNGTheReadersAccept) {
    const RealCase& c = GetParam();
    DNGConvert& convert = window.Convert();
    ASSERT_TRUE(convert.ProcessDNG(source, "photo.dng"));
    convert.HighQuality = c.threePlanes;

    window.cropLeft = 100;
    window.cropTop = 60;
    platform::Bitmap patch;
    convert.DeblurPreview(patch);
    EXPECT_EQ(window.statusLabel.text, "Done...");
    EXPECT_EQ(patch.Width(), 512);
    EXPECT_EQ(patch.Height(), 512);

    ASSERT_TRUE(convert.DeblurDNG(DNGConvert::kFinalResult));
    ASSERT_TRUE(window.messages.empty()) << window.messages[0].text;
    // The final result leaves nothing behind that a later patch would see.
    platform::Bitmap again;
    convert.DeblurPreview(again);
    ASSERT_EQ(again.ByteSize(), patch.ByteSize());
    EXPECT_TRUE(std::equal(again.Bits(), again.Bits() + again.ByteSize(), patch.Bits()));
    const std::string written = folder.File("out/photo-DB.dng");
    EXPECT_EQ(test_support::ReadFileBytes(source), sourceBytes);

    const RawImage before(source);
    const RawImage after(written);
    ASSERT_EQ(after.width, before.width);
    ASSERT_EQ(after.height, before.height);
    EXPECT_EQ(after.table, before.table);
    size_t changed = 0, inside = 0;
    for (int r = 0; r < before.height; ++r)
        for (int col = 0; col < before.width; ++col) {
            const int was = before.At(r, col), is = after.At(r, col);
            if (!before.Active(r, col)) {
                ASSERT_EQ(is, was) << "masked site " << r << "," << col;
                continue;
            }
            changed += is != was;
            const int side = EllipseSide(r - before.top, col - before.left);
            switch (c.kernel) {
            case Kernel::Identity: {
                const bool ratio = !c.threePlanes && !before.Green(r, col);
                ASSERT_LE(std::abs(is - was), IdentityBound(before, r, col, ratio)) << r << "," << col;
                break;
            }
            case Kernel::LineInEllipse:
                if (side < 0) {
                    ASSERT_EQ(is, was) << "outside the ellipse " << r << "," << col;
                }
                if (side > 0) inside += is != was;
                break;
            case Kernel::Line:
                break;
            }
        }
    const size_t activeSites = size_t(before.width - before.left) * (before.height - before.top);
    if (c.kernel == Kernel::Line) {
        EXPECT_GT(changed, activeSites / 2);
    }
    if (c.kernel == Kernel::LineInEllipse) {
        const double ellipseSites = 3.14159 * 0.6 * kEllipseRadiusX * kEllipseRadiusY;
        EXPECT_GT(double(inside), ellipseSites / 2);
    }

    // LibRaw reads what was written, through the table when there is one.
    const std::vector<uint16_t> libraw = LibRawValues(written);
    ASSERT_EQ(libraw.size(), after.samples.size());
    for (size_t i = 0; i < libraw.size(); ++i) {
        const uint16_t v = after.samples[i];
        const uint16_t expected = after.table.empty() ? v : after.table[std::min<size_t>(v, after.table.size() - 1)];
        ASSERT_EQ(libraw[i], expected) << "sample " << i;
    }

    const auto back = LoadDNG(test_support::ReadFileBytes(written), false);
    EXPECT_EQ(back->negative->GetExif().fSoftware, "Clarivane 1.1.0");
    const dng_fingerprint& id = back->negative->RawDataUniqueID();
    EXPECT_TRUE(pipelinetest::HasUniqueIDForm(id)) << pipelinetest::IDText(id);
    const dng_ifd& thumbnail = *back->info.fIFD[0];
    EXPECT_EQ(std::max(thumbnail.fImageWidth, thumbnail.fImageLength), 320u);
    EXPECT_EQ(thumbnail.fImageWidth, convert.Thumbnail.fImage->Width());
    EXPECT_EQ(thumbnail.fImageLength, convert.Thumbnail.fImage->Height());

    // Nothing new for exiftool to complain about, and every tag the source has as it was.
    const std::string sourceProblems = ExifToolProblems(source);
    std::istringstream problems(ExifToolProblems(written));
    for (std::string line; std::getline(problems, line);) {
        EXPECT_NE(sourceProblems.find(line), std::string::npos) << line;
    }
    const auto sourceTags = ExifToolTags(source);
    const auto writtenTags = ExifToolTags(written);
    for (const auto& [tag, value] : sourceTags) {
        // An undefined value reads back as 0; an empty text is not written.
        if (kRewrittenTags.count(tag) || value == "undef" || value.find_first_not_of(' ') == std::string::npos)
            continue;
        EXPECT_EQ(writtenTags.count(tag) ? writtenTags.at(tag) : "missing", value) << tag;
    }
    EXPECT_EQ(writtenTags.at("IFD:Software"), "Clarivane 1.1.0");
}

INSTANTIATE_TEST_SUITE_P(
    Photos, RealFinalResult,
    testing::Values(RealCase{"CanonOnePlaneIdentity", kCanon, "Canon EOS 550D", false, Kernel::Identity},
                    RealCase{"CanonThreePlanesIdentity", kCanon, "Canon EOS 550D", true, Kernel::Identity},
                    RealCase{"CanonOnePlaneEllipse", kCanon, "Canon EOS 550D", false, Kernel::LineInEllipse},
                    RealCase{"CanonThreePlanesLine", kCanon, "Canon EOS 550D", true, Kernel::Line},
                    RealCase{"BlackmagicOnePlaneIdentity", kBlackmagic, "Nikon D800E", false, Kernel::Identity},
                    RealCase{"BlackmagicThreePlanesIdentity", kBlackmagic, "Sony ILCE-7S", true, Kernel::Identity},
                    RealCase{"BlackmagicOnePlaneLine", kBlackmagic, "Nikon D800E", false, Kernel::Line},
                    RealCase{"BlackmagicThreePlanesEllipse", kBlackmagic, "Leica S2", true, Kernel::LineInEllipse}),
    [](const testing::TestParamInfo<RealCase>& info) { return info.param.label; });

}  // namespace
