#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "jpgexif_test_support.h"

namespace {

const char* const kNesting = "Maximum Exif directory nesting exceeded (corrupt Exif header)";
const char* const kSized = "Illegally sized Exif subdirectory";
const char* const kPointer = "Illegal value pointer for tag %04x in Exif";
const char* const kFirstOffset = "Invalid offset for first Exif IFD value";
const char* const kFormat = "Illegal format code in Exif header";

// Walks an APP1 section and returns the errors reported, boxed or not. The
// section is its own allocation of exactly its size, so an address-sanitised
// build catches any read beyond it.
Texts WalkSection(JPGExif& table, const Bytes& section) {
    ErrorCapture errors;
    table.ParseExif(section.data(), unsigned(section.size()));
    EXPECT_LE(errors.boxes.texts.size(), 1u);
    return errors.All();
}

Texts Walk(JPGExif& table, const Bytes& tiff) { return WalkSection(table, WithLength(ExifPayload(tiff))); }

Bytes Cut(Bytes bytes, std::size_t size) { return bytes.resize(size), bytes; }

// A camera-like block: main directory with its EXIF directory (and that
// one's interoperability directory), then the thumbnail directory.
ExifBuilder CameraBlock(bool motorola) {
    ExifBuilder b(motorola);
    const uint32_t ifd0 = b.AddDirectory({E::Rational(0x011A, 72, 1), E::Rational(0x011B, 96, 1), E::Short(0x0128, 2),
                                          E::Short(0x0112, 6), E::Date(0x0132), E::Long(0x8769, 0)});
    const uint32_t exif = b.AddDirectory({E::Rational(0x829A, 1, 200), E::Short(0x8827, 400), E::Date(0x9003),
                                          E::Date(0x9004), {0x9204, 10, 1, {uint32_t(-1), 3}}, E::Long(0xA005, 0)});
    const uint32_t interop = b.AddDirectory({E::Date(0x0001)});
    const uint32_t ifd1 = b.AddDirectory({E::Rational(0x011A, 180, 1), E::Short(0x0128, 3), E::Short(0x0112, 1),
                                          E::Long(0x0201, 0), E::Long(0x0202, 0)});
    b.SetEntryField(ifd0, 5, exif);
    b.SetEntryField(exif, 5, interop);
    b.SetNextLink(ifd0, ifd1);
    return b;
}

// Directories linked one below the other, each holding a date tag; the link
// is an EXIF, interoperability or next-directory link by turns.
ExifBuilder Chain(int directories) {
    ExifBuilder b(false);
    std::vector<uint32_t> dirs;
    for (int i = 0; i < directories; ++i) {
        std::vector<E::Entry> entries{E::Date(0x0132)};
        if (i % 3 != 2 && i + 1 < directories) entries.push_back(E::Long(i % 3 ? 0xA005 : 0x8769, 0));
        dirs.push_back(b.AddDirectory(entries));
    }
    for (std::size_t i = 0; i + 1 < dirs.size(); ++i)
        i % 3 == 2 ? b.SetNextLink(dirs[i], dirs[i + 1]) : b.SetEntryField(dirs[i], 1, dirs[i + 1]);
    return b;
}

}  // namespace

TEST(JPGExifWalk, BothByteOrdersGiveTheSameValues) {
    for (bool motorola : {false, true}) {
        SCOPED_TRACE(motorola ? "MM" : "II");
        JPGExif table;
        EXPECT_EQ(Walk(table, CameraBlock(motorola).Tiff()), Texts{});
        EXPECT_EQ(std::tuple(table.motorolaOrder, table.xResolution, table.yResolution, table.resolutionUnit,
                             table.orientation, table.orientationCount, table.dateTagCount),
                  std::tuple(motorola, 72.0f, 96.0f, 2, 6, 2, 3));
    }
}

