// DNGs written by the layer and read back by it: the file's layout, the digest, the XMP orientation,
// what is carried and what is refused, and a file replaced only when complete. Tags and raw values
// against independent readers: the written-through-the-tool test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <tuple>

#include "dng/dng_exceptions.h"
#include "dng/dng_image_writer.h"
#include "dng/dng_publish_file.h"
#include "dng_test_support.h"
#include "fixture_writer.h"
#include "tests/support/test_files.h"

namespace {

FixtureOptions Fixture(bool cfa = true, bool colour = true) {
    FixtureOptions s;
    s.width = 24;
    s.height = 16;
    s.cfa = cfa;
    s.colour = colour;
    s.samplesPerPixel = cfa || !colour ? 1 : 3;
    s.samples = PatternSamples(s.width, s.height, s.samplesPerPixel, s.bits, 3);
    if (colour) s.asShotNeutral = {0.5, 1.0, 0.7};
    return s;
}

std::vector<uint8_t> Write(LoadedDNG& d) { return WriteToBytes(d.host, *d.negative, MakeThumbnail(d.host, 32, 21)); }

dng_error_code ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const dng_exception& e) {
        return e.ErrorCode();
    }
    return dng_error_none;
}

class WriterLayout : public ::testing::TestWithParam<FixtureOptions> {};

TEST_P(WriterLayout, ThumbnailInIFD0RawInASubIFDWithItsDigest) {
    auto source = LoadDNG(WriteFixtureDNG(GetParam()));
    dng_negative& negative = *source->negative;
    // Attribute and element forms, and another namespace's orientation.
    const std::string xmp =
        "<a tiff:Orientation=\"8\" b='2'/><tiff:Orientation>3</tiff:Orientation><c exif:Orientation=\"5\"/>";
    negative.Shared().fXMP.assign(xmp.begin(), xmp.end());
    negative.GetExif().fSoftware = "Clarivane 1.1.0";
    negative.ClearRawImageDigest();
    const std::vector<uint16_t> rawBefore = InterleavedSamples(*negative.Stage1Image());

    const std::vector<uint8_t> bytes = Write(*source);
    ASSERT_EQ(std::memcmp(bytes.data(), "II*\0", 4), 0);
    std::unique_ptr<LoadedDNG> written;
    ASSERT_NO_THROW(written = LoadDNG(bytes)) << "the written file must read back with a valid digest";
    const dng_negative& back = *written->negative;
    EXPECT_EQ(InterleavedSamples(*back.Stage1Image()), rawBefore);
    // The digest is an independent MD5 of the samples (the fixture's own implementation).
    EXPECT_EQ(std::vector<uint8_t>(back.RawImageDigest().data, back.RawImageDigest().data + 16), RawDigest(rawBefore));

    const dng_info& info = written->info;
    EXPECT_GE(info.fShared->fDNGVersion, 0x01030000u);
    ASSERT_GE(info.IFDCount(), 2u);
    const dng_ifd& thumbnail = *info.fIFD[0];
    EXPECT_EQ(std::tuple(thumbnail.fNewSubFileType, thumbnail.fImageWidth, thumbnail.fImageLength,
                         thumbnail.fPreviewApplicationName, info.fMainIndex, info.fIFD[1]->fCompression),
              std::tuple(uint32(sfPreviewImage), 32u, 21u, std::string("Clarivane"), 1, 1u));
    EXPECT_EQ(back.GetExif().fSoftware, "Clarivane 1.1.0");
    // Orientation of the file is 1, so the XMP's tiff:Orientation says 1 as well; the rest passes through.
    EXPECT_EQ(std::string(back.XMP().begin(), back.XMP().end()),
              "<a tiff:Orientation=\"1\" b='2'/><tiff:Orientation>1</tiff:Orientation><c exif:Orientation=\"5\"/>");
}

INSTANTIATE_TEST_SUITE_P(Synthetic, WriterLayout, ::testing::Values(Fixture(), Fixture(false), Fixture(false, false)));

TEST(WriterDigest, AHeldDigestIsWrittenUnchangedStaleOnesAreNotCarriedADamagedSampleIsRefused) {
    auto source = LoadDNG(WriteFixtureDNG(Fixture()));
    dng_fingerprint held;
    for (int i = 0; i < 16; ++i) held.data[i] = uint8(i + 1);
    source->negative->SetRawImageDigest(held);
    std::vector<uint8_t> bytes = Write(*source);
    auto back = LoadDNG(bytes, false);
    EXPECT_EQ(back->negative->RawImageDigest(), held);
    // No NewRawImageDigest (51111 = 0xC7A7) anywhere in the file's directories.
    const uint8_t tag[2] = {0xA7, 0xC7};
    const auto end = bytes.begin() + back->info.fIFD[1]->fTileOffset[0];
    EXPECT_EQ(std::search(bytes.begin(), end, tag, tag + 2), end);

    source->negative->ClearRawImageDigest();
    bytes = Write(*source);
    bytes[bytes.size() - 100] ^= 0x55;  // inside the raw strip, which ends the file
    EXPECT_EQ(ErrorOf([&] { LoadDNG(bytes); }), dng_error_bad_format) << "a damaged raw image must not validate";
}

