#include <algorithm>

#include "dng/dng_image_plane16.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/main_window_link.h"
#include "pipeline/mosaic_rows.h"
#include "pipeline/twk_directions.h"
#include "pipeline/twk_pass_support.h"

namespace {

using pipeline::SiteWindow;

// Green estimate at a red or blue site: its own sample times the ratio of the
// green to the same-colour estimates along the smoother directions.
double GreenAtSite(const SiteWindow& S, double gmin, double gmax) {
    double g[8];
    pipeline::OrthogonalGradients(S, g);
    // Two whole and four half differences each, summed as twice their value.
    g[4] = 0.5 * (2 * (S.Gap(-2, 2, 0, 0) + S.Gap(-1, 1, 1, -1)) + S.Gap(-2, 1, -1, 0) + S.Gap(-1, 2, 0, 1) +
                  S.Gap(-1, 0, 0, -1) + S.Gap(0, 1, 1, 0));
    g[5] = 0.5 * (2 * (S.Gap(2, 2, 0, 0) + S.Gap(-1, -1, 1, 1)) + S.Gap(2, 1, 1, 0) + S.Gap(1, 2, 0, 1) +
                  S.Gap(-1, 0, 0, 1) + S.Gap(0, -1, 1, 0));
    g[6] = 0.5 * (2 * (S.Gap(-2, -2, 0, 0) + S.Gap(-1, -1, 1, 1)) + S.Gap(-2, -1, -1, 0) + S.Gap(-1, -2, 0, -1) +
                  S.Gap(-1, 0, 0, 1) + S.Gap(0, -1, 1, 0));
    g[7] = 0.5 * (2 * (S.Gap(2, -2, 0, 0) + S.Gap(-1, 1, 1, -1)) + S.Gap(2, -1, 1, 0) + S.Gap(1, -2, 0, -1) +
                  S.Gap(-1, 0, 0, -1) + S.Gap(0, 1, 1, 0));

    double lo, hi;
    pipeline::MinMaxZeroYields(g, 8, lo, hi);
    const double v = S(0, 0);
    const double north = S(-1, 0), east = S(0, 1), south = S(1, 0), west = S(0, -1);
    // What each direction adds to the green and to the same-colour sum.
    const double greens[8] = {north, east, south, west, (north + east) / 2, (south + east) / 2, (north + west) / 2,
                              (south + west) / 2};
    const double sames[8] = {(v + S(-2, 0)) / 2, (v + S(0, 2)) / 2, (v + S(2, 0)) / 2,   (v + S(0, -2)) / 2,
                             (v + S(-2, 2)) / 2, (v + S(2, 2)) / 2, (v + S(-2, -2)) / 2, (v + S(2, -2)) / 2};
    double sumG, sumC;
    pipeline::SumChosen(g, 8, pipeline::Threshold(lo, hi), 20, greens, sames, sumG, sumC);
    double value = v * (sumC > 0.0 ? sumG / sumC : 1.0);
    // 16383 and 0 are the "no bound" starting values of the green range.
    if (gmin < 16383.0 && value < gmin) value = gmin;
    if (gmax > 0.0 && value > gmax) value = gmax;
    return value;
}

}  // namespace

void TWKNegative::ProcessPhoto(int firstRow, int firstCol, bool fromOrigin, engine::ProgressStatus& progress) {
    WorkPlane.reset();
    if (!fStage1Image) ThrowProgramError("No stage-1 image for the green plane");
    const int32 H = static_cast<int32>(fStage1Image->Height());
    const int32 W = static_cast<int32>(fStage1Image->Width());
    pipeline::RequirePassSize(H, W);

    // The sliders take the white level truncated, not rounded: 4095.6 gives 4095 and 1365.
    const real64 white =
        std::min(std::max(fLinearizationInfo ? fLinearizationInfo->fWhiteLevel[0] : 65535.0, 0.0), 65535.0);
    if (pipeline::gMainWindow) {
        pipeline::gMainWindow->SetMaskingMaximum(static_cast<int>(white));
        pipeline::gMainWindow->SetLocalizationMaximum(static_cast<int>(white * (1.0 / 3.0)));
    }
    if (fromOrigin) firstRow = firstCol = 0;
    firstRow = std::max(firstRow, 0);
    firstCol = std::max(firstCol, 0);

    {
        dng_image_plane16 image(*fStage1Image);
        pipeline::MosaicRows rows(H, W);
        ReadMosaicRows(rows, image, true);
        pipeline::ResetProgressBar(progress, H - 4);
        progress.SetStatus("Processing photo...");

        const ParityColours cfa = ColoursByParity();
        // Window positions of the green sites around a site, by its row and column parity.
        struct Greens {
            int count = 0;
            int r[25], c[25];
        } greens[2][2];
        for (int32 pr = 0; pr < 2; ++pr)
            for (int32 pc = 0; pc < 2; ++pc)
                for (int32 r = -2; r <= 2; ++r)
                    for (int32 c = -2; c <= 2; ++c) {
                        if (cfa.At(pc + c, pr + r) != 1) continue;
                        Greens& g = greens[pr][pc];
                        g.r[g.count] = r;
                        g.c[g.count++] = c;
                    }
        const auto convertRow = [&](int32 row) {
            SiteWindow window;
            const uint16* source = rows.Row(row);
            uint16* out = image.MutableRow(row);
            const uint16* windowRows[5];
            rows.WindowRows(row, windowRows);
            const bool rangeRow = row >= 2 && row <= H - 3;
            for (int32 col = firstCol; col < W; ++col) {
                if (cfa.At(col, row) == 1) {
                    out[col] = source[col];
                    continue;
                }
                window.Load(windowRows, col, W);
                int32 gmin = 16383;
                int32 gmax = 0;
                if (rangeRow && col >= 2 && col <= W - 3) {
                    const Greens& g = greens[row & 1][col & 1];
                    for (int i = 0; i < g.count; ++i) {
                        const int32 sample = window.I(g.r[i], g.c[i]);
                        gmin = std::min(gmin, sample);
                        gmax = std::max(gmax, sample);
                    }
                }
                out[col] = pipeline::StoredSample(GreenAtSite(window, gmin, gmax));
            }
        };
        // An abort leaves whole rows converted and the work plane empty.
        if (!pipeline::RunRows(firstRow, H, convertRow, progress, AbortFlag)) return;
        pipeline::ResetProgressBar(progress, H - 4);
    }
    WorkPlane = fStage1Image->Clone();
}
