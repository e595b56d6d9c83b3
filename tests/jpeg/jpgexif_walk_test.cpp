#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "exif_builder.h"
#include "message_log.h"
#include "pipeline/jpgexif.h"

using pipeline::JPGExif;
using E = ExifBuilder;
using Texts = std::vector<std::string>;

namespace {

const char* const kNesting = "Maximum Exif directory nesting exceeded (corrupt Exif header)";
const char* const kSized = "Illegally sized Exif subdirectory";
const char* const kPointer = "Illegal value pointer for tag %04x in Exif";
const char* const kFirstOffset = "Invalid offset for first Exif IFD value";

// Walks an APP1 section and returns the messages shown. The section is its
// own allocation of exactly its size, so an address-sanitised build catches
// any read beyond it.
Texts WalkSection(JPGExif& table, const std::vector<uint8_t>& section) {
    MessageLog log;
    table.ParseExif(section.data(), unsigned(section.size()));
    return log.Texts();
}

Texts Walk(JPGExif& table, const std::vector<uint8_t>& tiff) {
    return WalkSection(table, WithLength(ExifPayload(tiff)));
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// A camera-like block: main directory with its EXIF directory (and that
// one's interoperability directory), then the thumbnail directory.
ExifBuilder CameraBlock(bool motorola) {
    ExifBuilder b(motorola);
    const uint32_t ifd0 = b.AddDirectory({E::Rational(0x011A, 72, 1), E::Rational(0x011B, 96, 1),
                                          E::Short(0x0128, 2), E::Short(0x0112, 6),
                                          E::Ascii(0x0132, "2021:03:04 05:06:07"), E::Long(0x8769, 0)});
    const uint32_t exif = b.AddDirectory({E::Rational(0x829A, 1, 200), E::Short(0x8827, 400),
                                          E::Ascii(0x9003, "2021:03:04 05:06:07"),
                                          E::Ascii(0x9004, "2021:03:04 05:06:07"),
                                          {0x9204, 10, 1, {uint32_t(-1), 3}}, E::Long(0xA005, 0)});
    const uint32_t interop = b.AddDirectory({E::Ascii(0x0001, "R98")});
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
        if (i % 3 == 2 || i == directories - 1)
            dirs.push_back(b.AddDirectory({E::Ascii(0x0132, "2000:01:01 00:00:00")}));
        else
            dirs.push_back(b.AddDirectory({E::Ascii(0x9003, "2000:01:01 00:00:00"),
                                           E::Long(i % 3 == 0 ? 0x8769 : 0xA005, 0)}));
    }
    for (std::size_t i = 0; i + 1 < dirs.size(); ++i) {
        if (i % 3 == 2)
            b.SetNextLink(dirs[i], dirs[i + 1]);
        else
            b.SetEntryField(dirs[i], 1, dirs[i + 1]);
    }
    return b;
}

}  // namespace

TEST(JPGExifWalk, BothByteOrdersGiveTheSameValues) {
    for (bool motorola : {false, true}) {
        SCOPED_TRACE(motorola ? "MM" : "II");
        JPGExif table;
        EXPECT_EQ(Walk(table, CameraBlock(motorola).Tiff()), Texts{});
        EXPECT_EQ(table.motorolaOrder, motorola);
        EXPECT_EQ(table.xResolution, 72.0f);
        EXPECT_EQ(table.yResolution, 96.0f);
        EXPECT_EQ(table.resolutionUnit, 2);
        EXPECT_EQ(table.orientation, 6);
        EXPECT_EQ(table.orientationCount, 2);
        EXPECT_EQ(table.dateTagCount, 3);
    }
}

TEST(JPGExifWalk, ResolutionTagsCountOnlyInTheMainDirectory) {
    struct Case { const char* name; std::vector<E::Entry> main, lower; float x, y; int unit; };
    const std::vector<E::Entry> lower = {E::Rational(0x011A, 180, 1), E::Rational(0x011B, 180, 1),
                                         E::Short(0x0128, 3)};
    const Case cases[] = {
        {"in the thumbnail directory", {E::Short(0x0112, 1)}, lower, 0, 0, 0},
        {"in the EXIF directory", {E::Long(0x8769, 0)}, lower, 0, 0, 0},
        {"x alone stands for both", {E::Rational(0x011A, 350, 2)}, {}, 175, 175, 0},
        {"y alone stands for both", {E::Rational(0x011B, 254, 10)}, {}, 25.4f, 25.4f, 0},
        {"each its own, y first", {E::Rational(0x011B, 200, 1), E::Rational(0x011A, 100, 1)}, {}, 100, 200, 0},
    };
    for (const Case& c : cases)
        for (bool motorola : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (motorola ? " MM" : " II"));
            ExifBuilder b(motorola);
            const uint32_t main = b.AddDirectory(c.main);
            if (!c.lower.empty()) {
                const uint32_t below = b.AddDirectory(c.lower);
                if (c.main[0].tag == 0x8769)
                    b.SetEntryField(main, 0, below);
                else
                    b.SetNextLink(main, below);
            }
            JPGExif table;
            EXPECT_EQ(Walk(table, b.Tiff()), Texts{});
            EXPECT_FLOAT_EQ(table.xResolution, c.x);
            EXPECT_FLOAT_EQ(table.yResolution, c.y);
            EXPECT_EQ(table.resolutionUnit, c.unit);
        }
}