TEST(JPGExifWalk, ResolutionTagsCountOnlyInTheMainDirectory) {
    struct Case { const char* name; std::vector<E::Entry> main, lower; float x, y; int unit; };
    const std::vector<E::Entry> lower = {E::Rational(0x011A, 180, 1), E::Rational(0x011B, 180, 1), E::Short(0x0128, 3)};
    const Case cases[] = {
        {"in the thumbnail directory", {E::Short(0x0112, 1)}, lower, 0, 0, 0},
        {"in the EXIF directory", {E::Long(0x8769, 0)}, lower, 0, 0, 0},
        {"x alone stands for both", {E::Rational(0x011A, 350, 2)}, {}, 175, 175, 0},
        {"y alone stands for both", {E::Rational(0x011B, 254, 10)}, {}, 25.4f, 25.4f, 0},
        {"each its own, y first", {E::Rational(0x011B, 200, 1), E::Rational(0x011A, 100, 1)}, {}, 100, 200, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExifBuilder b(true);
        const uint32_t main = b.AddDirectory(c.main);
        const uint32_t below = c.lower.empty() ? 0 : b.AddDirectory(c.lower);
        c.main[0].tag == 0x8769 ? b.SetEntryField(main, 0, below) : b.SetNextLink(main, below);
        JPGExif table;
        EXPECT_EQ(Walk(table, b.Tiff()), Texts{});
        EXPECT_EQ(std::tuple(table.xResolution, table.yResolution, table.resolutionUnit), std::tuple(c.x, c.y, c.unit));
    }
}

TEST(JPGExifWalk, NestingStopsBelowTheFifthLevelAndFanningOutIsCutShort) {
    for (int depth : {5, 6, 8}) {
        SCOPED_TRACE(depth);
        JPGExif table;
        EXPECT_EQ(Walk(table, Chain(depth).Tiff()), depth > 5 ? Texts{kNesting} : Texts{});
        EXPECT_EQ(table.dateTagCount, 5);  // levels 0 to 4
    }
    // A directory whose next link points back at itself.
    ExifBuilder loop(false);
    loop.SetNextLink(loop.AddDirectory({E::Date(0x0132)}), 8);
    JPGExif looped;
    EXPECT_EQ(Walk(looped, loop.Tiff()), Texts{kNesting});
    EXPECT_EQ(looped.dateTagCount, 5);

    // Four levels of 1000 links each to the next directory would mean 10^12
    // visits; the walk gives up after a few dozen and finishes the directory it is in.
    ExifBuilder fan(false);
    std::vector<uint32_t> dirs;
    for (int level = 0; level < 4; ++level) {
        std::vector<E::Entry> entries(1000, E::Long(0x8769, 0));
        if (level == 0) entries.back() = E::Rational(0x011A, 72, 1);
        dirs.push_back(fan.AddDirectory(entries));
    }
    dirs.push_back(fan.AddDirectory({E::Short(0x0100, 1)}));
    for (std::size_t level = 0; level < 4; ++level)
        for (int i = 0; i < (level == 0 ? 999 : 1000); ++i) fan.SetEntryField(dirs[level], i, dirs[level + 1]);
    JPGExif fanned;
    EXPECT_EQ(Walk(fanned, fan.Tiff()), Texts{kNesting});
    EXPECT_EQ(fanned.xResolution, 72.0f);
}

TEST(JPGExifWalk, NextLinksJustBeyondTheBlockAreTolerated) {
    const char* const illegal = "Illegal subdirectory link in Exif header";
    // -1: link 0, no next directory; 0: the very end, walked and nothing there.
    const std::pair<int, Texts> cases[] = {{-1, {}},  {0, {kSized}},    {1, {}},
                                           {19, {}}, {20, {illegal}}, {5000, {illegal}}};
    for (const auto& [beyond, messages] : cases) {
        SCOPED_TRACE(beyond);
        ExifBuilder b(true);
        const uint32_t ifd0 = b.AddDirectory({E::Short(0x0112, 3)});
        b.SetNextLink(ifd0, beyond < 0 ? 0 : b.Size() + uint32_t(beyond));
        JPGExif table;
        EXPECT_EQ(Walk(table, b.Tiff()), messages);
        EXPECT_EQ(table.orientation, 3);
    }
}

TEST(JPGExifWalk, DirectoriesAndValuesMustLieInsideTheBlock) {
    // A directory may end the block without its link, or with half of it; the
    // rational after it must end inside the block.
    ExifBuilder b(false);
    b.AddDirectory({E::Short(0x0112, 5), E::Rational(0x011A, 300, 1)});
    const std::size_t end = b.Size() - 12;  // right after the last entry
    const std::tuple<std::size_t, Texts, int> cases[] = {
        {end, {kPointer}, 5},     {end + 2, {kPointer}, 5}, {end + 4, {kPointer}, 5},     {end - 1, {kSized}, 0},
        {end + 1, {kSized}, 0},   {end + 3, {kSized}, 0},   {b.Size() - 1, {kPointer}, 5}, {b.Size(), {}, 5}};
    for (const auto& [size, messages, orientation] : cases) {
        SCOPED_TRACE(size);
        JPGExif table;
        EXPECT_EQ(Walk(table, Cut(b.Tiff(), size)), messages);
        EXPECT_EQ(table.orientation, orientation);
        EXPECT_EQ(table.xResolution, messages.empty() ? 300.0f : 0.0f);
    }

    // Without a component there is nothing to read, even where the entry's
    // value field is all that is left of the block (no link follows).
    ExifBuilder empty(false);
    empty.AddDirectory({E::Short(0x0112, 4), E::Field(0x0128, 3, 0, 0), E::Field(0x011A, 5, 0, 0)});
    JPGExif none;
    EXPECT_EQ(Walk(none, Cut(empty.Tiff(), empty.Size() - 4)), Texts{});
    EXPECT_EQ(none.orientation, 4);
    EXPECT_EQ(none.resolutionUnit, 0);
}

TEST(JPGExifWalk, DamagedHeadersAndFirstDirectoryOffsets) {
    const Bytes good = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0, 0, 0};
    auto changed = [&](std::size_t at, const Bytes& bytes, std::size_t size = 14) {
        Bytes out = good;
        out.resize(size);
        std::copy(bytes.begin(), bytes.end(), out.begin() + long(at));
        return out;
    };
    const char* const suspicious = "Suspicious offset of first Exif IFD value";
    const std::pair<Bytes, Texts> cases[] = {
        {changed(5, {1}), {"Incorrect exif header"}}, {Cut(good, 4), {"Incorrect exif header"}},
        {changed(6, {'I', 'M'}), {"Invalid Exif alignment marker"}}, {Cut(good, 6), {"Invalid Exif alignment marker"}},
        {changed(6, {'M', 'M', 0, 0x2B}), {"Invalid Exif start (1)"}}, {Cut(good, 8), {"Invalid Exif start (1)"}},
        {changed(6, {'M', 'M', 0x2A, 0}), {"Invalid Exif start (1)"}},  // magic in the other order
        {Cut(good, 12), {kFirstOffset}},
        {good, {kSized}},                   // no directory
        {changed(10, {16}, 18), {kSized}},  // directory offset past the end
        // Offsets 8 to 16 pass silently, one below or one whose 16 bytes leave the section is refused;
        // any other is suspicious (here an empty directory of zeros follows).
        {changed(10, {16}, 40), {}}, {changed(10, {20}, 40), {suspicious}}, {changed(10, {4}, 40), {kFirstOffset}},
        {changed(10, {19}, 32), {kFirstOffset}}, {changed(10, {0xF8, 0xFF, 0xFF, 0xFF}, 40), {kFirstOffset}},
    };
    int index = 0;
    for (const auto& [payload, messages] : cases) {
        JPGExif table;
        EXPECT_EQ(WalkSection(table, WithLength(payload)), messages) << "case " << index++;
    }
}

