#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>
#include <utility>

#include "jpgexif_test_support.h"
#include "pipeline/byte_view_stream.h"

namespace {

constexpr int kXmp = JPGExif::kTypeXmp;
constexpr int kImage = JPGExif::kTypeImageData;

int MarkerCode(const std::string& name) {
    static const std::map<std::string, int> named = {
        {"DQT", 0xDB}, {"DHT", 0xC4}, {"DRI", 0xDD}, {"SOS", 0xDA}, {"COM", 0xFE}, {"DAC", 0xCC}};
    if (named.count(name)) return named.at(name);
    if (name.rfind("APP", 0) == 0) return 0xE0 + std::stoi(name.substr(3));
    return 0xC0 + std::stoi(name.substr(3));  // SOFn
}

Bytes ImageData(const JPGExif& table) {
    return {table.LastSectionData(), table.LastSectionData() + table.LastSectionSize()};
}

}  // namespace

class RealPhotoTable : public ::testing::TestWithParam<const char*> {};

TEST_P(RealPhotoTable, SectionsAndExifValuesMatchWhatExiftoolLists) {
    const std::string path = TestData(std::string("jpeg/") + GetParam());
    const Bytes file = ReadFileBytes(path);
    // exiftool's segments with their payload size and first bytes; the table ends at the first scan header.
    const std::string listing = test_support::RunCommand("exiftool -v3 '" + path + "'");
    const std::regex segment(R"(\nJPEG (\w+)(?: \((\d+) bytes\):\n\s+[0-9a-f]+: ((?:[0-9a-f]{2} ){1,5}))?)");
    const std::vector<std::smatch> segments{std::sregex_iterator(listing.begin(), listing.end(), segment), {}};

    MessageLog log;
    JPGExif table;
    ASSERT_TRUE(ReadTable(table, file));
    EXPECT_EQ(log.texts, Texts{});

    // Walk exiftool's list and the table side by side: APP1 blocks other
    // than EXIF and XMP and later comments are the ones left out.
    int index = 0;
    bool commentSeen = false;
    std::size_t accounted = 2;  // SOI
    for (const std::smatch& seg : segments) {
        SCOPED_TRACE(seg[1].str());
        int type = MarkerCode(seg[1]);
        const int payloadSize = seg[2].matched ? std::stoi(seg[2]) : -1;
        bool kept = true;
        if (type == 0xE1 && seg[3].str().rfind("45 78 69 66", 0) != 0) {  // not "Exif"
            kept = seg[3].str() == "68 74 74 70 3a ";                         // "http:"
            type = kXmp;
        }
        if (type == 0xFE) kept = !std::exchange(commentSeen, true);
        if (kept) {
            ASSERT_LT(index, table.sectionsRead);
            EXPECT_EQ(table.sections[index].type, type);
            if (payloadSize >= 0) {
                EXPECT_EQ(table.sections[index].size, payloadSize + 2);
            }
            accounted += std::size_t(table.sections[index++].size) + 2;
        } else {
            accounted += std::size_t(payloadSize) + 4;
        }
        if (type == 0xDA) break;
    }
    // Last entry: everything after the scan header, up to the file's end.
    ASSERT_EQ(index + 1, table.sectionsRead);
    EXPECT_EQ(table.sections[index].type, kImage);
    EXPECT_EQ(accounted + std::size_t(table.LastSectionSize()), file.size());
    EXPECT_EQ(ImageData(table), Bytes(file.end() - table.LastSectionSize(), file.end()));

    // IFD0 resolution and unit and the first orientation as numbers, "-" where absent.
    std::istringstream values(test_support::RunCommand("exiftool -n -f -s3 -IFD0:XResolution -IFD0:YResolution "
                                                       "-IFD0:ResolutionUnit -EXIF:Orientation '" + path + "'"));
    double listed[4] = {};
    for (double& v : listed) {
        std::string word;
        values >> word;
        v = word == "-" ? 0 : std::stod(word);
    }
    EXPECT_FLOAT_EQ(table.xResolution, float(listed[0] == 0 ? listed[1] : listed[0]));  // one alone stands for both
    EXPECT_FLOAT_EQ(table.yResolution, float(listed[1] == 0 ? listed[0] : listed[1]));
    EXPECT_EQ(table.resolutionUnit, int(listed[2]));
    EXPECT_EQ(table.orientation, int(listed[3]));
}

