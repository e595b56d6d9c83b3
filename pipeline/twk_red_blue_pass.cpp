#include <algorithm>

#include "dng/dng_image_plane16.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/mosaic_rows.h"
#include "pipeline/twk_directions.h"
#include "pipeline/twk_pass_support.h"
#include "platform/process_messages.h"

namespace {

using pipeline::SiteWindow;

// Pass 1: the target colour at a green site, as its green divided by the
// ratio of green to target colour along the smoother of eight directions.
// `rowNeighbours` says whether the target colour lies left and right of the site.
double TargetAtGreen(const SiteWindow& P, bool rowNeighbours) {
    double g[8];
    pipeline::OrthogonalGradients(P, g);
    g[4] = P.Gap(-1, 1, 1, -1) + P.Gap(-2, 2, 0, 0) + P.Gap(-2, 1, 0, -1) + P.Gap(-1, 2, 1, 0);
    g[5] = P.Gap(1, 1, -1, -1) + P.Gap(2, 2, 0, 0) + P.Gap(1, 2, -1, 0) + P.Gap(2, 1, 0, -1);
    g[6] = P.Gap(-1, -1, 1, 1) + P.Gap(-2, -2, 0, 0) + P.Gap(-1, -2, 1, 0) + P.Gap(-2, -1, 0, 1);
    g[7] = P.Gap(1, -1, -1, 1) + P.Gap(2, -2, 0, 0) + P.Gap(2, -1, 0, 1) + P.Gap(1, -2, -1, 0);

    double lo, hi;
    pipeline::MinMax(g, 8, lo, hi);
    const double v = P(0, 0);
    // What each direction adds to the target colour, from the side it lies on, and to the green sum.
    double targets[8];
    if (rowNeighbours) {
        const double e = P(0, 1), w = P(0, -1);
        const double sh[8] = {(w + e + P(-2, -1) + P(-2, 1)) / 4, e, (w + e + P(2, -1) + P(2, 1)) / 4, w,
                              (e + P(-2, 1)) / 2, (e + P(2, 1)) / 2, (w + P(-2, -1)) / 2, (w + P(2, -1)) / 2};
        std::copy(sh, sh + 8, targets);
    } else {
        const double n = P(-1, 0), s = P(1, 0);
        const double sv[8] = {n, (n + s + P(-1, 2) + P(1, 2)) / 4, s, (n + s + P(-1, -2) + P(1, -2)) / 4,
                              (n + P(-1, 2)) / 2, (s + P(1, 2)) / 2, (n + P(-1, -2)) / 2, (s + P(1, -2)) / 2};
        std::copy(sv, sv + 8, targets);
    }
    const double greens[8] = {(v + P(-2, 0)) / 2, (v + P(0, 2)) / 2, (v + P(2, 0)) / 2,   (v + P(0, -2)) / 2,
                              (v + P(-2, 2)) / 2, (v + P(2, 2)) / 2, (v + P(-2, -2)) / 2, (v + P(2, -2)) / 2};
    double target, sg;
    pipeline::SumChosen(g, 8, pipeline::Threshold(lo, hi), 50, targets, greens, target, sg);
    if (!(target > 0.0)) return v;
    const double ratio = sg / target;
    return ratio > 0.0 ? v / ratio : v;
}

// Pass 2: the target colour at a site of the opposite colour, from the
// pass-1 estimates around it over the smoother of four directions.
double TargetAtOpposite(const SiteWindow& P) {
    double g[4];
    pipeline::OrthogonalGradients(P, g);
    double lo, hi;
    pipeline::MinMax(g, 4, lo, hi);
    const double v = P(0, 0);
    const double targets[4] = {P(-1, 0), P(0, 1), P(1, 0), P(0, -1)};
    const double sames[4] = {(v + P(-2, 0)) / 2, (v + P(0, 2)) / 2, (v + P(2, 0)) / 2, (v + P(0, -2)) / 2};
    double st, sc;
    pipeline::SumChosen(g, 4, pipeline::Threshold(lo, hi), 50, targets, sames, st, sc);
    return sc > 0.0 ? v * (st / sc) : v;
}

}  // namespace

void TWKNegative::ProcessRedBlue(bool blue, engine::ProgressStatus& progress) {
    platform::ProcessMessages();
    fStage2Image.reset();
    fStage3Image.reset();
    if (!fStage1Image) ThrowProgramError("No stage-1 image for the colour plane");
    const int32 W = static_cast<int32>(fStage1Image->Width());
    const int32 H = static_cast<int32>(fStage1Image->Height());
    pipeline::RequirePassSize(H, W);
    progress.SetStatus(blue ? "Processing blue result..." : "Processing red result...");

    {
        pipeline::MosaicRows rows(H, W);
        dng_image_plane16 image(*fStage1Image);
        ReadMosaicRows(rows, image, true);
        pipeline::ResetProgressBar(progress, 2 * H - 8);

        const ParityColours cfa = ColoursByParity();
        const uint8 target = blue ? 2 : 0;
        const uint8 opposite = blue ? 0 : 2;
        for (int pass = 1; pass <= 2; ++pass) {
            const uint8 changing = pass == 1 ? 1 : opposite;
            const auto estimateRow = [&](int32 row) {
                SiteWindow window;
                const uint16* source = rows.Row(row);
                uint16* out = image.MutableRow(row);
                const uint16* windowRows[5];
                rows.WindowRows(row, windowRows);
                // Whether the target colour sits beside the greens of this row.
                const bool rowHoldsTarget = cfa.At(0, row) == target || cfa.At(1, row) == target;
                for (int32 col = 0; col < W; ++col) {
                    const uint16 v = source[col];
                    if (v == 0 || cfa.At(col, row) != changing) {
                        out[col] = v;
                        continue;
                    }
                    window.Load(windowRows, col, W);
                    out[col] = pipeline::StoredSample(pass == 1 ? TargetAtGreen(window, rowHoldsTarget)
                                                                : TargetAtOpposite(window));
                }
            };
            // An abort leaves whole rows estimated and the work plane as it was.
            if (!pipeline::RunRows(0, H, estimateRow, progress, AbortFlag)) return;
            if (pass == 1) ReadMosaicRows(rows, image, false);
        }
    }
    WorkPlane = fStage1Image->Clone();
}
