#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "exif_builder.h"
#include "exiftool_listing.h"
#include "message_log.h"
#include "pipeline/jpgexif.h"
#include "table_reader.h"
#include "test_files.h"

using pipeline::JPGExif;

namespace {

constexpr int kXmp = JPGExif::kTypeXmp;
constexpr int kImage = JPGExif::kTypeImageData;

int MarkerCode(const std::string& name) {
    static const std::map<std::string, int> named = {
        {"DQT", 0xDB}, {"DHT", 0xC4}, {"DRI", 0xDD}, {"SOS", 0xDA}, {"COM", 0xFE}, {"DAC", 0xCC}};
    if (named.count(name)) return named.at(name);
    if (name.rfind("APP", 0) == 0) return 0xE0 + std::stoi(name.substr(3));
    if (name.rfind("SOF", 0) == 0) return 0xC0 + std::stoi(name.substr(3));
    return -1;
}

// Stray bytes and fill bytes before every marker, which the marker search
// skips.
std::vector<uint8_t> WithFillBytes(const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> out{0xFF, 0xD8};
    std::size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        const uint8_t marker = jpeg[at + 1];
        const std::size_t length = std::size_t(jpeg[at + 2] << 8) | jpeg[at + 3];
        out.insert(out.end(), {0x00, 0x17, 0xFF, 0xFF, 0xFF});
        if (marker == 0xDA) {
            out.insert(out.end(), jpeg.begin() + long(at), jpeg.end());
            return out;
        }
        out.insert(out.end(), jpeg.begin() + long(at), jpeg.begin() + long(at + 2 + length));
        at += 2 + length;
    }
    return out;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(uint8_t(v));
    return out;
}

std::vector<uint8_t> JfifPayload(uint8_t units, uint16_t x, uint16_t y) {
    return Bytes({'J', 'F', 'I', 'F', 0, 1, 2, units, x >> 8, x & 0xFF, y >> 8, y & 0xFF, 0, 0});
}

// A file with one section of every kind the table treats specially.
std::vector<uint8_t> MixedFile() {
    ExifBuilder exif(false);
    exif.AddDirectory({ExifBuilder::Short(0x0128, 2)});
    return AssembleJpeg({
        {0xE0, JfifPayload(1, 72, 72)},
        {0xE1, ExifPayload(exif.Tiff())},
        {0xE1, Payload("http://ns.adobe.com/xap/1.0/\0<x/>")},
        {0xE1, Payload("Ducky stuff")},
        {0xED, Payload("Photoshop 3.0")},
        {0xFE, Payload("first comment")},
        {0xFE, Payload("second comment")},
        {0xE2, Payload("ICC_PROFILE")},
        {0xDB, std::vector<uint8_t>(65, 1)},
    });
}

}  // namespace

class RealPhotoTable : public ::testing::TestWithParam<const char*> {};

TEST_P(RealPhotoTable, SectionsMatchWhatExiftoolLists) {
    const std::string path = TestJpeg(GetParam());
    const std::vector<uint8_t> file = ReadFileBytes(path);
    const std::vector<ListedSegment> listed = ListSegments(path);
    ASSERT_FALSE(listed.empty()) << "exiftool gave no segment listing";

    MessageLog log;
    JPGExif table;
    ASSERT_TRUE(ReadTable(table, file));
    EXPECT_TRUE(table.haveAll);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{});

    // Walk exiftool's list and the table side by side: APP1 blocks other
    // than EXIF and XMP and later comments are the ones left out.
    int index = 0;
    bool commentSeen = false;
    std::size_t accounted = 2;  // SOI
    for (const ListedSegment& seg : listed) {
        SCOPED_TRACE(seg.name + " at " + std::to_string(seg.payloadOffset));
        const int code = MarkerCode(seg.name);
        ASSERT_GT(code, 0);
        bool kept = true;
        int type = code;
        if (seg.payloadSize >= 0) {
            ASSERT_GE(seg.payloadOffset, 0);
            const auto* payload = file.data() + seg.payloadOffset;
            if (code == 0xE1) {
                if (seg.payloadSize >= 4 && std::memcmp(payload, "Exif", 4) == 0)
                    type = 0xE1;
                else if (seg.payloadSize >= 5 && std::memcmp(payload, "http:", 5) == 0)
                    type = kXmp;
                else
                    kept = false;
            }
            if (code == 0xFE) {
                kept = !commentSeen;
                commentSeen = true;
            }
            accounted += std::size_t(seg.payloadSize) + 4;
        }
        if (!kept) continue;
        ASSERT_LT(index, table.sectionsRead);
        const pipeline::JPGSection& s = table.sections[index++];
        EXPECT_EQ(s.type, type);
        if (seg.payloadSize >= 0) {
            EXPECT_EQ(s.size, seg.payloadSize + 2);
            EXPECT_EQ(std::vector<uint8_t>(s.data.get() + 2, s.data.get() + s.size),
                      std::vector<uint8_t>(file.begin() + seg.payloadOffset,
                                           file.begin() + seg.payloadOffset + seg.payloadSize));
        } else {
            accounted += std::size_t(s.size) + 2;
        }
    }
    // Last entry: everything after the scan header, up to the file's end.
    ASSERT_EQ(index + 1, table.sectionsRead);
    EXPECT_EQ(table.sections[index].type, kImage);
    EXPECT_EQ(accounted + std::size_t(table.LastSectionSize()), file.size());
    EXPECT_EQ(table.LastSectionData(), table.sections[index].data.get());
    EXPECT_TRUE(std::equal(table.LastSectionData(), table.LastSectionData() + table.LastSectionSize(),
                           file.end() - table.LastSectionSize()));
}