INSTANTIATE_TEST_SUITE_P(CameraAndEditorFiles, RealPhotoTable,
                         ::testing::Values("canon_eos_350d_progressive.jpg", "canon_eos_350d_rebel_xt_1728x1152.jpg",
                                           "canon_eos_5d_mark_iii_5760x3840.jpg",
                                           "canon_eos_5d_mark_iii_720x480_rotate90.jpg", "cmyk_adobe.jpg",
                                           "cmyk_multiple_icc_segments.jpg", "greyscale_exif_xmp_icc.jpg",
                                           "leica_t_typ701.jpg", "nikon_d5000_exif_xmp_icc.jpg"));

TEST(JPGExifRead, ModeBitsDecideWhichSectionsStayAndEveryReadStartsAfresh) {
    MessageLog log;
    ExifBuilder exif(true);
    exif.AddDirectory({ExifBuilder::Short(0x0128, 2), ExifBuilder::Short(0x0112, 8), ExifBuilder::Date(0x0132)});
    Bytes file = AssembleJpeg({
        {0xE0, JfifPayload(2, 5, 6)}, {0xE1, ExifPayload(exif.Tiff())}, {0xE1, Payload("http://ns.adobe.com/xap/1.0/")},
        {0xE1, Payload("Ducky stuff")}, {0xED, Payload("Photoshop 3.0")}, {0xFE, Payload("first comment")},
        {0xFE, Payload("second comment")}, {0xE2, Payload("ICC_PROFILE")}, {0xDB, Bytes(65, 1)},
    });
    file.insert(file.begin() + 2, {0x00, 0x17, 0xFF, 0xFF});  // stray and fill bytes are skipped
    const std::pair<int, std::vector<int>> cases[] = {
        {3, {0xE0, 0xE1, kXmp, 0xED, 0xFE, 0xE2, 0xDB, 0xDA, kImage}},
        {1, {0xE0, 0xE1, kXmp, 0xED, 0xFE, 0xE2, 0xDB, 0xDA}},
        {2, {0xE0, 0xE2, 0xDB, 0xDA, kImage}},
    };
    JPGExif table;  // one table for all reads
    for (const auto& [mode, types] : cases) {
        SCOPED_TRACE(mode);
        EXPECT_TRUE(ReadTable(table, file, mode));
        EXPECT_EQ(SectionTypes(table), types);
        // The metadata walk runs only with bit 1, the image data is kept only with bit 2.
        const bool walked = mode & 1;
        EXPECT_EQ(std::tuple(table.resolutionUnit, table.orientation, table.orientationCount, table.dateTagCount),
                  walked ? std::tuple(2, 8, 1, 1) : std::tuple(0, 0, 0, 0));
        EXPECT_EQ(ImageData(table), (mode & 2) ? Bytes({0x12, 0x34, 0x56, 0xFF, 0xD9}) : Bytes());
        EXPECT_EQ(std::tuple(int(table.jfifUnits), int(table.jfifXDensity)), std::tuple(2, 5));
        if (walked) {
            EXPECT_EQ(SectionBytes(table, 4), WithLength(Payload("first comment")));
        }
    }
    // A stream that is no JPEG leaves an empty table, without a message.
    for (const Bytes& bytes : {Payload("GIF89a...."), Bytes{0xFF}, Bytes{}, Bytes{0xD8, 0xFF}}) {
        EXPECT_FALSE(ReadTable(table, bytes));
        EXPECT_EQ(std::tuple(table.sectionsRead, table.LastSectionData(), int(table.jfifXDensity)),
                  std::tuple(0, (const uint8_t*)nullptr, 300));
    }
    EXPECT_EQ(log.texts, Texts{});
}

TEST(JPGExifRead, DamagedStreamsEndTheReadWithTheirMessage) {
    const std::pair<Bytes, const char*> cases[] = {
        {{0x00, 0x12, 0xFF}, "Unexpected end of stream in JPGExif"},  // in the marker search
        {{0xFF, 0xDB, 0x00}, "Unexpected end of stream in JPGExif"},  // in the length
        {{0xFF, 0xDB, 0x00, 0x01, 0x00}, "Invalid marker in JPGExif"},
        {{0xFF, 0xDB, 0x00, 0x00}, "Invalid marker in JPGExif"},
        {{0xFF, 0xDB, 0x00, 0x10, 1, 2, 3}, "Premature end of stream in JPGExif"},
        // An end-of-image marker has no length; the reader takes two bytes
        // for one all the same, and a file ending right there is cut short.
        {{0xFF, 0xD9}, "Unexpected end of stream in JPGExif"},
    };
    for (const auto& [tail, message] : cases) {
        SCOPED_TRACE(message);
        Bytes file = AssembleJpeg({{0xE0, JfifPayload(1, 72, 72)}});
        file.resize(2 + 4 + 14);  // SOI and the JFIF header
        file.insert(file.end(), tail.begin(), tail.end());
        MessageLog log;
        JPGExif table;
        EXPECT_FALSE(ReadTable(table, file));
        EXPECT_EQ(log.texts, Texts{message});
        EXPECT_EQ(log.captionAndFlags, kErrorBox);
        // What was read before the damage stays.
        EXPECT_EQ(std::tuple(SectionTypes(table), int(table.jfifXDensity)), std::tuple(std::vector<int>{0xE0}, 72));
    }

    // An end-of-image marker before any scan is only a diagnostic.
    MessageLog log;
    ErrorStreamCapture err;
    JPGExif table;
    EXPECT_FALSE(ReadTable(table, {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x07, 0xFF, 0xD9, 0x00, 0x02}));
    EXPECT_EQ(err.Text(), "No image in jpeg!\n");
    EXPECT_EQ(log.texts, Texts{});
}