TEST(JPGExifWalk, DamagedEntriesLinksAndLimitsAreSkippedAndTheWalkGoesOn) {
    ExifBuilder b(false);
    std::vector<E::Entry> entries = {
        E::Field(0x1234, 0, 1, 0), E::Field(0x1234, 13, 1, 0), E::Field(0x9209, 3, 65537, 0),
        E::Field(0x9209, 1, 65536, 8), E::Field(0x011A, 5, 1, 0xFFFFFFF8u), E::Field(0x011B, 5, 3, 0),
        E::Date(0x829A), {0x011A, 2, 4, {'7', '2', 0, 0}}, E::Long(0x8769, 0), E::Long(0xA005, 0),
        E::Long(0x8825, 0), E::Long(0x8825, 0), E::Short(0x0112, 9), E::Short(0x0112, 1), E::Short(0x0112, 3)};
    for (int i = 0; i < 12; ++i) entries.push_back(E::Date(i % 2 ? 0x9003 : 0x0132));
    entries.push_back(E::Short(0x0128, 2));
    const uint32_t dir = b.AddDirectory(entries);
    const uint32_t gps = b.AddDirectory({E::Date(0x0132)});
    b.SetEntryField(dir, 5, b.Size() - 16);  // three rationals starting 16 bytes before the end
    b.SetEntryField(dir, 8, b.Size() + 1);
    b.SetEntryField(dir, 9, b.Size() + 100000);
    b.SetEntryField(dir, 10, b.Size() + 1);
    b.SetEntryField(dir, 11, gps);
    JPGExif table;
    const char* const illegal = "Illegal number format for tag %04x in Exif";
    const char* const link = "Illegal Exif or interop ofset directory link";
    const char* const rotation = "Undefined rotation value";
    const char* const dates = "Too many date fields in Exif";
    // The first orientation is kept and checked again after the second tag.
    EXPECT_EQ(Walk(table, b.Tiff()),
              (Texts{illegal, illegal, "Too many components", kPointer, kPointer, kPointer, kFormat, kFormat, link,
                     link, "Illegal GPS directory link in Exif", rotation, rotation,
                     "More than two orientation in Exif", dates, dates}));
    // The text resolution converts to 0; the GPS directory's date does not
    // count; the entry after all the damage is read.
    EXPECT_EQ(std::tuple(table.xResolution, table.orientation, table.orientationCount, table.dateTagCount,
                         table.resolutionUnit),
              std::tuple(0.0f, 9, 2, 10, 2));
}

