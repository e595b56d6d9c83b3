#include <gtest/gtest.h>

#include <algorithm>

#include "dng/dng_stream.h"
#include "jpgexif_test_support.h"
#include "platform/jpeg_image.h"

using platform::Bitmap;
using platform::JpegImage;
using Sections = std::vector<RawSection>;

namespace {

// What the workflow's encoder makes of a small picture whose pixels vary.
Bytes EncodedPattern() {
    Bitmap picture(44, 26, platform::PixelFormat::pf24bit);
    for (int y = 0; y < picture.Height(); ++y)
        for (int i = 0; i < 3 * picture.Width(); ++i) picture.ScanLine(y)[i] = uint8_t(i * 7 + y * 19);
    JpegImage jpeg;
    jpeg.Compress(picture, 100);
    return jpeg.Data();
}
const Bytes kEncoded = EncodedPattern();

Sections Join(Sections first, const Sections& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The encoder's own JFIF header.
RawSection EncoderJfif() {
    const std::size_t end = 4 + std::size_t((kEncoded.at(4) << 8) | kEncoded.at(5));
    return {0xE0, Bytes(kEncoded.begin() + 6, kEncoded.begin() + long(end))};
}

Bytes ExifWithResolution() {
    ExifBuilder block(true);
    block.AddDirectory({E::Rational(0x011A, 180, 1), E::Rational(0x011B, 180, 1), E::Short(0x0128, 2)});
    return ExifPayload(block.Tiff());
}
const RawSection kExif{0xE1, ExifWithResolution()};

// A copy of `sections` with byte `at` of section `index`'s payload set to `value`.
Sections Edited(Sections sections, std::size_t index, std::size_t at, uint8_t value) {
    sections.at(index).payload.at(at) = value;
    return sections;
}
// Payload offsets in a segment: its place and count, then the profile's bytes.
constexpr std::size_t kPlace = 12, kCount = 13, kProfile = 14;

// The file the EXIF-carrying writer makes from `source` over the encoded picture, and what the
// stripped save writes: the encoder's bytes with the profile.
struct Saved {
    Bytes withExif;
    Bytes stripped;
};
Saved SaveBoth(const Bytes& source) {
    JPGExif sourceTable, target;
    EXPECT_TRUE(ReadTable(sourceTable, source));
    EXPECT_TRUE(ReadTable(target, kEncoded));
    test_support::TempFolder dir;
    EXPECT_TRUE(sourceTable.WriteWithExif(dir.File("out.jpg"), target));
    dng_memory_stream stripped;
    sourceTable.PutEncodedWithProfile(stripped, kEncoded);
    return {ReadFileBytes(dir.File("out.jpg")), stripped.Data()};
}

bool DecodesToTheEncodedPicture(const Bytes& jpeg) {
    JpegImage saved, encoded;
    saved.LoadFromMemory(jpeg.data(), jpeg.size());
    encoded.LoadFromMemory(kEncoded.data(), kEncoded.size());
    const Bitmap a = saved.Decode(), b = encoded.Decode();
    return a.ByteSize() == b.ByteSize() && std::equal(a.Bits(), a.Bits() + a.ByteSize(), b.Bits());
}

}  // namespace

// A profile travels, all its segments unchanged and in the source's order, only when it is whole
// and describes RGB data; anything else of APP2 stays behind.
TEST(JPGExifProfile, CarriedWhenWholeAndRgbOtherwiseLeftOut) {
    const Bytes rgb = IccProfile("RGB ", 1000);
    const Sections one = IccSegments(rgb);
    const Sections three = IccSegments(rgb, {50, 700});  // the 128-byte header over two segments
    const Sections grey = IccSegments(IccProfile("GRAY", 600), {300});
    const RawSection mpf{0xE2, Payload(std::string("MPF\0II*\0", 8))};
    const RawSection notQuite{0xE2, Payload(std::string("ICC_PROFILE\x01\x01\x01" "abcd", 18))};
    const RawSection noPlace{0xE2, Payload(std::string("ICC_PROFILE\0\x01", 13))};
    Bytes tooLong = rgb;
    tooLong.resize(1003, 0);  // pieces longer than the size the header declares
    struct Case { const char* name; Sections source; Sections carried; };
    const Case cases[] = {
        {"one segment", one, one},
        {"three segments", three, three},
        {"three segments stored out of order", {three[1], three[2], three[0]}, {three[1], three[2], three[0]}},
        {"among other APP2 sections", {mpf, three[0], notQuite, three[1], three[2]}, three},
        {"just a header", IccSegments(IccProfile("RGB ", 128)), IccSegments(IccProfile("RGB ", 128))},
        {"padded after the declared size", IccSegments(tooLong, {600}), IccSegments(tooLong, {600})},
        {"none", {}, {}},
        {"only other APP2 sections", {mpf, notQuite}, {}},
        {"grey", grey, {}},
        {"CMYK", IccSegments(IccProfile("CMYK", 700)), {}},
        {"a segment missing", {three[0], three[2]}, {}},
        {"a segment twice", {three[0], three[1], three[1], three[2]}, {}},
        {"a place twice", Edited(three, 2, kPlace, 2), {}},
        {"place 0", Edited(three, 0, kPlace, 0), {}},
        {"a place beyond the count", Edited(three, 2, kPlace, 4), {}},
        {"counts differ", Edited(three, 1, kCount, 4), {}},
        {"every count one too many", Edited(Edited(Edited(three, 0, kCount, 4), 1, kCount, 4), 2, kCount, 4), {}},
        {"no place or count", {noPlace}, {}},
        {"a whole profile after a segment without place", {noPlace, one[0]}, {}},
        {"shorter than a profile header", IccSegments(IccProfile("RGB ", 127)), {}},
        {"declared one byte longer than the pieces", Edited(three, 0, kProfile + 3, uint8_t(1000 % 256 + 1)), {}},
        {"declared shorter than a header", Edited(Edited(three, 0, kProfile + 2, 0), 0, kProfile + 3, 127), {}},
        {"no profile signature", Edited(three, 0, kProfile + 36, 'A'), {}},
        {"colour space in lower case", Edited(one, 0, kProfile + 16, 'r'), {}},
    };
    MessageLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Saved saved = SaveBoth(WithLeadingSections(kEncoded, Join({kExif}, c.source)));
        EXPECT_EQ(saved.withExif, WithLeadingSections(kEncoded, Join({kExif}, c.carried)));
        EXPECT_EQ(saved.stripped, WithLeadingSections(kEncoded, Join({EncoderJfif()}, c.carried)));
        EXPECT_TRUE(DecodesToTheEncodedPicture(saved.withExif));
        EXPECT_TRUE(DecodesToTheEncodedPicture(saved.stripped));
    }
    EXPECT_EQ(log.texts, Texts{});
}