TEST(JPGExifRead, JfifHeaderFieldsAndItsDiagnostics) {
    Bytes jfxx = JfifPayload(2, 11, 12);
    jfxx[3] = 'X';
    const std::tuple<Bytes, const char*, int, int> cases[] = {
        {JfifPayload(2, 118, 119), "", 2, 118}, {jfxx, "Header missing JFIF marker\n", 2, 11},
        {{'J', 'F', 'I', 'F', 0, 1, 2, 2, 0, 5}, "Jfif header too short\n", 1, 300},
        {{}, "Header missing JFIF marker\nJfif header too short\n", 1, 300},
    };
    for (const auto& [payload, diagnostics, units, x] : cases) {
        ErrorStreamCapture err;
        JPGExif table;
        ASSERT_TRUE(ReadTable(table, AssembleJpeg({{0xE0, payload}})));
        EXPECT_EQ(err.Text(), diagnostics);
        EXPECT_EQ(std::tuple(int(table.jfifUnits), int(table.jfifXDensity), SectionTypes(table)),
                  std::tuple(units, x, std::vector<int>{0xE0, 0xDA, kImage}));
    }
}

// Every input the fuzz target has kept goes through the same checks here, in the ordinary build;
// among them tables whose scan header takes the last free entry before each growth step.
TEST(JPGExifCorpus, EveryKeptInputReadsConsistently) {
    MessageLog log;
    ErrorStreamCapture diagnostics;
    test_support::TempFolder output;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(JPEG_FUZZ_CORPUS)) {
        const Bytes bytes = ReadFileBytes(entry.path().string());
        EXPECT_TRUE(ExerciseSections(bytes.data(), bytes.size(), output.File("out.jpg"))) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 10);
}

// The workflow reads its tables through a view of bytes it already holds; the table is the same
// as through a stream of its own copy, and the view seeks only inside the bytes.
TEST(JPGExifRead, ByteViewStreamReadsLikeACopiedStream) {
    const std::vector<Bytes> inputs = {
        ReadFileBytes(TestData("jpeg/nikon_d5000_exif_xmp_icc.jpg")),
        ReadFileBytes(TestData("jpeg/greyscale_exif_xmp_icc.jpg")),
        AssembleJpeg({{0xE0, Payload("JFIF")}}, Bytes(70000, 0x5A)),
        {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02},  // a scan header and no image data at all
    };
    for (const Bytes& input : inputs) {
        SCOPED_TRACE(input.size());
        JPGExif copied, viewed;
        const bool copiedRead = ReadTable(copied, input);
        pipeline::ByteViewStream view(input);
        EXPECT_EQ(viewed.ReadSections(view, JPGExif::kReadMetadata | JPGExif::kReadImage), copiedRead);
        ASSERT_EQ(SectionTypes(viewed), SectionTypes(copied));
        for (int i = 0; i < copied.sectionsRead; ++i) EXPECT_EQ(SectionBytes(viewed, i), SectionBytes(copied, i));
    }
    const Bytes bytes = {1, 2, 3, 4, 5};
    pipeline::ByteViewStream view(bytes);
    EXPECT_EQ(view.seekg(0, std::ios::end).tellg(), std::streampos(5));
    EXPECT_EQ(view.seekg(-2, std::ios::cur).get(), 4);
    EXPECT_TRUE(view.seekg(6).fail());
    view.clear();
    EXPECT_TRUE(view.seekg(-1, std::ios::beg).fail());
    view.clear();
    EXPECT_EQ(view.seekg(1).get(), 2);
}