TEST(JPGExifWalk, NestingStopsBelowTheFifthLevel) {
    for (int depth : {5, 6, 8}) {
        SCOPED_TRACE(depth);
        JPGExif table;
        EXPECT_EQ(Walk(table, Chain(depth).Tiff()), depth > 5 ? Texts{kNesting} : Texts{});
        // Levels 0 to 4 are walked, the next one is refused.
        EXPECT_EQ(table.dateTagCount, 5);
    }
    // A directory whose next link points back at itself.
    ExifBuilder loop(false);
    const uint32_t dir = loop.AddDirectory({E::Ascii(0x0132, "2000:01:01 00:00:00")});
    loop.SetNextLink(dir, dir);
    JPGExif table;
    EXPECT_EQ(Walk(table, loop.Tiff()), Texts{kNesting});
    EXPECT_EQ(table.dateTagCount, 5);
}

TEST(JPGExifWalk, DirectoriesFanningOutCannotMultiplyTheWork) {
    // Four levels of 1000 links each to the next directory would mean 10^12
    // visits; the walk gives up after a few dozen and finishes the directory
    // it is in.
    ExifBuilder b(false);
    std::vector<uint32_t> dirs;
    for (int level = 0; level < 4; ++level) {
        std::vector<E::Entry> entries(1000, E::Long(0x8769, 0));
        if (level == 0) entries.back() = E::Rational(0x011A, 72, 1);
        dirs.push_back(b.AddDirectory(entries));
    }
    dirs.push_back(b.AddDirectory({E::Short(0x0100, 1)}));
    for (std::size_t level = 0; level < 4; ++level)
        for (int i = 0; i < (level == 0 ? 999 : 1000); ++i) b.SetEntryField(dirs[level], i, dirs[level + 1]);
    JPGExif table;
    EXPECT_EQ(Walk(table, b.Tiff()), Texts{kNesting});
    EXPECT_EQ(table.xResolution, 72.0f);
}