TEST_P(RealPhotoTable, ExifWalkAgreesWithExiftool) {
    const std::string path = TestJpeg(GetParam());
    const std::vector<ListedTag> tags =
        ListTags(path, "-IFD0:XResolution -IFD0:YResolution -IFD0:ResolutionUnit -EXIF:Orientation "
                       "-EXIF:ModifyDate -EXIF:DateTimeOriginal -EXIF:CreateDate");
    float x = 0, y = 0;
    int unit = 0, orientation = 0, orientations = 0, dates = 0;
    for (const ListedTag& t : tags) {
        if (t.name == "XResolution") x = std::stof(t.value);
        if (t.name == "YResolution") y = std::stof(t.value);
        if (t.name == "ResolutionUnit") unit = std::stoi(t.value);
        if (t.name == "Orientation" && orientations++ == 0) orientation = std::stoi(t.value);
        if (t.name == "ModifyDate" || t.name == "DateTimeOriginal" || t.name == "CreateDate") ++dates;
    }
    // One resolution alone stands for both.
    if (x == 0) x = y;
    if (y == 0) y = x;

    MessageLog log;
    JPGExif table;
    ASSERT_TRUE(ReadTable(table, ReadFileBytes(path)));
    EXPECT_FLOAT_EQ(table.xResolution, x);
    EXPECT_FLOAT_EQ(table.yResolution, y);
    EXPECT_EQ(table.resolutionUnit, unit);
    EXPECT_EQ(table.orientation, orientation);
    EXPECT_EQ(table.orientationCount, std::min(orientations, 2));
    EXPECT_EQ(table.dateTagCount, std::min(dates, 10));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(CameraAndEditorFiles, RealPhotoTable,
                         ::testing::Values("canon_eos_350d_progressive.jpg",
                                           "canon_eos_350d_rebel_xt_1728x1152.jpg",
                                           "canon_eos_5d_mark_iii_5760x3840.jpg",
                                           "canon_eos_5d_mark_iii_720x480_rotate90.jpg",
                                           "cmyk_adobe.jpg", "cmyk_multiple_icc_segments.jpg",
                                           "greyscale_exif_xmp_icc.jpg", "leica_t_typ701.jpg",
                                           "nikon_d5000_exif_xmp_icc.jpg"));

TEST(JPGExifRead, AStreamThatIsNoJpegGivesAnEmptyTableSilently) {
    MessageLog log;
    JPGExif table;
    ASSERT_TRUE(ReadTable(table, MixedFile()));
    ASSERT_GT(table.sectionsRead, 0);
    for (const auto& bytes : {Payload("GIF89a...."), Bytes({0xFF}), Bytes({}), Bytes({0xD8, 0xFF})}) {
        EXPECT_FALSE(ReadTable(table, bytes));
        EXPECT_EQ(table.sectionsRead, 0);
        EXPECT_FALSE(table.haveAll);
        EXPECT_EQ(table.LastSectionData(), nullptr);
        EXPECT_EQ(table.LastSectionSize(), 0);
    }
    EXPECT_TRUE(log.messages.empty());
}

TEST(JPGExifRead, ModeBitsDecideWhichSectionsStay) {
    MessageLog log;
    const std::vector<uint8_t> file = MixedFile();
    struct Case {
        int mode;
        std::vector<int> types;
    };
    const Case cases[] = {
        {3, {0xE0, 0xE1, kXmp, 0xED, 0xFE, 0xE2, 0xDB, 0xDA, kImage}},
        {1, {0xE0, 0xE1, kXmp, 0xED, 0xFE, 0xE2, 0xDB, 0xDA}},
        {2, {0xE0, 0xE2, 0xDB, 0xDA, kImage}},
        {0, {0xE0, 0xE2, 0xDB, 0xDA}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        JPGExif table;
        EXPECT_TRUE(ReadTable(table, file, c.mode));
        EXPECT_EQ(SectionTypes(table), c.types);
        if (c.mode & 1) {
            const std::vector<uint8_t> comment = SectionBytes(table, 4);
            EXPECT_EQ(std::string(comment.begin() + 2, comment.end()), "first comment");
        }
        EXPECT_EQ(table.haveAll, (c.mode & 2) != 0);
        // The metadata walk runs only with bit 1.
        EXPECT_EQ(table.resolutionUnit, (c.mode & 1) ? 2 : 0);
        if (c.mode & 2) {
            EXPECT_EQ(std::vector<uint8_t>(table.LastSectionData(), table.LastSectionData() + table.LastSectionSize()),
                      Bytes({0x12, 0x34, 0x56, 0xFF, 0xD9}));
        } else {
            EXPECT_EQ(table.LastSectionData(), nullptr);
        }
    }
    EXPECT_TRUE(log.messages.empty());
}

TEST(JPGExifRead, FillBytesBeforeMarkersChangeNothing) {
    const std::vector<uint8_t> plain = ReadFileBytes(TestJpeg("nikon_d5000_exif_xmp_icc.jpg"));
    const std::vector<uint8_t> filled = WithFillBytes(plain);
    ASSERT_GT(filled.size(), plain.size());
    JPGExif a, b;
    ASSERT_TRUE(ReadTable(a, plain));
    ASSERT_TRUE(ReadTable(b, filled));
    ASSERT_EQ(SectionTypes(a), SectionTypes(b));
    for (int i = 0; i < a.sectionsRead; ++i) EXPECT_EQ(SectionBytes(a, i), SectionBytes(b, i)) << i;
}

TEST(JPGExifRead, TablesOfAnyLengthKeepEverySectionAndTheImageData) {
    // Counts around each growth step of the table, including a scan header
    // that takes its last free entry.
    for (int count = 0; count <= 40; ++count) {
        SCOPED_TRACE(count);
        std::vector<RawSection> sections;
        for (int i = 0; i < count; ++i) sections.push_back({0xDB, Bytes({i, i + 1, i + 2})});
        JPGExif table;
        ASSERT_TRUE(ReadTable(table, AssembleJpeg(sections, Bytes({0xAB, count}))));
        ASSERT_EQ(table.sectionsRead, count + 2);
        EXPECT_LE(table.sectionsRead, table.sectionsAllocated);
        for (int i = 0; i < count; ++i) EXPECT_EQ(SectionBytes(table, i), Bytes({0, 5, i, i + 1, i + 2}));
        EXPECT_EQ(std::vector<uint8_t>(table.LastSectionData(), table.LastSectionData() + table.LastSectionSize()),
                  Bytes({0xAB, count, 0xFF, 0xD9}));
    }
}

TEST(JPGExifRead, DamagedStreamsEndTheReadWithTheirMessage) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    const std::vector<uint8_t> jfif = Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 1, 0,
                                             0x48, 0, 0x48, 0, 0});
    auto then = [&](std::initializer_list<int> tail) {
        std::vector<uint8_t> out = jfif;
        const std::vector<uint8_t> more = Bytes(tail);
        out.insert(out.end(), more.begin(), more.end());
        return out;
    };
    const Case cases[] = {
        {"end in marker search", then({0x00, 0x12, 0xFF}), "Unexpected end of stream in JPGExif"},
        {"end in length", then({0xFF, 0xDB, 0x00}), "Unexpected end of stream in JPGExif"},
        {"length 1", then({0xFF, 0xDB, 0x00, 0x01, 0x00}), "Invalid marker in JPGExif"},
        {"length 0", then({0xFF, 0xDB, 0x00, 0x00}), "Invalid marker in JPGExif"},
        {"short section", then({0xFF, 0xDB, 0x00, 0x10, 1, 2, 3}), "Premature end of stream in JPGExif"},
        // An end-of-image marker has no length; the reader takes two bytes
        // for one all the same, and a file ending right there is cut short.
        {"bare EOI", then({0xFF, 0xD9}), "Unexpected end of stream in JPGExif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog log;
        JPGExif table;
        EXPECT_FALSE(ReadTable(table, c.bytes));
        ASSERT_EQ(log.messages.size(), 1u);
        EXPECT_EQ(log.messages[0].text, c.message);
        EXPECT_EQ(log.messages[0].caption, "JPGExif error");
        EXPECT_EQ(log.messages[0].flags, unsigned(platform::MB_OK | platform::MB_ICONERROR));
        // What was read before the damage stays.
        EXPECT_EQ(table.sectionsRead, 1);
        EXPECT_EQ(table.jfifXDensity, 72);
        EXPECT_FALSE(table.haveAll);
    }
}