// The profile follows the header sections the result starts with, before the encoder's tables.
TEST(JPGExifProfile, FollowsTheResultsHeaderSections) {
    const Sections profile = IccSegments(IccProfile("RGB ", 400), {200});
    const RawSection jfif{0xE0, JfifPayload(2, 50, 60)};
    struct Case { const char* name; Sections source; Sections withExif; };
    const Case cases[] = {
        {"JFIF, EXIF, profile", Join({jfif, kExif}, profile), Join({kExif}, profile)},
        // The EXIF resolution makes a JFIF header before the EXIF block.
        {"profile, EXIF", Join(profile, {kExif}), Join({{0xE0, JfifPayload(1, 180, 180)}, kExif}, profile)},
        {"JFIF, profile, no EXIF", Join({jfif}, profile), Join({EncoderJfif()}, profile)},
        {"profile, no EXIF", profile, Join({{0xE0, JfifPayload(1, 300, 300)}, EncoderJfif()}, profile)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Saved saved = SaveBoth(WithLeadingSections(kEncoded, c.source));
        EXPECT_EQ(saved.withExif, WithLeadingSections(kEncoded, c.withExif));
        EXPECT_EQ(saved.stripped, WithLeadingSections(kEncoded, Join({EncoderJfif()}, profile)));
    }
}

// A real profile of nine segments: carried whole once it describes RGB data, left out as the
// CMYK profile it is.
TEST(JPGExifProfile, RealNineSegmentProfile) {
    const Bytes cmyk = ReadFileBytes(TestData("jpeg/cmyk_multiple_icc_segments.jpg"));
    JPGExif table;
    ASSERT_TRUE(ReadTable(table, cmyk));
    Sections segments;
    for (int i = 0; i < table.sectionsRead; ++i)
        if (table.sections[i].type == 0xE2) {
            const Bytes section = SectionBytes(table, i);
            segments.push_back({0xE2, Bytes(section.begin() + 2, section.end())});
        }
    ASSERT_EQ(segments.size(), 9u);
    ASSERT_EQ(std::string(segments[0].payload.begin() + kProfile + 16, segments[0].payload.begin() + kProfile + 20),
              "CMYK");
    const Sections asRgb = Edited(Edited(Edited(Edited(segments, 0, kProfile + 16, 'R'), 0, kProfile + 17, 'G'), 0,
                                         kProfile + 18, 'B'),
                                  0, kProfile + 19, ' ');
    for (const auto& [source, carried] : {std::pair(segments, Sections{}), std::pair(asRgb, asRgb)}) {
        const Saved saved = SaveBoth(WithLeadingSections(kEncoded, Join({kExif}, source)));
        EXPECT_EQ(saved.withExif, WithLeadingSections(kEncoded, Join({kExif}, carried)));
        EXPECT_EQ(saved.stripped, WithLeadingSections(kEncoded, Join({EncoderJfif()}, carried)));
    }
}