TEST(JPGExifWalk, NextLinksJustBeyondTheBlockAreTolerated) {
    struct Case { int beyond; Texts messages; };
    const Case cases[] = {
        {-1, {}},       // link 0: no next directory
        {0, {kSized}},  // the very end: walked, nothing there
        {1, {}},
        {19, {}},
        {20, {"Illegal subdirectory link in Exif header"}},
        {5000, {"Illegal subdirectory link in Exif header"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.beyond);
        ExifBuilder b(true);
        const uint32_t ifd0 = b.AddDirectory({E::Short(0x0112, 3)});
        b.SetNextLink(ifd0, c.beyond < 0 ? 0 : b.Size() + uint32_t(c.beyond));
        JPGExif table;
        EXPECT_EQ(Walk(table, b.Tiff()), c.messages);
        EXPECT_EQ(table.orientation, 3);
    }
}

TEST(JPGExifWalk, DirectoryMayEndTheBlockWithoutItsLink) {
    ExifBuilder b(false);
    b.AddDirectory({E::Short(0x0112, 5), E::Short(0x0128, 2)});
    const std::size_t end = b.Size() - 4;  // right after the last entry
    for (std::size_t size : {end, end + 2, end + 4, end - 1, end + 1, end + 3}) {
        SCOPED_TRACE(size);
        const bool accepted = size >= end && (size - end) % 2 == 0;
        JPGExif table;
        EXPECT_EQ(Walk(table, Cut(b.Tiff(), size)), accepted ? Texts{} : Texts{kSized});
        EXPECT_EQ(table.orientation, accepted ? 5 : 0);
    }
}

TEST(JPGExifWalk, FirstDirectoryOffsetRules) {
    struct Case { uint32_t offset; std::size_t pad; Texts messages; };
    const Case cases[] = {
        {8, 0, {}},
        {16, 8, {}},
        {20, 12, {"Suspicious offset of first Exif IFD value"}},
        {19, 0, {kFirstOffset}},  // offset + 16 beyond the section
        {4, 0, {kFirstOffset}},
        {0, 0, {kFirstOffset}},
        {0xFFFFFFF8u, 0, {kFirstOffset}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        ExifBuilder b(c.offset % 2 == 0);
        b.Pad(c.pad);
        b.AddDirectory({E::Short(0x0112, 7)});
        b.SetFirstOffset(c.offset);
        JPGExif table;
        EXPECT_EQ(Walk(table, b.Tiff()), c.messages);
        const bool walked = c.messages.empty() || c.messages[0] != kFirstOffset;
        EXPECT_EQ(table.orientation, walked ? 7 : 0);
    }
}

TEST(JPGExifWalk, DamagedHeadersEndTheWalk) {
    const std::vector<uint8_t> good = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0, 0, 0};
    auto changed = [&](std::size_t at, const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> out = good;
        for (std::size_t i = 0; i < bytes.size(); ++i) out.at(at + i) = bytes[i];
        return out;
    };
    struct Case { const char* name; std::vector<uint8_t> payload; const char* message; };
    const Case cases[] = {
        {"no zero bytes", changed(5, {1}), "Incorrect exif header"},
        {"mixed order", changed(6, {'I', 'M'}), "Invalid Exif alignment marker"},
        {"wrong magic", changed(6, {'M', 'M', 0, 0x2B}), "Invalid Exif start (1)"},
        {"magic in the other order", changed(6, {'M', 'M', 0x2A, 0}), "Invalid Exif start (1)"},
        {"ends after Exif", Cut(good, 4), "Incorrect exif header"},
        {"ends before order", Cut(good, 6), "Invalid Exif alignment marker"},
        {"ends before magic", Cut(good, 8), "Invalid Exif start (1)"},
        {"ends in offset", Cut(good, 12), kFirstOffset},
        {"no directory", good, kSized},
        {"directory offset past the end", Cut(changed(10, {16}), 18), kSized},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JPGExif table;
        EXPECT_EQ(WalkSection(table, WithLength(c.payload)), Texts{c.message});
    }
}

TEST(JPGExifWalk, DamagedEntriesAreSkippedAndTheWalkGoesOn) {
    ExifBuilder b(false);
    const uint32_t dir = b.AddDirectory({
        E::Field(0x1234, 0, 1, 0),
        E::Field(0x1234, 13, 1, 0),
        E::Field(0x9209, 3, 65537, 0),
        E::Field(0x9209, 1, 65536, 8),
        E::Field(0x011A, 5, 1, 0xFFFFFFF8u),
        E::Field(0x011B, 5, 3, 0),
        E::Ascii(0x829A, "1/200"),
        {0x011A, 2, 4, {'7', '2', 0, 0}},
        E::Short(0x0128, 2),
    });
    // Three rationals starting 16 bytes before the end.
    b.SetEntryField(dir, 5, b.Size() - 16);
    JPGExif table;
    const char* const illegal = "Illegal number format for tag %04x in Exif";
    const char* const format = "Illegal format code in Exif header";
    EXPECT_EQ(Walk(table, b.Tiff()),
              (Texts{illegal, illegal, "Too many components", kPointer, kPointer, kPointer, format, format}));
    // The text resolution converts to 0; the entry after all the damage is read.
    EXPECT_EQ(table.xResolution, 0.0f);
    EXPECT_EQ(table.resolutionUnit, 2);
}

TEST(JPGExifWalk, ValuesMustEndInsideTheBlock) {
    // The rational is the block's last eight bytes.
    ExifBuilder b(true);
    b.AddDirectory({E::Rational(0x011A, 300, 1)});
    JPGExif table;
    EXPECT_EQ(Walk(table, b.Tiff()), Texts{});
    EXPECT_EQ(table.xResolution, 300.0f);
    JPGExif shorter;
    EXPECT_EQ(Walk(shorter, Cut(b.Tiff(), b.Size() - 1)), Texts{kPointer});
    EXPECT_EQ(shorter.xResolution, 0.0f);

    // Without a component there is nothing to read, even where the entry's
    // value field is all that is left of the block (no link follows).
    ExifBuilder empty(false);
    empty.AddDirectory({E::Short(0x0112, 4), E::Field(0x0128, 3, 0, 0), E::Field(0x011A, 5, 0, 0)});
    JPGExif none;
    EXPECT_EQ(Walk(none, Cut(empty.Tiff(), empty.Size() - 4)), Texts{});
    EXPECT_EQ(none.orientation, 4);
    EXPECT_EQ(none.resolutionUnit, 0);
    EXPECT_EQ(none.xResolution, 0.0f);
}

TEST(JPGExifWalk, OrientationAndDateLimits) {
    ExifBuilder orientations(true);
    orientations.AddDirectory({E::Short(0x0112, 9), E::Short(0x0112, 1), E::Short(0x0112, 3)});
    JPGExif table;
    // The first value is kept and checked again after the second tag.
    EXPECT_EQ(Walk(table, orientations.Tiff()),
              (Texts{"Undefined rotation value", "Undefined rotation value", "More than two orientation in Exif"}));
    EXPECT_EQ(table.orientation, 9);
    EXPECT_EQ(table.orientationCount, 2);

    std::vector<E::Entry> dates;
    for (int i = 0; i < 12; ++i) dates.push_back(E::Ascii(i % 2 ? 0x9003 : 0x0132, "2000:01:01 00:00:00"));
    ExifBuilder manyDates(false);
    manyDates.AddDirectory(dates);
    JPGExif dated;
    EXPECT_EQ(Walk(dated, manyDates.Tiff()), (Texts{"Too many date fields in Exif", "Too many date fields in Exif"}));
    EXPECT_EQ(dated.dateTagCount, 10);
}

TEST(JPGExifWalk, SubdirectoryLinksAreChecked) {
    ExifBuilder b(false);
    const uint32_t ifd0 = b.AddDirectory({E::Long(0x8769, 0), E::Long(0xA005, 0), E::Long(0x8825, 0),
                                          E::Long(0x8825, 0), E::Long(0x8769, 0), E::Short(0x0112, 2)});
    const uint32_t gps = b.AddDirectory({E::Ascii(0x0132, "2000:01:01 00:00:00")});
    const uint32_t size = b.Size();
    b.SetEntryField(ifd0, 0, size + 1);
    b.SetEntryField(ifd0, 1, size + 100000);
    b.SetEntryField(ifd0, 2, size + 1);
    b.SetEntryField(ifd0, 3, gps);
    b.SetEntryField(ifd0, 4, size);
    JPGExif table;
    const char* const link = "Illegal Exif or interop ofset directory link";
    EXPECT_EQ(Walk(table, b.Tiff()), (Texts{link, link, "Illegal GPS directory link in Exif", kSized}));
    // The GPS directory is never walked, so its date does not count.
    EXPECT_EQ(table.dateTagCount, 0);
    EXPECT_EQ(table.orientation, 2);
}

TEST(JPGExifWalk, ConvertAnyFormatReadsEachFormatInTheBlockOrder) {
    struct Case {
        int format;
        std::vector<uint8_t> intel;  // "II" bytes; "MM" has each field reversed
        int fieldSize;
        double value;
    };
    const Case cases[] = {
        {1, {0xFE}, 1, 254},
        {6, {0xFE}, 1, -2},
        {3, {0x34, 0x12}, 2, 0x1234},
        {8, {0xFE, 0xFF}, 2, -2},
        {4, {0x78, 0x56, 0x34, 0x12}, 4, 0x12345678},
        {4, {0xFF, 0xFF, 0xFF, 0xFF}, 4, 4294967295.0},
        {9, {0xFE, 0xFF, 0xFF, 0xFF}, 4, -2},
        {5, {3, 0, 0, 0, 4, 0, 0, 0}, 4, 0.75},
        {5, {3, 0, 0, 0, 0, 0, 0, 0}, 4, 0},
        {10, {0xFD, 0xFF, 0xFF, 0xFF, 4, 0, 0, 0}, 4, -0.75},
        {10, {0xFD, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, 4, 0},
        {11, {0x00, 0x00, 0xC0, 0x3F}, 4, 1.5},
        {12, {0, 0, 0, 0, 0, 0, 0x04, 0x40}, 8, 2.5},
    };
    MessageLog log;
    JPGExif table;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::vector<uint8_t> motorola = c.intel;
        for (auto at = motorola.begin(); at != motorola.end(); at += c.fieldSize) std::reverse(at, at + c.fieldSize);
        table.motorolaOrder = false;
        EXPECT_EQ(table.ConvertAnyFormat(c.intel.data(), c.format), c.value);
        table.motorolaOrder = true;
        EXPECT_EQ(table.ConvertAnyFormat(motorola.data(), c.format), c.value);
    }
    EXPECT_EQ(log.Texts(), Texts{});

    const uint8_t text[8] = {'a', 'b', 'c', 0, 1, 2, 3, 4};
    for (int format : {2, 7, 0, 13}) EXPECT_EQ(table.ConvertAnyFormat(text, format), 0.0);
    EXPECT_EQ(log.Texts(), Texts(4, "Illegal format code in Exif header"));
}
