#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "exif_builder.h"
#include "exiftool_listing.h"
#include "message_log.h"
#include "pipeline/jpgexif.h"
#include "table_reader.h"
#include "tests/support/test_files.h"

using pipeline::JPGExif;
using test_support::ReadFileBytes;
using test_support::TestData;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

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

Bytes ImageData(const JPGExif& table) {
    return {table.LastSectionData(), table.LastSectionData() + table.LastSectionSize()};
}

Bytes JfifPayload(uint8_t units, uint16_t x, uint16_t y) {
    return {'J', 'F', 'I', 'F', 0, 1, 2, units, uint8_t(x >> 8), uint8_t(x), uint8_t(y >> 8), uint8_t(y), 0, 0};
}

// A file with one section of every kind the table treats specially.
Bytes MixedFile() {
    ExifBuilder exif(false);
    exif.AddDirectory({ExifBuilder::Short(0x0128, 2)});
    return AssembleJpeg({
        {0xE0, JfifPayload(1, 72, 72)},
        {0xE1, ExifPayload(exif.Tiff())},
        {0xE1, Payload("http://ns.adobe.com/xap/1.0/")},
        {0xE1, Payload("Ducky stuff")},
        {0xED, Payload("Photoshop 3.0")},
        {0xFE, Payload("first comment")},
        {0xFE, Payload("second comment")},
        {0xE2, Payload("ICC_PROFILE")},
        {0xDB, Bytes(65, 1)},
    });
}

}  // namespace

class RealPhotoTable : public ::testing::TestWithParam<const char*> {};

TEST_P(RealPhotoTable, SectionsAndExifValuesMatchWhatExiftoolLists) {
    const std::string path = TestData(std::string("jpeg/") + GetParam());
    const Bytes file = ReadFileBytes(path);
    const std::vector<ListedSegment> listed = ListSegments(path);
    ASSERT_FALSE(listed.empty()) << "exiftool gave no segment listing";

    MessageLog log;
    JPGExif table;
    ASSERT_TRUE(ReadTable(table, file));
    EXPECT_EQ(log.Texts(), Texts{});

    // Walk exiftool's list and the table side by side: APP1 blocks other
    // than EXIF and XMP and later comments are the ones left out.
    int index = 0;
    bool commentSeen = false;
    std::size_t accounted = 2;  // SOI
    for (const ListedSegment& seg : listed) {
        SCOPED_TRACE(seg.name + " at " + std::to_string(seg.payloadOffset));
        int type = MarkerCode(seg.name);
        ASSERT_GT(type, 0);
        bool kept = true;
        if (seg.payloadSize >= 0) {
            const auto* payload = file.data() + seg.payloadOffset;
            if (type == 0xE1 && !(seg.payloadSize >= 4 && std::memcmp(payload, "Exif", 4) == 0)) {
                kept = seg.payloadSize >= 5 && std::memcmp(payload, "http:", 5) == 0;
                type = kXmp;
            }
            if (type == 0xFE) kept = !std::exchange(commentSeen, true);
            accounted += std::size_t(seg.payloadSize) + 4;
        }
        if (!kept) continue;
        ASSERT_LT(index, table.sectionsRead);
        const pipeline::JPGSection& s = table.sections[index++];
        EXPECT_EQ(s.type, type);
        if (seg.payloadSize >= 0) {
            EXPECT_EQ(Bytes(s.data.get() + 2, s.data.get() + s.size),
                      Bytes(file.begin() + seg.payloadOffset, file.begin() + seg.payloadOffset + seg.payloadSize));
        } else {
            accounted += std::size_t(s.size) + 2;
        }
    }
    // Last entry: everything after the scan header, up to the file's end.
    ASSERT_EQ(index + 1, table.sectionsRead);
    EXPECT_EQ(table.sections[index].type, kImage);
    EXPECT_EQ(accounted + std::size_t(table.LastSectionSize()), file.size());
    EXPECT_EQ(ImageData(table), Bytes(file.end() - table.LastSectionSize(), file.end()));

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
    EXPECT_FLOAT_EQ(table.xResolution, x == 0 ? y : x);  // one resolution alone stands for both
    EXPECT_FLOAT_EQ(table.yResolution, y == 0 ? x : y);
    EXPECT_EQ(table.resolutionUnit, unit);
    EXPECT_EQ(table.orientation, orientation);
    EXPECT_EQ(table.orientationCount, std::min(orientations, 2));
    EXPECT_EQ(table.dateTagCount, std::min(dates, 10));
}

