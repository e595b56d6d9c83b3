#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "exif_builder.h"
#include "message_log.h"
#include "pipeline/jpgexif.h"

using pipeline::JPGExif;
using E = ExifBuilder;

namespace {

// Walks a TIFF block as the APP1 section that carries it. The section is
// its own allocation of exactly its size, so an address-sanitised build
// catches any read beyond it.
void WalkTiff(JPGExif& table, const std::vector<uint8_t>& tiff) {
    const std::vector<uint8_t> payload = ExifPayload(tiff);
    std::vector<uint8_t> section;
    section.reserve(payload.size() + 2);
    section.push_back(uint8_t((tiff.size() + 8) >> 8));
    section.push_back(uint8_t((tiff.size() + 8) & 0xFF));
    section.insert(section.end(), payload.begin(), payload.end());
    table.ParseExif(section.data(), unsigned(section.size()));
}

void Walk(JPGExif& table, const ExifBuilder& block) { WalkTiff(table, block.Tiff()); }

using Texts = std::vector<std::string>;

const char* const kNesting = "Maximum Exif directory nesting exceeded (corrupt Exif header)";
const char* const kSized = "Illegally sized Exif subdirectory";

// A camera-like block: main directory with its EXIF directory (and that
// one's interoperability directory), then the thumbnail directory.
ExifBuilder CameraBlock(bool motorola) {
    ExifBuilder b(motorola);
    const uint32_t ifd0 = b.AddDirectory({E::Rational(0x011A, 72, 1), E::Rational(0x011B, 96, 1),
                                          E::Short(0x0128, 2), E::Short(0x0112, 6),
                                          E::Ascii(0x0132, "2021:03:04 05:06:07"), E::Long(0x8769, 0)});
    const uint32_t exif = b.AddDirectory({E::Rational(0x829A, 1, 200), E::Rational(0x829D, 28, 10),
                                          E::Short(0x8827, 400), E::Ascii(0x9003, "2021:03:04 05:06:07"),
                                          E::Ascii(0x9004, "2021:03:04 05:06:07"),
                                          {0x9204, 10, 1, {uint32_t(-1), 3}}, E::Long(0xA005, 0)});
    const uint32_t interop = b.AddDirectory({E::Ascii(0x0001, "R98")});
    const uint32_t ifd1 = b.AddDirectory({E::Rational(0x011A, 180, 1), E::Rational(0x011B, 180, 1),
                                          E::Short(0x0128, 3), E::Short(0x0112, 1), E::Long(0x0201, 0),
                                          E::Long(0x0202, 0)});
    b.SetEntryField(ifd0, 5, exif);
    b.SetEntryField(exif, 6, interop);
    b.SetNextLink(ifd0, ifd1);
    return b;
}

// Directories linked one below the other, each holding a date tag; the
// link is an EXIF, interoperability or next-directory link by turns.
ExifBuilder Chain(int directories) {
    ExifBuilder b(false);
    std::vector<uint32_t> dirs;
    for (int i = 0; i < directories; ++i) {
        const uint16_t linkTag = i % 3 == 0 ? 0x8769 : 0xA005;
        if (i % 3 == 2 || i == directories - 1)
            dirs.push_back(b.AddDirectory({E::Ascii(0x0132, "2000:01:01 00:00:00")}));
        else
            dirs.push_back(b.AddDirectory({E::Ascii(0x9003, "2000:01:01 00:00:00"), E::Long(linkTag, 0)}));
    }
    for (int i = 0; i + 1 < directories; ++i) {
        if (i % 3 == 2)
            b.SetNextLink(dirs[std::size_t(i)], dirs[std::size_t(i) + 1]);
        else
            b.SetEntryField(dirs[std::size_t(i)], 1, dirs[std::size_t(i) + 1]);
    }
    return b;
}

}  // namespace

