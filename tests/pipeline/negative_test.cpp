#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pass_helpers.h"
#include "pipeline/mosaic_rows.h"
#include "pipeline/twk_directions.h"

namespace pipelinetest {
namespace {

TEST(NegativeTest, HostMakesATWKNegativeWithItsGammaTable) {
    TWKHost host;
    std::unique_ptr<dng_negative> made = host.Make_dng_negative();
    auto* negative = dynamic_cast<TWKNegative*>(made.get());
    ASSERT_NE(negative, nullptr);
    EXPECT_EQ(negative->GammaTable[0], 0u);
    EXPECT_EQ(negative->GammaTable[49151], 255u);
    EXPECT_EQ(negative->GammaTable[12288], 136u);  // 255 x 0.25^(1/2.2) = 135.79...
}

TEST(NegativeTest, PhaseAndPlaneColoursDecideTheColourOfASite) {
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112");  // R G / G B
    EXPECT_EQ(negative->CFAColorAt(5, 7), 2);
    EXPECT_TRUE(negative->IsGreenInRedRow(1, 0));
    EXPECT_FALSE(negative->IsGreenInRedRow(0, 1));
    EXPECT_TRUE(negative->IsGreenInBlueRow(0, 1));
    EXPECT_FALSE(negative->IsGreenInBlueRow(1, 0));
    negative->SetCFAPhase(3, 6);
    // Column 0, row 0 now reads pattern row 1, column 0.
    EXPECT_EQ(negative->CFAColorAt(0, 0), 1);
    EXPECT_EQ(negative->CFAColorAt(1, 0), 2);
    EXPECT_EQ(negative->CFAColorAt(0, 1), 0);

    negative->SetCFAPhase(0, 0);
    negative->SetBayer("2110");  // B G / G R in colour codes
    // Planes ordered blue, green, red: code 2 is plane 0, code 0 plane 2.
    negative->GetMosaicInfo()->fCFAPlaneColor[0] = 2;
    negative->GetMosaicInfo()->fCFAPlaneColor[2] = 0;
    EXPECT_EQ(negative->CFAColorAt(0, 0), 0);
    EXPECT_EQ(negative->CFAColorAt(1, 1), 2);
    EXPECT_EQ(negative->CFAColorAt(1, 0), 1);
}

TEST(NegativeTest, ReleasingStageTwoDropsTheRawCopyAndKeepsTheOthers) {
    auto negative = SyntheticNegative::Make();
    negative->SetStage1(MakePlane(4, 4, [](int, int) { return 1; }));
    negative->SetStage2Image(MakePlane(4, 4, [](int, int) { return 2; }));
    negative->SetStage3Image(MakePlane(4, 4, [](int, int) { return 3; }));
    negative->SetRawImage(MakePlane(4, 4, [](int, int) { return 4; }));
    negative->ReleaseStage2();
    EXPECT_EQ(negative->Stage2Image(), nullptr);
    EXPECT_EQ(negative->RawImage(), nullptr);
    EXPECT_NE(negative->Stage1Image(), nullptr);
    EXPECT_NE(negative->Stage3Image(), nullptr);
}

std::vector<int> Chosen(const std::vector<double>& g, double threshold, int raises) {
    int chosen[8];
    const int count = pipeline::ChooseDirections(g.data(), int(g.size()), threshold, raises, chosen);
    return std::vector<int>(chosen, chosen + count);
}

TEST(DirectionsTest, ZeroMinimumAndRaisesSetThePassesApart) {
    // The 0 after north gives way to south's 100 in the green pass and the
    // transfer: min = max = 100, T = 150; the red and blue pass keeps it: T = 50.
    const double g[8] = {5, 0, 100, 100, 100, 100, 100, 100};
    double lo, hi;
    pipeline::MinMaxZeroYields(g, 8, lo, hi);
    EXPECT_EQ(pipeline::Threshold(lo, hi), 150.0);
    pipeline::MinMax(g, 8, lo, hi);
    EXPECT_EQ(pipeline::Threshold(lo, hi), 50.0);

    using V = std::vector<int>;
    const std::vector<double> lastZero = {10, 10, 10, 10, 10, 10, 10, 0};
    EXPECT_EQ(Chosen(lastZero, 5.0, 20), (V{0, 1, 2, 3, 4, 5, 6}));    // one raise to 15
    EXPECT_EQ(Chosen(lastZero, 5.0, 0), (V{0, 1, 2, 3, 4, 5, 6, 7}));  // transfer: none, so all
    // 210 is reached by the 20th raise from 10.5; 211 needs the red and blue pass's 50.
    EXPECT_EQ(Chosen({210, 0, 0, 0}, 10.5, 20), V{0});
    EXPECT_EQ(Chosen({211, 0, 0, 0}, 10.5, 20), (V{0, 1, 2, 3}));
    EXPECT_EQ(Chosen({211, 0, 0, 0}, 10.5, 50), V{0});
}

struct SumCase {
    std::vector<double> g;
    double threshold;
    int raises;
};

class SumChosenTest : public ::testing::TestWithParam<SumCase> {};

// The branch-free sums must take exactly the directions ChooseDirections picks, in
// its order, whether they pass at once, after raises, or only as the all-take fallback.
TEST_P(SumChosenTest, SumsTheTermsOfTheChosenDirectionsInOrder) {
    const SumCase& c = GetParam();
    const int n = int(c.g.size());
    // Terms of unlike size, so a sum in another order or of another set differs.
    double a[8], b[8];
    for (int d = 0; d < n; ++d) {
        a[d] = 1.0 / (3 + d) + (1 << d);
        b[d] = 1e6 * (d + 1) + 0.1 * d;
    }
    double sumA = -1.0, sumB = -1.0;
    const int count = pipeline::SumChosen(c.g.data(), n, c.threshold, c.raises, a, b, sumA, sumB);
    const std::vector<int> chosen = Chosen(c.g, c.threshold, c.raises);
    double expectA = 0.0, expectB = 0.0;
    for (const int d : chosen) {
        expectA += a[d];
        expectB += b[d];
    }
    EXPECT_EQ(count, int(chosen.size()));
    EXPECT_EQ(sumA, expectA);
    EXPECT_EQ(sumB, expectB);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SumChosenTest,
    ::testing::Values(SumCase{{5, 0, 100, 100, 100, 100, 100, 100}, 150.0, 20},  // at once, zero left out
                      SumCase{{10, 10, 10, 10, 10, 10, 10, 0}, 5.0, 20},         // after one raise
                      SumCase{{10, 10, 10, 10, 10, 10, 10, 0}, 5.0, 0},          // none: every one
                      SumCase{{0, 0, 0, 0, 0, 0, 0, 0}, 5.0, 20},                // all zero: every one
                      SumCase{{211, 0, 0, 0}, 10.5, 20},                         // raises run out
                      SumCase{{211, 0, 0, 0}, 10.5, 50},                         // the 21st raise reaches it
                      SumCase{{3, 9, 1, 7}, 8.0, 50},                            // four directions
                      SumCase{{7.5, 2, 2.5, 8, 1, 9, 0.5, 3}, 2.5, 0}));         // threshold itself excluded

constexpr uint16_t kUntouched = 0xBEEF;

TEST(StoreSampleTest, DemosaicFillsTheWorkImageBottomUpAsBGRUpToAMultipleOfFour) {
    for (const int width : {4, 4003}) {
        SCOPED_TRACE(width);
        const int height = width == 4 ? 4 : 2;
        const int w4 = width & ~3;
        TWKHost host;
        auto negative = SyntheticNegative::Make();
        negative->SetBayer("0112");
        negative->SetStage2Image(MakePlane(height, width, [](int r, int c) { return 1000 + 100 * r + 7 * c; }));
        const std::size_t stored = std::size_t(height) * w4 * 3;
        std::fill(negative->WorkImage.get(), negative->WorkImage.get() + stored + 30, kUntouched);
        negative->BuildStage3Image(host);

        // The top row is stored last; its red site keeps its own sample.
        EXPECT_EQ(negative->WorkImage[std::size_t(height - 1) * w4 * 3 + 2], 1000);
        dng_const_tile_buffer stage3(*negative->Stage3Image(), negative->Stage3Image()->Bounds());
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < w4; ++c)
                for (int p = 0; p < 3; ++p)
                    ASSERT_EQ(negative->WorkImage[(std::size_t(height - 1 - r) * w4 + c) * 3 + (2 - p)],
                              *stage3.ConstPixel_uint16(r, c, uint32(p)));
        EXPECT_TRUE(std::all_of(negative->WorkImage.get() + stored, negative->WorkImage.get() + stored + 30,
                                [](uint16_t v) { return v == kUntouched; }));
    }
}

TEST(StoreSampleTest, SamplesOutsideTheWorkImageAreDropped) {
    auto negative = SyntheticNegative::Make();
    const uint64 last = TWKNegative::kMaxWorkPixels * 3 - 1;
    negative->WorkImage[last] = kUntouched;
    // 10000 x 4004 pixels exceed the room; row 0 would land past the end.
    negative->StoreSample(10000, 4004, 0, 0, 0, 0, 77);
    negative->StoreSample(10000, 4004, 0, 0, 3, 0, 77);
    EXPECT_EQ(negative->WorkImage[last], kUntouched);
    // The last row of such an image is still inside and stored.
    negative->StoreSample(10000, 4004, 9999, 0, 1, 5, 88);
    EXPECT_EQ(negative->WorkImage[5 * 3 + 1], 88);
}

TEST(StoreSampleTest, RowSegmentsLandWhereTheirSamplesWould) {
    struct Case { uint32 H, W; int32 row, firstCol; uint32 plane, count; };
    const Case cases[] = {
        {4, 8, 0, 0, 0, 8},        {4, 9, 3, -2, 1, 6},  // a segment starting left of the image
        {5, 10, 2, 5, 2, 8},       // running past the width rounded down to 4
        {10000, 4004, 0, 0, 0, 8}, // past the end of the work image: dropped
        {10000, 4004, 9999, 3, 1, 9}, {10000, 4004, 4, 4000, 2, 4},  // the last row inside, the edge of the room
        {10000, 4004, 9, 20, 0, 40}, {10000, 4004, 9, 20, 2, 40},   // the room ends after column 39 of row 9
        {4, 8, 1, 0, 3, 8},        {4, 8, 4, 0, 0, 8},  {4, 8, -1, 0, 0, 8},  // no such plane or row
    };
    auto bySample = SyntheticNegative::Make();
    auto byRow = SyntheticNegative::Make();
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.H << "x" << k.W << " row " << k.row << " from " << k.firstCol);
        std::vector<uint16> values(k.count);
        for (uint32 j = 0; j < k.count; ++j) values[j] = uint16(100 + 7 * j + k.plane);
        // Every index a sample of the row could reach, a few columns either side.
        const int64 w4 = k.W & ~3u;
        std::vector<uint64> reach;
        for (int64 col = int64(k.firstCol) - 4; col < int64(k.firstCol) + k.count + 4; ++col)
            for (int64 p = 0; p < 3; ++p) {
                const int64 index = ((int64(k.H) - 1 - k.row) * w4 + col) * 3 + p;
                if (index >= 0 && uint64(index) < TWKNegative::kMaxWorkPixels * 3) reach.push_back(uint64(index));
            }
        for (const uint64 i : reach) bySample->WorkImage[i] = byRow->WorkImage[i] = kUntouched;
        for (uint32 j = 0; j < k.count; ++j) bySample->StoreSample(k.H, k.W, k.row, k.firstCol, k.plane, j, values[j]);
        byRow->StoreRow(k.H, k.W, k.row, k.firstCol, k.plane, values.data(), k.count);
        int stored = 0;
        for (const uint64 i : reach) {
            ASSERT_EQ(byRow->WorkImage[i], bySample->WorkImage[i]) << "index " << i;
            stored += bySample->WorkImage[i] != kUntouched;
        }
        if (k.plane < 3 && k.row >= 0 && uint32(k.row) < k.H && k.H < 10000) {
            EXPECT_GT(stored, 0);
        }
    }
}