INSTANTIATE_TEST_SUITE_P(CameraAndEditorFiles, RealPhotoTable,
                         ::testing::Values("canon_eos_350d_progressive.jpg", "canon_eos_350d_rebel_xt_1728x1152.jpg",
                                           "canon_eos_5d_mark_iii_5760x3840.jpg",
                                           "canon_eos_5d_mark_iii_720x480_rotate90.jpg", "cmyk_adobe.jpg",
                                           "cmyk_multiple_icc_segments.jpg", "greyscale_exif_xmp_icc.jpg",
                                           "leica_t_typ701.jpg", "nikon_d5000_exif_xmp_icc.jpg"));

TEST(JPGExifRead, ModeBitsDecideWhichSectionsStay) {
    MessageLog log;
    const Bytes file = MixedFile();
    struct Case { int mode; std::vector<int> types; };
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
            EXPECT_EQ(SectionBytes(table, 4), WithLength(Payload("first comment")));
        }
        // The metadata walk runs only with bit 1, the image data is kept only with bit 2.
        EXPECT_EQ(table.resolutionUnit, (c.mode & 1) ? 2 : 0);
        EXPECT_EQ(table.haveAll, (c.mode & 2) != 0);
        EXPECT_EQ(ImageData(table), (c.mode & 2) ? Bytes({0x12, 0x34, 0x56, 0xFF, 0xD9}) : Bytes());
    }
    EXPECT_EQ(log.Texts(), Texts{});
}

TEST(JPGExifRead, EveryReadStartsFromAnEmptyTable) {
    MessageLog log;
    ExifBuilder exif(true);
    exif.AddDirectory({ExifBuilder::Rational(0x011A, 240, 1), ExifBuilder::Short(0x0128, 3),
                       ExifBuilder::Short(0x0112, 8), ExifBuilder::Ascii(0x0132, "2024:01:02 03:04:05")});
    JPGExif reused;
    ASSERT_TRUE(ReadTable(reused, AssembleJpeg({{0xE0, JfifPayload(2, 5, 6)}, {0xE1, ExifPayload(exif.Tiff())}})));
    ASSERT_EQ(reused.orientation, 8);

    const Bytes plain = AssembleJpeg({{0xDB, {1}}});
    JPGExif fresh;
    ASSERT_TRUE(ReadTable(fresh, plain));
    ASSERT_TRUE(ReadTable(reused, plain));
    const auto fields = [](const JPGExif& t) {
        return std::tuple(SectionTypes(t), t.xResolution, t.yResolution, t.resolutionUnit, t.orientation,
                          t.orientationCount, t.dateTagCount, int(t.jfifUnits), t.jfifXDensity, t.jfifYDensity);
    };
    EXPECT_EQ(fields(reused), fields(fresh));

    // A stream that is no JPEG leaves an empty table, without a message.
    for (const Bytes& bytes : {Payload("GIF89a...."), Bytes{0xFF}, Bytes{}, Bytes{0xD8, 0xFF}}) {
        EXPECT_FALSE(ReadTable(reused, bytes));
        EXPECT_EQ(reused.sectionsRead, 0);
        EXPECT_FALSE(reused.haveAll);
        EXPECT_EQ(reused.LastSectionData(), nullptr);
        EXPECT_EQ(reused.LastSectionSize(), 0);
    }
    EXPECT_EQ(log.Texts(), Texts{});
}

TEST(JPGExifRead, FillBytesBeforeMarkersChangeNothing) {
    const Bytes plain = ReadFileBytes(TestData("jpeg/nikon_d5000_exif_xmp_icc.jpg"));
    // Stray bytes and fill bytes before every marker up to the scan header.
    Bytes filled{0xFF, 0xD8};
    for (std::size_t at = 2; at + 4 <= plain.size();) {
        const std::size_t length = std::size_t(plain[at + 2] << 8) | plain[at + 3];
        const std::size_t next = plain[at + 1] == 0xDA ? plain.size() : at + 2 + length;
        filled.insert(filled.end(), {0x00, 0x17, 0xFF, 0xFF, 0xFF});
        filled.insert(filled.end(), plain.begin() + long(at), plain.begin() + long(next));
        at = next;
    }
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
        for (int i = 0; i < count; ++i) sections.push_back({0xDB, {uint8_t(i), uint8_t(i + 1)}});
        JPGExif table;
        ASSERT_TRUE(ReadTable(table, AssembleJpeg(sections, {0xAB, uint8_t(count)})));
        ASSERT_EQ(table.sectionsRead, count + 2);
        for (int i = 0; i < count; ++i) EXPECT_EQ(SectionBytes(table, i), (Bytes{0, 4, uint8_t(i), uint8_t(i + 1)}));
        EXPECT_EQ(ImageData(table), (Bytes{0xAB, uint8_t(count), 0xFF, 0xD9}));
    }
}