TEST(JPGExifWalk, BothByteOrdersGiveTheSameValues) {
    for (bool motorola : {false, true}) {
        SCOPED_TRACE(motorola ? "MM" : "II");
        MessageLog log;
        JPGExif table;
        Walk(table, CameraBlock(motorola));
        EXPECT_EQ(table.motorolaOrder, motorola);
        EXPECT_EQ(table.xResolution, 72.0f);
        EXPECT_EQ(table.yResolution, 96.0f);
        EXPECT_EQ(table.resolutionUnit, 2);
        EXPECT_EQ(table.orientation, 6);
        EXPECT_EQ(table.orientationCount, 2);
        EXPECT_EQ(table.dateTagCount, 3);
        EXPECT_EQ(log.Texts(), Texts{});
    }
}

TEST(JPGExifWalk, ResolutionTagsCountOnlyInTheMainDirectory) {
    {
        JPGExif table;
        ExifBuilder b(false);
        const uint32_t ifd0 = b.AddDirectory({E::Short(0x0112, 1)});
        const uint32_t ifd1 = b.AddDirectory({E::Rational(0x011A, 180, 1), E::Rational(0x011B, 180, 1),
                                              E::Short(0x0128, 3)});
        b.SetNextLink(ifd0, ifd1);
        Walk(table, b);
        EXPECT_EQ(table.xResolution, 0.0f);
        EXPECT_EQ(table.yResolution, 0.0f);
        EXPECT_EQ(table.resolutionUnit, 0);
    }
    {
        // The same tags inside the EXIF directory are just as ignored.
        JPGExif table;
        ExifBuilder b(true);
        const uint32_t ifd0 = b.AddDirectory({E::Long(0x8769, 0)});
        b.SetEntryField(ifd0, 0, b.AddDirectory({E::Rational(0x011A, 180, 1), E::Short(0x0128, 3)}));
        Walk(table, b);
        EXPECT_EQ(table.xResolution, 0.0f);
        EXPECT_EQ(table.resolutionUnit, 0);
    }
    {
        JPGExif table;
        ExifBuilder b(false);
        b.AddDirectory({E::Rational(0x011A, 350, 2)});
        Walk(table, b);
        EXPECT_EQ(table.xResolution, 175.0f);
        EXPECT_EQ(table.yResolution, 175.0f);
    }
    {
        JPGExif table;
        ExifBuilder b(true);
        b.AddDirectory({E::Rational(0x011B, 254, 10)});
        Walk(table, b);
        EXPECT_FLOAT_EQ(table.xResolution, 25.4f);
        EXPECT_FLOAT_EQ(table.yResolution, 25.4f);
    }
    {
        // Given both, each keeps its own value whatever the order.
        JPGExif table;
        ExifBuilder b(false);
        b.AddDirectory({E::Rational(0x011B, 200, 1), E::Rational(0x011A, 100, 1)});
        Walk(table, b);
        EXPECT_EQ(table.xResolution, 100.0f);
        EXPECT_EQ(table.yResolution, 200.0f);
    }
}

TEST(JPGExifWalk, NestingStopsBelowTheFifthLevel) {
    for (int depth : {5, 6, 8}) {
        SCOPED_TRACE(depth);
        MessageLog log;
        JPGExif table;
        Walk(table, Chain(depth));
        // Levels 0 to 4 are walked, the next one is refused.
        EXPECT_EQ(table.dateTagCount, 5);
        EXPECT_EQ(log.Count(kNesting), depth > 5 ? 1 : 0);
        EXPECT_EQ(log.messages.size(), depth > 5 ? 1u : 0u);
    }
}

TEST(JPGExifWalk, DirectoryLinkingBackToItselfEndsAtTheNestingLimit) {
    MessageLog log;
    JPGExif table;
    ExifBuilder b(false);
    const uint32_t ifd0 = b.AddDirectory({E::Ascii(0x0132, "2000:01:01 00:00:00")});
    b.SetNextLink(ifd0, ifd0);
    Walk(table, b);
    EXPECT_EQ(table.dateTagCount, 5);
    EXPECT_EQ(log.Texts(), Texts{kNesting});
}