TEST(JPGExifWalk, ConvertAnyFormatReadsEachFormatInTheBlockOrder) {
    // "II" bytes; "MM" has each field of the format's size reversed.
    const std::tuple<int, Bytes, double> cases[] = {
        {1, {0xFE}, 254}, {6, {0xFE}, -2}, {3, {0x34, 0x12}, 0x1234}, {8, {0xFE, 0xFF}, -2},
        {4, {0x78, 0x56, 0x34, 0x12}, 0x12345678}, {9, {0xFE, 0xFF, 0xFF, 0xFF}, -2},
        {5, {3, 0, 0, 0, 4, 0, 0, 0}, 0.75}, {5, {3, 0, 0, 0, 0, 0, 0, 0}, 0},
        {10, {0xFD, 0xFF, 0xFF, 0xFF, 4, 0, 0, 0}, -0.75}, {10, {0xFD, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, 0},
        {11, {0x00, 0x00, 0xC0, 0x3F}, 1.5}, {12, {0, 0, 0, 0, 0, 0, 0x04, 0x40}, 2.5},
    };
    ErrorCapture errors;
    JPGExif table;
    for (const auto& [format, intel, value] : cases) {
        SCOPED_TRACE(format);
        const long field = format == 12 ? 8 : format == 3 || format == 8 ? 2 : std::min(long(intel.size()), 4L);
        Bytes motorola = intel;
        for (auto at = motorola.begin(); at != motorola.end(); at += field) std::reverse(at, at + field);
        EXPECT_EQ(table.ConvertAnyFormat(dng_byte_view(intel.data(), intel.size(), dng_byte_order::little), format),
                  value);
        EXPECT_EQ(table.ConvertAnyFormat(dng_byte_view(motorola.data(), motorola.size(), dng_byte_order::big), format),
                  value);
    }
    EXPECT_EQ(errors.All(), Texts{});
    const uint8_t text[8] = {'a', 'b', 'c', 0, 1, 2, 3, 4};
    for (int format : {2, 7, 0, 13}) EXPECT_EQ(table.ConvertAnyFormat(dng_byte_view(text, sizeof text), format), 0.0);
    EXPECT_EQ(errors.All(), Texts(4, kFormat));
    EXPECT_EQ(errors.boxes.texts, Texts{kFormat});
}

// However damaged the block, a file read raises at most one box, the first
// error; the next read or write may raise its own.
TEST(JPGExifWalk, OneMessageBoxPerFileRead) {
    ExifBuilder self(false);
    self.SetNextLink(self.AddDirectory({E::Field(0x1234, 0, 1, 0), E::Field(0x8769, 4, 1, 8), E::Date(0x0132)}), 8);
    ExifBuilder badEntries(true);
    badEntries.AddDirectory(std::vector<E::Entry>(40, E::Field(0x0112, 14, 1, 0)));
    const char* const illegal = "Illegal number format for tag %04x in Exif";
    struct Case { const char* name; Bytes tiff; const char* first; std::size_t atLeast; };
    const Case cases[] = {
        {"directory linked to itself", self.Tiff(), illegal, 20},
        {"forty entries of no format", badEntries.Tiff(), illegal, 40},
        {"clean block", CameraBlock(false).Tiff(), nullptr, 0},
    };
    const Bytes photo = ReadFileBytes(TestData("jpeg/canon_eos_350d_rebel_xt_1728x1152.jpg"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = AssembleJpeg({{0xE1, ExifPayload(c.tiff)}});
        ErrorCapture errors;
        JPGExif table;
        for (int read = 1; read <= 2; ++read) {
            EXPECT_TRUE(ReadTable(table, file));
            EXPECT_EQ(errors.boxes.texts, c.first ? Texts(read, c.first) : Texts{});
        }
        EXPECT_GE(errors.All().size(), 2 * c.atLeast);
        // A write after the reads has its own box.
        JPGExif target;
        ASSERT_TRUE(ReadTable(target, photo));
        EXPECT_FALSE(table.WriteWithExif(std::string("/nonexistent-folder/out.jpg"), target));
        EXPECT_EQ(errors.boxes.texts.size(), c.first ? 3u : 1u);
        EXPECT_EQ(errors.boxes.texts.back(),
                  "Could not open file for write\n\n/nonexistent-folder/out.jpg\nNo such file or directory"
                  "\n\nThe result isn't stored; an earlier file of its name is unchanged.");
        EXPECT_EQ(errors.boxes.captionAndFlags, kErrorBox);
    }
}