TEST(JPGExifRead, DamagedStreamsEndTheReadWithTheirMessage) {
    struct Case { const char* name; Bytes tail; const char* message; };
    const Case cases[] = {
        {"end in marker search", {0x00, 0x12, 0xFF}, "Unexpected end of stream in JPGExif"},
        {"end in length", {0xFF, 0xDB, 0x00}, "Unexpected end of stream in JPGExif"},
        {"length 1", {0xFF, 0xDB, 0x00, 0x01, 0x00}, "Invalid marker in JPGExif"},
        {"length 0", {0xFF, 0xDB, 0x00, 0x00}, "Invalid marker in JPGExif"},
        {"short section", {0xFF, 0xDB, 0x00, 0x10, 1, 2, 3}, "Premature end of stream in JPGExif"},
        // An end-of-image marker has no length; the reader takes two bytes
        // for one all the same, and a file ending right there is cut short.
        {"bare EOI", {0xFF, 0xD9}, "Unexpected end of stream in JPGExif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = AssembleJpeg({{0xE0, JfifPayload(1, 72, 72)}});
        file.resize(2 + 4 + 14);  // SOI and the JFIF header
        file.insert(file.end(), c.tail.begin(), c.tail.end());
        MessageLog log;
        JPGExif table;
        EXPECT_FALSE(ReadTable(table, file));
        ASSERT_EQ(log.messages.size(), 1u);
        EXPECT_EQ(log.messages[0].text, c.message);
        EXPECT_EQ(log.messages[0].caption, "JPGExif error");
        EXPECT_EQ(log.messages[0].flags, unsigned(platform::MB_OK | platform::MB_ICONERROR));
        // What was read before the damage stays.
        EXPECT_EQ(table.sectionsRead, 1);
        EXPECT_EQ(table.jfifXDensity, 72);
        EXPECT_FALSE(table.haveAll);
    }

    // An end-of-image marker before any scan is only a diagnostic.
    MessageLog log;
    ErrorStreamCapture err;
    JPGExif table;
    EXPECT_FALSE(ReadTable(table, {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x07, 0xFF, 0xD9, 0x00, 0x02}));
    EXPECT_EQ(err.Text(), "No image in jpeg!\n");
    EXPECT_EQ(log.Texts(), Texts{});
}

TEST(JPGExifRead, JfifHeaderFieldsAndItsDiagnostics) {
    struct Case { const char* name; Bytes payload; const char* diagnostics; int units, x, y; };
    Bytes jfxx = JfifPayload(2, 11, 12);
    jfxx[3] = 'X';
    const Case cases[] = {
        {"dots per cm", JfifPayload(2, 118, 119), "", 2, 118, 119},
        {"other signature", jfxx, "Header missing JFIF marker\n", 2, 11, 12},
        {"short", {'J', 'F', 'I', 'F', 0, 1, 2, 2, 0, 5}, "Jfif header too short\n", 1, 300, 300},
        {"empty", {}, "Header missing JFIF marker\nJfif header too short\n", 1, 300, 300},
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

TEST(JPGExifRead, ShortApp1SectionsAreNeverReadPastTheirEnd) {
    MessageLog log;
    JPGExif table;
    // Too short to say "Exif": an unknown APP1, dropped.
    ASSERT_TRUE(ReadTable(table, AssembleJpeg({{0xE1, Payload("Exi")}, {0xE1, {}}})));
    EXPECT_EQ(SectionTypes(table), (std::vector<int>{0xDA, kImage}));
    EXPECT_EQ(log.Texts(), Texts{});
    // "Exif" and nothing more: walked, refused, kept.
    ASSERT_TRUE(ReadTable(table, AssembleJpeg({{0xE1, Payload("Exif")}})));
    EXPECT_EQ(SectionTypes(table), (std::vector<int>{0xE1, 0xDA, kImage}));
    EXPECT_EQ(log.Texts(), Texts{"Incorrect exif header"});
}