using Changes = std::map<std::pair<int, int>, int>;

// Row table of an R G / G B mosaic (reds 500, greens 1000, blues 400) with the given sites changed.
pipeline::MosaicRows RowTable(int height, int width, uint32 split, const Changes& changes, bool balance = true) {
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112", split);
    AutoPtr<dng_image> image = MakePlane(height, width, Changed(PerColour(500, 1000, 400), changes));
    pipeline::MosaicRows rows(height, width);
    negative->ReadMosaicRows(rows, dng_image_plane16(*image), balance);
    return rows;
}

TEST(MosaicRowsTest, BlueRowGreenBalancingRules) {
    // The blue-row green (3, 4) of a 6 x 8 mosaic: a = u at (2, 5); (2, 3), (4, 5),
    // (4, 3) may join the mean; (4, 5), (4, 3), (4, 1) decide whether the greens agree.
    const Changes close = {{{3, 4}, 1000}, {{2, 5}, 990}, {{2, 3}, 985}, {{4, 5}, 1000}, {{4, 3}, 995}, {{4, 1}, 990}};
    Changes bright = close;
    bright[{4, 5}] = 1200;
    // v 1000 and u 650 lie 350 apart; the other greens are far away.
    const Changes apart = {{{2, 5}, 650}, {{2, 3}, 2000}, {{4, 5}, 2000}, {{4, 3}, 2000}};
    const Changes dimDisagreeing = {
        {{3, 4}, 600}, {{2, 5}, 590}, {{2, 3}, 590}, {{4, 5}, 700}, {{4, 3}, 590}, {{4, 1}, 590}};
    Changes dimAgreeing = dimDisagreeing;
    dimAgreeing[{4, 5}] = 600;

    struct Case { const char* rule; uint32 split; Changes changes; int expected; };
    const Case cases[] = {
        {"mean of the close greens, (990 + 985 + 1000 + 995) / 4", 300, close, 992},
        {"no green split, no balancing", 0, close, 1000},
        {"350 apart within a split of 450", 450, apart, 650},
        {"a split of 500 counts as 300", 500, apart, 1000},
        {"350 apart beyond a split of 300", 300, apart, 1000},
        {"darker than the up-right green", 300, {{{3, 4}, 980}, {{2, 5}, 990}}, 980},
        {"brighter by exactly the threshold", 300, {{{3, 4}, 1300}, {{2, 5}, 1000}}, 1300},
        {"dim, u - s(4, 5) = -110 breaks the agreement", 300, dimDisagreeing, 600},
        {"dim and agreeing, (590 + 590 + 600 + 590) / 4", 300, dimAgreeing, 592},
        {"bright: 1200 joins although it disagrees, (990 + 985 + 1200 + 995) / 4", 300, bright, 1042},
        {"only the up-right green close",
         300, {{{3, 4}, 1000}, {{2, 5}, 990}, {{2, 3}, 1400}, {{4, 5}, 1400}, {{4, 3}, 1400}}, 990},
    };
    for (const Case& k : cases) EXPECT_EQ(RowTable(6, 8, k.split, k.changes).Row(3)[4], k.expected) << k.rule;
}

TEST(MosaicRowsTest, BalancingStaysAwayFromTheEdgesAndOffOtherSites) {
    // Greens of blue rows 1010, all other greens 1000: every balanced site becomes 1000.
    const int height = 8, width = 10;
    Changes raised;
    for (int r = 1; r < height; r += 2)
        for (int c = 0; c < width; c += 2) raised[{r, c}] = 1010;
    const pipeline::MosaicRows rows = RowTable(height, width, 300, raised);
    const auto original = Changed(PerColour(500, 1000, 400), raised);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const bool inside = r > 2 && r < height - 1 && c > 2 && c < width - 2;
            ASSERT_EQ(rows.Row(r)[c], raised.count({r, c}) && inside ? 1000 : original(r, c)) << r << "," << c;
        }
    // Without balancing the same call is a plain copy.
    EXPECT_EQ(RowTable(height, width, 300, raised, false).Row(3)[4], 1010);
}

}  // namespace
}  // namespace pipelinetest