TEST(JPGExifRead, EndOfImageBeforeAnyScanIsReportedOnTheErrorStream) {
    MessageLog log;
    ErrorStreamCapture err;
    JPGExif table;
    EXPECT_FALSE(ReadTable(table, Bytes({0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x07, 0xFF, 0xD9, 0x00, 0x02})));
    EXPECT_EQ(err.Text(), "No image in jpeg!\n");
    EXPECT_TRUE(log.messages.empty());
}

TEST(JPGExifRead, JfifHeaderFieldsAndItsDiagnostics) {
    struct Case {
        const char* name;
        std::vector<uint8_t> payload;
        const char* diagnostics;
        int units, x, y;
    };
    std::vector<uint8_t> jfxx = JfifPayload(2, 11, 12);
    jfxx[3] = 'X';
    const Case cases[] = {
        {"dots per cm", JfifPayload(2, 118, 119), "", 2, 118, 119},
        {"aspect only", JfifPayload(0, 1, 2), "", 0, 1, 2},
        {"other signature", jfxx, "Header missing JFIF marker\n", 2, 11, 12},
        {"short", Bytes({'J', 'F', 'I', 'F', 0, 1, 2, 2, 0, 5}), "Jfif header too short\n", 1, 300, 300},
        {"tiny", Bytes({'J', 'F'}), "Header missing JFIF marker\nJfif header too short\n", 1, 300, 300},
        {"empty", Bytes({}), "Header missing JFIF marker\nJfif header too short\n", 1, 300, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ErrorStreamCapture err;
        JPGExif table;
        ASSERT_TRUE(ReadTable(table, AssembleJpeg({{0xE0, c.payload}})));
        EXPECT_EQ(err.Text(), c.diagnostics);
        EXPECT_EQ(table.jfifUnits, c.units);
        EXPECT_EQ(table.jfifXDensity, c.x);
        EXPECT_EQ(table.jfifYDensity, c.y);
        EXPECT_EQ(SectionTypes(table), (std::vector<int>{0xE0, 0xDA, kImage}));
    }
}

TEST(JPGExifRead, EveryReadStartsFromFreshFields) {
    MessageLog log;
    ExifBuilder exif(true);
    exif.AddDirectory({ExifBuilder::Rational(0x011A, 240, 1), ExifBuilder::Short(0x0128, 3),
                       ExifBuilder::Short(0x0112, 8), ExifBuilder::Ascii(0x0132, "2024:01:02 03:04:05")});
    JPGExif table;
    ASSERT_TRUE(ReadTable(table, AssembleJpeg({{0xE0, JfifPayload(2, 5, 6)}, {0xE1, ExifPayload(exif.Tiff())}})));
    EXPECT_EQ(table.xResolution, 240.0f);
    EXPECT_EQ(table.orientation, 8);
    EXPECT_EQ(table.dateTagCount, 1);
    EXPECT_EQ(table.jfifUnits, 2);
    EXPECT_TRUE(table.motorolaOrder);

    ASSERT_TRUE(ReadTable(table, AssembleJpeg({{0xDB, Bytes({1})}})));
    EXPECT_EQ(table.xResolution, 0.0f);
    EXPECT_EQ(table.yResolution, 0.0f);
    EXPECT_EQ(table.resolutionUnit, 0);
    EXPECT_EQ(table.orientation, 0);
    EXPECT_EQ(table.orientationCount, 0);
    EXPECT_EQ(table.dateTagCount, 0);
    EXPECT_EQ(table.jfifUnits, 1);
    EXPECT_EQ(table.jfifXDensity, 300);
    EXPECT_EQ(table.jfifYDensity, 300);
    EXPECT_EQ(SectionTypes(table), (std::vector<int>{0xDB, 0xDA, kImage}));
    EXPECT_TRUE(log.messages.empty());
}

TEST(JPGExifRead, ShortApp1SectionsAreNeverReadPastTheirEnd) {
    MessageLog log;
    JPGExif table;
    // Too short to say "Exif": an unknown APP1, dropped.
    ASSERT_TRUE(ReadTable(table, AssembleJpeg({{0xE1, Payload("Exi")}, {0xE1, Bytes({})}})));
    EXPECT_EQ(SectionTypes(table), (std::vector<int>{0xDA, kImage}));
    EXPECT_TRUE(log.messages.empty());
    // "Exif" and nothing more: walked, refused, kept.
    ASSERT_TRUE(ReadTable(table, AssembleJpeg({{0xE1, Payload("Exif")}})));
    EXPECT_EQ(SectionTypes(table), (std::vector<int>{0xE1, 0xDA, kImage}));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Incorrect exif header"});
}
