// Every full-size pass against the plain reading in pass_oracle, for the four
// Bayer layouts at all four phases, odd and even sizes, a green split that
// balances, and mosaics whose sites reach the raise limits.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "pass_helpers.h"
#include "pass_oracle.h"
#include "pipeline/mosaic_rows.h"

namespace pipelinetest {
namespace {

using oracle::Layout;
using oracle::Plane;

// R G / G B, G R / B G, G B / R G, B G / G R; the middle two are each
// other's transposes, so a row/column mix-up shows.
const char* const kLayouts[] = {"0112", "1021", "1201", "2110"};

enum class Content { Photo, Levels, Diagonals, Dark, CloseGreens, Bright };

// Levels constant along each anti-diagonal, repeating every 9, so NE and SW
// gradients are 0. A site on an anti-diagonal r + c = 9k + 4 sees the whole
// ramp; with these ramps such a site needs exactly 50 raises in the first
// red and blue pass (the first ramp), 20 (the second) and 21 (the third) in
// the green pass, and the fallback to all directions would give another
// value; the fourth brings a site of the second red and blue pass to 50 raises.
struct DiagonalRamp {
    int step;
    int levels[9];
};
const DiagonalRamp kDiagonalRamps[] = {
    {49, {12, 8, 4, 1, 5, 15, 12, 14, 9}}, {196, {12, 15, 10, 4, 10, 8, 8, 13, 0}}, {49, {3, 2, 0, 1, 0, 11, 8, 4, 5}},
    {98, {13, 5, 5, 7, 7, 0, 5, 10, 5}}};

struct Input {
    Content content;
    int height, width;
    uint32 split;
    int ramp = 0;  // which of the anti-diagonal ramps
};

// Mosaic of the given content; colour-dependent where the layout matters.
Plane MakeMosaic(const Input& in, const Layout& layout, unsigned seed) {
    std::mt19937 gen(seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    Plane p(in.height, std::vector<int>(in.width));
    for (int r = 0; r < in.height; ++r)
        for (int c = 0; c < in.width; ++c) {
            const int colour = layout.Colour(r, c);
            int& v = p[r][c];
            switch (in.content) {
                case Content::Photo:
                    v = 900 + 37 * r + 23 * c + (colour == 0 ? 300 : colour == 2 ? -250 : 0) + uniform(-60, 60);
                    break;
                case Content::Levels:  // steps of 196: gradients hit the raise limits
                    v = 1000 + 196 * uniform(0, 3);
                    break;
                case Content::Diagonals: {
                    const DiagonalRamp& ramp = kDiagonalRamps[in.ramp];
                    v = 1000 + ramp.step * ramp.levels[(r + c) % 9];
                    break;
                }
                case Content::Dark:  // zeros at some sites
                    v = 196 * uniform(0, 2);
                    break;
                case Content::CloseGreens:
                    v = colour == 1 ? 1000 + uniform(0, 12) : uniform(200, 3000);
                    break;
                case Content::Bright:
                    v = uniform(30000, 65535);
                    break;
            }
        }
    return p;
}

AutoPtr<dng_image> ToImage(const Plane& p) {
    return MakePlane(int(p.size()), int(p[0].size()), [&](int r, int c) { return p[r][c]; });
}

Plane FromImage(const dng_image& image) {
    const dng_image_plane16 plane(const_cast<dng_image&>(image));
    Plane p(plane.Height(), std::vector<int>(plane.Width()));
    for (int r = 0; r < plane.Height(); ++r)
        for (int c = 0; c < plane.Width(); ++c) p[r][c] = plane.Row(r)[c];
    return p;
}

// First differing site, or "" when the planes agree.
std::string FirstDifference(const Plane& got, const Plane& want) {
    for (std::size_t r = 0; r < want.size(); ++r)
        for (std::size_t c = 0; c < want[r].size(); ++c)
            if (got[r][c] != want[r][c]) {
                std::ostringstream s;
                s << "(" << r << ", " << c << "): " << got[r][c] << " instead of " << want[r][c];
                return s.str();
            }
    return "";
}

struct Case {
    Input input;
    Layout layout;
    std::string Name() const {
        std::ostringstream s;
        s << layout.codes << " phase " << layout.rowPhase << layout.colPhase << " content " << int(input.content)
          << " " << input.height << "x" << input.width << " split " << input.split;
        return s.str();
    }
};

std::vector<Case> AllCases() {
    const Input inputs[] = {
        {Content::Photo, 9, 12, 40},      {Content::Photo, 10, 7, 40},  {Content::Levels, 12, 11, 0},
        {Content::Levels, 11, 14, 200},
        {Content::Diagonals, 12, 13, 0, 0}, {Content::Diagonals, 13, 12, 40, 1}, {Content::Diagonals, 14, 15, 500, 2},
        {Content::Diagonals, 14, 15, 0, 3},   {Content::Dark, 8, 9, 0},     {Content::CloseGreens, 9, 10, 10},
        {Content::CloseGreens, 10, 9, 500}, {Content::Bright, 7, 8, 0}, {Content::Photo, 3, 4, 40},
    };
    std::vector<Case> cases;
    for (const Input& in : inputs)
        for (const char* codes : kLayouts)
            for (int phase = 0; phase < 4; ++phase) cases.push_back({in, Layout{codes, phase / 2, phase % 2}});
    return cases;
}

std::unique_ptr<SyntheticNegative> NegativeFor(const Case& k, const Plane& mosaic) {
    auto negative = SyntheticNegative::Make();
    negative->SetBayer(k.layout.codes, k.input.split);
    // Phases are handed as image origins; only their parity counts.
    negative->SetCFAPhase(k.layout.rowPhase + 4, k.layout.colPhase + 2);
    negative->SetStage1(ToImage(mosaic));
    return negative;
}

TEST(PassLayoutsTest, SiteColoursFollowLayoutAndBothPhases) {
    for (const Case& k : AllCases()) {
        if (k.input.content != Content::Photo || k.input.height != 9) continue;
        auto negative = NegativeFor(k, MakeMosaic(k.input, k.layout, 1));
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                const int colour = k.layout.Colour(r, c);
                const int beside = k.layout.Colour(r, c + 1);
                ASSERT_EQ(negative->CFAColorAt(c, r), colour) << k.Name() << " at " << r << "," << c;
                ASSERT_EQ(negative->IsGreenInRedRow(c, r), colour == 1 && beside == 0) << k.Name();
                ASSERT_EQ(negative->IsGreenInBlueRow(c, r), colour == 1 && beside == 2) << k.Name();
            }
    }
}

TEST(PassLayoutsTest, RowTablesBalanceLikeThePlainReading) {
    int balancedSites = 0;
    for (const Case& k : AllCases()) {
        const Plane mosaic = MakeMosaic(k.input, k.layout, 2);
        auto negative = NegativeFor(k, mosaic);
        for (const bool balance : {true, false}) {
            pipeline::MosaicRows rows(k.input.height, k.input.width);
            negative->ReadMosaicRows(rows, dng_image_plane16(*negative->Stage1Image()), balance);
            Plane got(k.input.height, std::vector<int>(k.input.width));
            for (int r = 0; r < k.input.height; ++r)
                for (int c = 0; c < k.input.width; ++c) got[r][c] = rows.Row(r)[c];
            const Plane want = oracle::Balanced(mosaic, k.layout, k.input.split, balance);
            ASSERT_EQ(FirstDifference(got, want), "") << k.Name() << " balance " << balance;
            if (balance) balancedSites += FirstDifference(want, mosaic).empty() ? 0 : 1;
        }
    }
    EXPECT_GT(balancedSites, 20);  // the cases really balance
}

TEST(PassLayoutsTest, GreenPlaneMatchesThePlainReading) {
    for (const Case& k : AllCases()) {
        const Plane mosaic = MakeMosaic(k.input, k.layout, 3);
        auto negative = NegativeFor(k, mosaic);
        engine::ProgressStatus progress;
        negative->ProcessPhoto(0, 0, false, progress);
        const Plane want = oracle::GreenPass(mosaic, k.layout, k.input.split);
        ASSERT_EQ(FirstDifference(FromImage(*negative->Stage1Image()), want), "") << k.Name();
        ASSERT_NE(negative->WorkPlane, nullptr);
        ASSERT_EQ(FirstDifference(FromImage(*negative->WorkPlane), want), "") << k.Name();
    }
}

TEST(PassLayoutsTest, GreenPlaneFromAFirstRowAndColumn) {
    for (const Case& k : AllCases()) {
        if (k.input.height < 9) continue;
        const Plane mosaic = MakeMosaic(k.input, k.layout, 4);
        auto negative = NegativeFor(k, mosaic);
        engine::ProgressStatus progress;
        negative->ProcessPhoto(3, 5, false, progress);
        const Plane want = oracle::GreenPass(mosaic, k.layout, k.input.split, {}, 3, 5);
        ASSERT_EQ(FirstDifference(FromImage(*negative->Stage1Image()), want), "") << k.Name();
    }
}

TEST(PassLayoutsTest, RedAndBluePlanesMatchThePlainReading) {
    for (const Case& k : AllCases())
        for (const bool blue : {false, true}) {
            const Plane mosaic = MakeMosaic(k.input, k.layout, 5);
            auto negative = NegativeFor(k, mosaic);
            engine::ProgressStatus progress;
            negative->ProcessRedBlue(blue, progress);
            const Plane want = oracle::RedBluePass(mosaic, k.layout, k.input.split, blue);
            ASSERT_EQ(FirstDifference(FromImage(*negative->Stage1Image()), want), "") << k.Name() << " blue " << blue;
            ASSERT_NE(negative->WorkPlane, nullptr);
            ASSERT_EQ(FirstDifference(FromImage(*negative->WorkPlane), want), "") << k.Name();
        }
}

TEST(PassLayoutsTest, TransferAndMergesMatchThePlainReading) {
    for (const Case& k : AllCases()) {
        const Plane mosaic = MakeMosaic(k.input, k.layout, 6);
        // A deblurred plane unlike the mosaic: the green pass of another mosaic.
        const Plane deblurred = oracle::GreenPass(MakeMosaic(k.input, k.layout, 7), k.layout, 0);
        auto negative = NegativeFor(k, mosaic);

        negative->WorkPlane = ToImage(deblurred);
        AutoPtr<dng_image> copy = ToImage(mosaic);
        engine::ProgressStatus progress;
        negative->ProcessFinalResult(*copy, 0, 0, progress);
        ASSERT_EQ(FirstDifference(FromImage(*copy), oracle::Transfer(deblurred, mosaic, k.layout)), "") << k.Name();

        using Merge = void (TWKNegative::*)(dng_image&, int, int);
        const Merge merges[] = {&TWKNegative::MergeRedPlane, &TWKNegative::MergeGreenPlane,
                                &TWKNegative::MergeBluePlane};
        for (int colour = 0; colour < 3; ++colour) {
            AutoPtr<dng_image> target = ToImage(mosaic);
            ((*negative).*merges[colour])(*target, 0, 0);
            ASSERT_EQ(FirstDifference(FromImage(*target), oracle::Merge(deblurred, mosaic, k.layout, colour)), "")
                << k.Name() << " colour " << colour;
        }
    }
}

// Agreement with the plain reading checks a rule only if some case depends
// on it: changing each rule constant in the reading must change a result.
TEST(PassLayoutsTest, TheCasesReachTheRaiseLimitsAndTheMinimumRule) {
    struct Variant { const char* name; oracle::Rules rules; bool redBlue; };
    const Variant variants[] = {
        {"19 green raises", {19, 50, false}, false},
        {"21 green raises", {21, 50, false}, false},
        {"49 red/blue raises", {20, 49, false}, true},
        {"zero minimum yields in the red/blue pass", {20, 50, true}, true},
    };
    for (const Variant& v : variants) {
        int changed = 0;
        for (const Case& k : AllCases()) {
            const Plane mosaic = MakeMosaic(k.input, k.layout, v.redBlue ? 5 : 3);
            if (v.redBlue) {
                for (const bool blue : {false, true})
                    changed += !FirstDifference(oracle::RedBluePass(mosaic, k.layout, k.input.split, blue, v.rules),
                                                oracle::RedBluePass(mosaic, k.layout, k.input.split, blue))
                                    .empty();
            } else {
                changed += !FirstDifference(oracle::GreenPass(mosaic, k.layout, k.input.split, v.rules),
                                            oracle::GreenPass(mosaic, k.layout, k.input.split))
                                .empty();
            }
        }
        EXPECT_GT(changed, 0) << v.name;
    }
}

}  // namespace
}  // namespace pipelinetest