TEST(WriterUnmodelledTags, PlainDataTagsOfIFD0AreCarriedOthersDropped) {
    auto source = LoadDNG(WriteFixtureDNG(Fixture()));
    const std::map<uint16, std::pair<uint16, std::vector<uint8>>> added = {
        {51044, {10, {30, 0, 0, 0, 1, 0, 0, 0}}},  // FrameRate 30/1: carried
        {51043, {1, {1, 2, 3, 4, 5, 6, 7, 8}}},    // TimeCodes: carried
        {50000, {4, {1, 0, 0, 0}}},                // a LONG may be an offset: dropped
        {282, {5, {72, 0, 0, 0, 1, 0, 0, 0}}},     // the source image's resolution: dropped
        {51125, {5, std::vector<uint8>(32, 1)}}};  // a DNG 1.4 tag: dropped
    for (const auto& [code, typed] : added) {
        const uint32 count = typed.first == 10 ? 1 : uint32(typed.second.size());
        source->negative->GetExif().fEntries.push_back({0, code, typed.first, count, typed.second});
    }
    auto back = LoadDNG(Write(*source), false);
    std::map<uint16, std::vector<uint8>> carried;
    for (const dng_exif_entry& e : back->negative->GetExif().fEntries)
        if (e.ifd == 0 && added.count(e.code)) carried[e.code] = e.bytes;
    EXPECT_EQ(carried, (std::map<uint16, std::vector<uint8>>{{51043, added.at(51043).second},
                                                             {51044, added.at(51044).second}}));
}

TEST(WriterRefusals, OnlyUncompressedAndAnEightBitThumbnail) {
    auto source = LoadDNG(WriteFixtureDNG(Fixture()));
    dng_memory_stream stream;
    dng_image_writer writer;
    const dng_image_preview thumbnail = MakeThumbnail(source->host, 8, 6);
    EXPECT_THROW(writer.WriteDNG(source->host, stream, *source->negative, thumbnail, 7), dng_exception);
    dng_image_preview sixteenBit;
    sixteenBit.fImage = source->host.Make_dng_image(dng_rect(4, 4), 3, ttShort);
    EXPECT_THROW(writer.WriteDNG(source->host, stream, *source->negative, sixteenBit, 1), dng_exception);
    BuildStages(*source);  // stage 1 released: nothing to write
    EXPECT_THROW(writer.WriteDNG(source->host, stream, *source->negative, thumbnail, 1), dng_exception);
}

// A written file appears complete or not at all, through either kind of temporary file: a failed
// write leaves the old file alone, a finished one replaces it or claims the first free name, and
// nothing else stays in the folder.
TEST(PublishFile, ReplacingAndClaimingWithEitherTemporaryFile) {
    using Bytes = std::vector<uint8_t>;
    const auto failing = [](dng_stream& s) {
        s.Put("partial", 7);
        ThrowWriteFile("disk full");
    };
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named" : "unnamed");
        gPublishNamedTemporaryOnly = named;
        const test_support::TempFolder temp;
        const std::string target = temp.File("a");
        test_support::WriteFileBytes(target, {'o', 'l', 'd'});
        EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(target, failing); }), dng_error_write_file);
        EXPECT_EQ(test_support::ReadFileBytes(target), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(test_support::FolderEntries(temp.Path()), std::vector<std::string>{"a"});

        WriteFileReplacing(target, [](dng_stream& s) { s.Put("new", 3); });
        int tries = 0;
        const std::string claimed = WriteFileClaiming([&] { return temp.File(++tries == 1 ? "a" : "b"); },
                                                      [](dng_stream& s) { s.Put("claimed", 7); });
        EXPECT_EQ(claimed, temp.File("b"));
        EXPECT_EQ(test_support::ReadFileBytes(target), (Bytes{'n', 'e', 'w'}));
        EXPECT_EQ(test_support::ReadFileBytes(claimed), (Bytes{'c', 'l', 'a', 'i', 'm', 'e', 'd'}));
        EXPECT_EQ(test_support::FolderEntries(temp.Path()), (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(ErrorOf([&] { WriteFileReplacing("/nonexistent-folder-for-test/x.dng", failing); }),
                  dng_error_open_file)
            << "a missing folder is an open error";
    }
    gPublishNamedTemporaryOnly = false;
}

}  // namespace