TEST(JPGExifWalk, NextLinksJustBeyondTheBlockAreTolerated) {
    struct Case {
        int beyond;
        Texts messages;
    };
    const Case cases[] = {
        {-1000, {}},  // marks "no link": 0
        {0, {kSized}},  // points at the very end: walked, nothing there
        {1, {}},
        {19, {}},
        {20, {"Illegal subdirectory link in Exif header"}},
        {5000, {"Illegal subdirectory link in Exif header"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.beyond);
        MessageLog log;
        JPGExif table;
        ExifBuilder b(true);
        const uint32_t ifd0 = b.AddDirectory({E::Short(0x0112, 3)});
        b.SetNextLink(ifd0, c.beyond < 0 ? 0 : b.Size() + uint32_t(c.beyond));
        Walk(table, b);
        EXPECT_EQ(table.orientation, 3);
        EXPECT_EQ(log.Texts(), c.messages);
    }
}

TEST(JPGExifWalk, DirectoryMayEndTheBlockWithoutItsLink) {
    ExifBuilder b(false);
    b.AddDirectory({E::Short(0x0112, 5), E::Short(0x0128, 2)});
    const std::size_t end = b.Size() - 4;  // right after the last entry
    struct Case {
        std::size_t size;
        bool accepted;
    };
    for (const Case& c : {Case{end, true}, Case{end + 2, true}, Case{end + 4, true}, Case{end + 1, false},
                          Case{end + 3, false}, Case{end - 1, false}}) {
        SCOPED_TRACE(c.size);
        MessageLog log;
        JPGExif table;
        std::vector<uint8_t> tiff = b.Tiff();
        tiff.resize(c.size);
        WalkTiff(table, tiff);
        EXPECT_EQ(table.orientation, c.accepted ? 5 : 0);
        EXPECT_EQ(log.Texts(), c.accepted ? Texts{} : Texts{kSized});
    }
}

TEST(JPGExifWalk, FirstDirectoryOffsetRules) {
    struct Case {
        uint32_t offset;
        std::size_t pad;
        Texts messages;
        bool walked;
    };
    const Case cases[] = {
        {8, 0, {}, true},
        {16, 8, {}, true},
        {20, 12, {"Suspicious offset of first Exif IFD value"}, true},
        {4, 0, {"Invalid offset for first Exif IFD value"}, false},
        {0, 0, {"Invalid offset for first Exif IFD value"}, false},
        {0xFFFFFFF8u, 0, {"Invalid offset for first Exif IFD value"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        MessageLog log;
        JPGExif table;
        ExifBuilder b(c.offset % 2 == 0);
        b.Pad(c.pad);
        b.AddDirectory({E::Short(0x0112, 7)});
        b.SetFirstOffset(c.offset);
        Walk(table, b);
        EXPECT_EQ(log.Texts(), c.messages);
        EXPECT_EQ(table.orientation, c.walked ? 7 : 0);
    }
    {
        // Beyond the section: offset + 16 greater than the section length.
        MessageLog log;
        JPGExif table;
        ExifBuilder b(false);
        b.AddDirectory({E::Short(0x0112, 7)});
        b.SetFirstOffset(b.Size() - 7);
        Walk(table, b);
        EXPECT_EQ(log.Texts(), Texts{"Invalid offset for first Exif IFD value"});
    }
}

TEST(JPGExifWalk, DamagedHeadersEndTheWalk) {
    struct Case {
        const char* name;
        std::vector<uint8_t> section;
        const char* message;
    };
    auto section = [](const std::vector<uint8_t>& body) {
        std::vector<uint8_t> out;
        out.reserve(body.size() + 2);
        out.push_back(uint8_t((body.size() + 2) >> 8));
        out.push_back(uint8_t((body.size() + 2) & 0xFF));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    };
    const Case cases[] = {
        {"no zero bytes", section({'E', 'x', 'i', 'f', 0, 1, 'I', 'I', 0x2A, 0, 8, 0, 0, 0}), "Incorrect exif header"},
        {"mixed order", section({'E', 'x', 'i', 'f', 0, 0, 'I', 'M', 0x2A, 0, 8, 0, 0, 0}),
         "Invalid Exif alignment marker"},
        {"wrong magic", section({'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 0x2B, 0, 0, 0, 8}), "Invalid Exif start (1)"},
        {"magic in the other order", section({'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0x2A, 0, 0, 0, 0, 8}),
         "Invalid Exif start (1)"},
        // Sections that end inside the header.
        {"ends after Exif", section({'E', 'x', 'i', 'f'}), "Incorrect exif header"},
        {"ends before order", section({'E', 'x', 'i', 'f', 0, 0}), "Invalid Exif alignment marker"},
        {"ends before magic", section({'E', 'x', 'i', 'f', 0, 0, 'I', 'I'}), "Invalid Exif start (1)"},
        {"ends in offset", section({'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0}),
         "Invalid offset for first Exif IFD value"},
        {"no directory", section({'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0, 0, 0}), kSized},
        {"directory offset past the end",
         section({'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 16, 0, 0, 0, 0, 0, 0, 0}), kSized},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog log;
        JPGExif table;
        table.ParseExif(c.section.data(), unsigned(c.section.size()));
        EXPECT_EQ(log.Texts(), Texts{c.message});
    }
}

TEST(JPGExifWalk, DamagedEntriesAreSkippedAndTheWalkGoesOn) {
    MessageLog log;
    JPGExif table;
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
    Walk(table, b);
    EXPECT_EQ(log.Texts(), (Texts{"Illegal number format for tag %04x in Exif",
                                  "Illegal number format for tag %04x in Exif",
                                  "Too many components",
                                  "Illegal value pointer for tag %04x in Exif",
                                  "Illegal value pointer for tag %04x in Exif",
                                  "Illegal value pointer for tag %04x in Exif",
                                  "Illegal format code in Exif header",
                                  "Illegal format code in Exif header"}));
    // The text resolution converts to 0; the entry after all the damage is read.
    EXPECT_EQ(table.xResolution, 0.0f);
    EXPECT_EQ(table.resolutionUnit, 2);
}

TEST(JPGExifWalk, ValueEndingExactlyAtTheBlockEndIsRead) {
    MessageLog log;
    JPGExif table;
    ExifBuilder b(true);
    b.AddDirectory({E::Rational(0x011A, 300, 1)});
    // The rational is the block's last eight bytes.
    Walk(table, b);
    EXPECT_EQ(table.xResolution, 300.0f);
    EXPECT_EQ(log.Texts(), Texts{});

    std::vector<uint8_t> cut = b.Tiff();
    cut.pop_back();
    JPGExif shorter;
    WalkTiff(shorter, cut);
    EXPECT_EQ(shorter.xResolution, 0.0f);
    EXPECT_EQ(log.Texts(), Texts{"Illegal value pointer for tag %04x in Exif"});
}

TEST(JPGExifWalk, OrientationAndDateLimits) {
    {
        MessageLog log;
        JPGExif table;
        ExifBuilder b(true);
        b.AddDirectory({E::Short(0x0112, 9), E::Short(0x0112, 1), E::Short(0x0112, 3)});
        Walk(table, b);
        // The first value is kept and checked again after the second tag.
        EXPECT_EQ(table.orientation, 9);
        EXPECT_EQ(table.orientationCount, 2);
        EXPECT_EQ(log.Texts(), (Texts{"Undefined rotation value", "Undefined rotation value",
                                      "More than two orientation in Exif"}));
    }
    {
        MessageLog log;
        JPGExif table;
        std::vector<E::Entry> dates;
        for (int i = 0; i < 12; ++i) dates.push_back(E::Ascii(i % 2 ? 0x9003 : 0x0132, "2000:01:01 00:00:00"));
        ExifBuilder b(false);
        b.AddDirectory(dates);
        Walk(table, b);
        EXPECT_EQ(table.dateTagCount, 10);
        EXPECT_EQ(log.Texts(), (Texts{"Too many date fields in Exif", "Too many date fields in Exif"}));
    }
}

TEST(JPGExifWalk, SubdirectoryLinksAreChecked) {
    MessageLog log;
    JPGExif table;
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
    Walk(table, b);
    EXPECT_EQ(log.Texts(), (Texts{"Illegal Exif or interop ofset directory link",
                                  "Illegal Exif or interop ofset directory link",
                                  "Illegal GPS directory link in Exif", kSized}));
    // The GPS directory is never walked, so its date does not count.
    EXPECT_EQ(table.dateTagCount, 0);
    EXPECT_EQ(table.orientation, 2);
}

TEST(JPGExifWalk, ConvertAnyFormatReadsEachFormatInTheBlockOrder) {
    struct Case {
        int format;
        std::vector<uint8_t> intel;  // "II" bytes; the "MM" bytes are these per field reversed
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::vector<uint8_t> motorola = c.intel;
        for (std::size_t at = 0; at < motorola.size(); at += std::size_t(c.fieldSize))
            std::reverse(motorola.begin() + long(at), motorola.begin() + long(at) + c.fieldSize);
        JPGExif table;
        table.motorolaOrder = false;
        EXPECT_EQ(table.ConvertAnyFormat(c.intel.data(), c.format), c.value);
        table.motorolaOrder = true;
        EXPECT_EQ(table.ConvertAnyFormat(motorola.data(), c.format), c.value);
    }
    EXPECT_TRUE(log.messages.empty());

    const uint8_t text[8] = {'a', 'b', 'c', 0, 1, 2, 3, 4};
    JPGExif table;
    for (int format : {2, 7, 0, 13}) EXPECT_EQ(table.ConvertAnyFormat(text, format), 0.0);
    EXPECT_EQ(log.Count("Illegal format code in Exif header"), 4);
}

TEST(JPGExifWalk, FloatResolutionReadsTheSameInBothOrders) {
    for (bool motorola : {false, true}) {
        JPGExif table;
        ExifBuilder b(motorola);
        b.AddDirectory({{0x011A, 11, 1, {0x43160000u}}});  // 150.0f
        Walk(table, b);
        EXPECT_EQ(table.xResolution, 150.0f) << (motorola ? "MM" : "II");
    }
}

TEST(JPGExifWalk, EntryWithoutComponentsHasNoValueToRead) {
    MessageLog log;
    JPGExif table;
    ExifBuilder b(false);
    b.AddDirectory({E::Short(0x0112, 4), E::Field(0x0128, 3, 0, 0), E::Field(0x011A, 5, 0, 0)});
    // Without its link the last entry's value field ends the block: an
    // eight-byte rational read from there would run past it.
    std::vector<uint8_t> tiff = b.Tiff();
    tiff.resize(tiff.size() - 4);
    WalkTiff(table, tiff);
    EXPECT_EQ(table.orientation, 4);
    EXPECT_EQ(table.resolutionUnit, 0);
    EXPECT_EQ(table.xResolution, 0.0f);
    EXPECT_EQ(log.Texts(), Texts{});
}

TEST(JPGExifWalk, DirectoriesFanningOutCannotMultiplyTheWork) {
    // Four levels of 1000 links each to the next directory would mean 10^12
    // directory visits; the walk gives up after a few dozen and finishes the
    // directories it is in.
    MessageLog log;
    JPGExif table;
    ExifBuilder b(false);
    std::vector<uint32_t> dirs;
    for (int level = 0; level < 4; ++level) {
        std::vector<E::Entry> entries(1000, E::Long(0x8769, 0));
        if (level == 0) entries.back() = E::Rational(0x011A, 72, 1);
        dirs.push_back(b.AddDirectory(entries));
    }
    dirs.push_back(b.AddDirectory({E::Short(0x0100, 1)}));
    for (int level = 0; level < 4; ++level)
        for (int i = 0; i < (level == 0 ? 999 : 1000); ++i)
            b.SetEntryField(dirs[std::size_t(level)], i, dirs[std::size_t(level) + 1]);
    Walk(table, b);
    EXPECT_EQ(log.Texts(), Texts{kNesting});
    EXPECT_EQ(table.xResolution, 72.0f);
}
