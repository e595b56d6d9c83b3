#include <gtest/gtest.h>

#include "dng/dng_exceptions.h"
#include "synthetic_negative.h"

namespace pipelinetest {
namespace {

int Deblurred(int r, int c) { return 1000 + 10 * r + c; }
// Unprocessed R G / G B mosaic: red 1, green 2, blue 3.
int Unprocessed(int r, int c) { return (r + c) % 2 ? 2 : (r % 2 ? 3 : 1); }
int ColourOf(int r, int c) { return Unprocessed(r, c) - 1; }

std::unique_ptr<SyntheticNegative> WithWorkPlane() {
    auto negative = SyntheticNegative::Make();
    negative->SetBayer("0112");
    negative->WorkPlane = MakePlane(5, 6, Deblurred);
    return negative;
}

TEST(MergeTest, EachMergeTakesOverOnlyItsOwnColourAndReachesTheEdges) {
    auto negative = WithWorkPlane();
    AutoPtr<dng_image> mosaic = MakePlane(5, 6, Unprocessed);
    negative->MergeGreenPlane(*mosaic, 0, 0);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 6; ++c)
            ASSERT_EQ(At(*mosaic, r, c), ColourOf(r, c) == 1 ? Deblurred(r, c) : Unprocessed(r, c));

    negative->MergeRedPlane(*mosaic, 0, 0);
    EXPECT_EQ(At(*mosaic, 0, 0), Deblurred(0, 0));
    EXPECT_EQ(At(*mosaic, 4, 4), Deblurred(4, 4));
    EXPECT_EQ(At(*mosaic, 1, 1), 3);

    negative->MergeBluePlane(*mosaic, 0, 0);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 6; ++c) ASSERT_EQ(At(*mosaic, r, c), Deblurred(r, c));

    AutoPtr<dng_image> otherSize = MakePlane(6, 6, Unprocessed);
    EXPECT_THROW(negative->MergeGreenPlane(*otherSize, 0, 0), dng_exception);
}

TEST(MergeTest, CirclesKeepTheUnprocessedMosaicOutside) {
    FakeMainWindow window;
    // Centre at preview (12, 21), which is mosaic site (2, 1) with offsets (10, 20).
    window.engine.AddCircle(12, 21);
    window.engine.circles.back()->SetSize(1, 1, 0);
    auto negative = WithWorkPlane();
    AutoPtr<dng_image> mosaic = MakePlane(5, 6, Unprocessed);
    negative->MergeGreenPlane(*mosaic, 10, 20);
    negative->MergeRedPlane(*mosaic, 10, 20);
    negative->MergeBluePlane(*mosaic, 10, 20);
    EXPECT_EQ(At(*mosaic, 2, 1), Deblurred(2, 1));
    for (const auto& far : {std::make_pair(0, 5), std::make_pair(4, 5), std::make_pair(0, 4), std::make_pair(4, 4)})
        EXPECT_EQ(At(*mosaic, far.first, far.second), Unprocessed(far.first, far.second));
}

TEST(MergeTest, StoredResultStartsAtTheGivenCornerAndStopsWhereTheSourceEnds) {
    auto negative = SyntheticNegative::Make();
    negative->SetStage1(MakePlane(8, 10, [](int, int) { return 7; }));
    negative->StoreResultInStage1(2, 4, *MakePlane(8, 10, Deblurred));
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 10; ++c)
            ASSERT_EQ(At(*negative->Stage1Image(), r, c), r < 2 || c < 4 ? 7 : Deblurred(r, c)) << r << "," << c;

    negative->SetStage1(MakePlane(8, 10, [](int, int) { return 7; }));
    negative->StoreResultInStage1(0, 0, *MakePlane(4, 5, Deblurred));
    EXPECT_EQ(At(*negative->Stage1Image(), 3, 4), Deblurred(3, 4));
    EXPECT_EQ(At(*negative->Stage1Image(), 4, 4), 7);
    EXPECT_EQ(At(*negative->Stage1Image(), 3, 5), 7);
}

}  // namespace
}  // namespace pipelinetest
