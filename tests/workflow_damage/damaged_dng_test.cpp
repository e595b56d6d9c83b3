// Damaged DNGs through the browser preview and the opening of a DNG: each ends in the
// operation's own outcome with at most one message, the file stays as it was, and the same
// workflow object then previews and opens a sound photo.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fixture_patch.h"
#include "fixture_writer.h"
#include "pipeline/class_dngconvert.h"
#include "source_file.h"
#include "tests/support/tiff_edits.h"

namespace workflow_damage {
namespace {

using fixture_patch::Bytes;
using fixture_patch::EntryOf;
using fixture_patch::Get32;
using fixture_patch::Put16;
using fixture_patch::Put32;
using fixture_patch::ValueOf;

const char* const kPreviewFailed = "Whoa... that's a bug...\n\nFailed to process the preview of this DNG...";
const char* const kOpenFailed = "Whoa... that's a bug...\n\nFailed to process this DNG...";
const char* const kRenderFailed = "Whoa... that's a bug...\n\nFailed to process this DNG into a preview...";

// How the workflow answers a file, by where its damage is met.
enum class Outcome {
    NotDng,     // the directories hold no valid DNG: both operations refuse it without a box, the
                // browser says so in its model line
    FileFault,  // reading the directories fails: each operation refuses it with its own box
    ReadFault,  // the directories are sound, the raw image is not: the preview shows, the opening
                // reports the failed render, counts as done and leaves no DNG open
};

FixtureOptions Base(uint32_t compression = 1, bool tiled = false, bool bigEndian = false) {
    FixtureOptions options;
    options.width = 34;
    options.height = 22;
    options.bits = 14;
    options.compression = compression;
    options.tiled = tiled;
    options.tileWidth = options.tileLength = tiled ? 16 : 0;
    options.bigEndian = bigEndian;
    options.samples = PatternSamples(34, 22, 1, 14);
    options.previews = {FixturePreview{}};
    return options;
}

Bytes Written(const FixtureOptions& options) { return WriteFixtureDNG(options); }

Bytes Damaged(const FixtureOptions& options, const std::function<void(Bytes&)>& damage) {
    Bytes bytes = WriteFixtureDNG(options);
    damage(bytes);
    return bytes;
}

// A real camera file under a supported model's name, so that it is opened, not refused.
Bytes RealFile(const std::string& name, const std::string& supported) {
    return test_support::WithUniqueCameraModel(test_support::ReadFileBytes(test_support::TestData("dng/" + name)),
                                               supported);
}

struct DamageCase {
    const char* name;
    std::function<Bytes()> bytes;
    Outcome outcome;
};

const DamageCase kCases[] = {
    {"EmptyFile", [] { return Bytes{}; }, Outcome::FileFault},
    {"HeaderOnly", [] { return Bytes{'I', 'I', 42, 0, 8, 0, 0, 0}; }, Outcome::FileFault},
    {"SubIfdLinkedBackToIfd0",
     [] {
         FixtureOptions options = Base();
         options.rawInSubIFD = true;
         return Damaged(options, [](Bytes& b) { Put32(b, ValueOf(b, 330), Get32(b, 4)); });
     },
     Outcome::FileFault},
    {"Ifd0WithoutEntries", [] { return Damaged(Base(), [](Bytes& b) { Put16(b, Get32(b, 4), 0); }); },
     Outcome::FileFault},
    {"TiffWithoutDngVersion", [] { return Damaged(Base(), [](Bytes& b) { Put16(b, EntryOf(b, 50706), 50000); }); },
     Outcome::NotDng},
    {"StripOffsetPastTheEnd",
     [] { return Damaged(Base(), [](Bytes& b) { Put32(b, ValueOf(b, 273), uint32_t(b.size()) + 100); }); },
     Outcome::ReadFault},
    {"ColorMatrixCountPastTheEnd",
     [] { return Damaged(Base(), [](Bytes& b) { Put32(b, EntryOf(b, 50721) + 4, 0x10000000); }); },
     Outcome::FileFault},
    {"HugeWidthAndHeight",
     [] {
         return Damaged(Base(), [](Bytes& b) {
             for (uint16_t tag : {256, 257, 278}) Put32(b, ValueOf(b, tag), 65535);
         });
     },
     Outcome::NotDng},
    {"StripsAndTilesBoth",
     [] {
         // The raw directory's first entry (its subfile type) becomes strip offsets beside the tiles.
         return Damaged(Base(1, true), [](Bytes& b) { Put16(b, EntryOf(b, 254), 273); });
     },
     Outcome::NotDng},
    {"WidthReadAsShortInBigEndian",
     [] { return Damaged(Base(1, false, true), [](Bytes& b) { Put16(b, EntryOf(b, 256) + 2, 3); }); },
     Outcome::NotDng},
    {"RawDataCutShort",
     [] { return Damaged(Base(), [](Bytes& b) { Put32(b, ValueOf(b, 279), Get32(b, ValueOf(b, 279)) / 2); }); },
     Outcome::ReadFault},
    {"LosslessJpegTileWithBadHuffmanTable",
     [] {
         return Damaged(Base(7, true),
                        [](Bytes& b) { b[fixture_patch::Marker(b, 324, 0xC4) + 5] = 5; });  // five codes of length 1
     },
     Outcome::ReadFault},
    {"RawDigestMismatch",
     [] { return Damaged(Base(), [](Bytes& b) { b[Get32(b, ValueOf(b, 273)) + 41] ^= 0x04; }); },
     Outcome::ReadFault},
    {"RealFileCutInsideItsRawData",
     [] {
         Bytes bytes = RealFile("canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng", "Canon EOS 550D");
         bytes.resize(bytes.size() * 3 / 5);
         return bytes;
     },
     Outcome::ReadFault},
    {"RealLosslessJpegTileWithBadHuffmanTable",
     [] {
         Bytes bytes = RealFile("blackmagic_pocket_cinemadng_ljpeg_tiled_lintable_MM.dng", "Nikon D800");
         bytes[fixture_patch::Marker(bytes, 324, 0xC4) + 5] = 5;
         return bytes;
     },
     Outcome::ReadFault},
};

class WorkflowDamagedDNG : public ::testing::TestWithParam<DamageCase> {};

TEST_P(WorkflowDamagedDNG, EachOperationGivesItsOwnOutcomeOnceAndTheNextPhotoOpens) {
    const DamageCase& c = GetParam();
    pipeline::HeadlessWindow window;
    pipeline::DNGConvert& convert = window.Convert();
    const SourceFile damaged(c.bytes(), "damaged.dng");

    EXPECT_EQ(convert.ReadPreviewDNG(damaged.Path()), c.outcome == Outcome::ReadFault);
    EXPECT_EQ(BoxTexts(window), c.outcome == Outcome::FileFault ? Texts{kPreviewFailed} : Texts{});
    if (c.outcome == Outcome::NotDng) {
        EXPECT_EQ(window.modelText, "Can't read preview...");
    }

    window.messages.clear();
    // A failure after the camera check is reported by the render, and the opening counts as done.
    EXPECT_EQ(convert.ProcessDNG(damaged.Path(), "damaged.dng"), c.outcome == Outcome::ReadFault);
    EXPECT_EQ(BoxTexts(window), c.outcome == Outcome::NotDng      ? Texts{}
                                : c.outcome == Outcome::ReadFault ? Texts{kRenderFailed}
                                                                  : Texts{kOpenFailed});
    EXPECT_FALSE(convert.HasOpenDNG());
    EXPECT_TRUE(damaged.Unchanged());

    window.messages.clear();
    const SourceFile sound(Written(Base(7)), "sound.dng");
    EXPECT_TRUE(convert.ReadPreviewDNG(sound.Path()));
    EXPECT_TRUE(convert.ProcessDNG(sound.Path(), "sound.dng"));
    EXPECT_TRUE(convert.HasOpenDNG());
    EXPECT_EQ(BoxTexts(window), Texts{});
    EXPECT_GT(window.preview.Width(), 0);
    EXPECT_TRUE(sound.Unchanged());
}

INSTANTIATE_TEST_SUITE_P(Kinds, WorkflowDamagedDNG, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

}  // namespace
}  // namespace workflow_damage
