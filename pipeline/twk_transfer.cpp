#include "dng/dng_image_plane16.h"
#include "engine/class_fft.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/main_window_link.h"
#include "pipeline/mosaic_rows.h"
#include "pipeline/twk_directions.h"
#include "pipeline/twk_pass_support.h"

namespace {

using pipeline::SiteWindow;

// A red or blue site scaled by how much deblurring changed the green around
// it, measured along the smoother directions of the deblurred green.
double TransferredSite(const SiteWindow& A, const uint16* const (&B)[3], int col) {
    double g[8];
    // One whole and two half differences each, summed as twice their value.
    g[0] = 0.5 * (2 * A.Gap(-2, 0, 0, 0) + A.Gap(-2, -1, 0, -1) + A.Gap(-2, 1, 0, 1));
    g[1] = 0.5 * (2 * A.Gap(0, 2, 0, 0) + A.Gap(-1, 2, -1, 0) + A.Gap(1, 2, 1, 0));
    g[2] = 0.5 * (2 * A.Gap(2, 0, 0, 0) + A.Gap(2, 1, 0, 1) + A.Gap(2, -1, 0, -1));
    g[3] = 0.5 * (2 * A.Gap(0, -2, 0, 0) + A.Gap(1, -2, 1, 0) + A.Gap(-1, -2, -1, 0));
    g[4] = 0.5 * (2 * A.Gap(-2, 2, 0, 0) + A.Gap(-1, 0, -2, 1) + A.Gap(0, 1, -1, 2));
    g[5] = 0.5 * (2 * A.Gap(2, 2, 0, 0) + A.Gap(1, 0, 2, 1) + A.Gap(0, 1, 1, 2));
    g[6] = 0.5 * (2 * A.Gap(-2, -2, 0, 0) + A.Gap(-1, 0, -2, -1) + A.Gap(0, -1, -1, -2));
    g[7] = 0.5 * (2 * A.Gap(2, -2, 0, 0) + A.Gap(1, 0, 2, -1) + A.Gap(0, -1, 1, -2));

    double lo, hi;
    pipeline::MinMaxZeroYields(g, 8, lo, hi);
    // The mosaic's four green neighbours; its diagonal terms are integer halves.
    const uint32 north = B[0][col], south = B[2][col], west = B[1][col - 1], east = B[1][col + 1];
    const double an = A(-1, 0), ae = A(0, 1), as = A(1, 0), aw = A(0, -1);
    // What each direction adds to the deblurred and to the mosaic sum.
    const double deblurred[8] = {an, ae, as, aw, (an + ae) / 2, (as + ae) / 2, (an + aw) / 2, (as + aw) / 2};
    const double mosaic[8] = {double(north), double(east), double(south), double(west),
                              double((north + east) / 2),
                              double((south + east) / 2), double((north + west) / 2),
                              double((south + west) / 2)};
    double sumA, sumB;
    pipeline::SumChosen(g, 8, pipeline::Threshold(lo, hi), 0, deblurred, mosaic, sumA, sumB);
    const double own = B[1][col];
    const double r = sumA > 0.0 ? sumB / sumA : 1.0;
    return r > 0.0 ? own / r : own;
}

}  // namespace

void TWKNegative::ProcessFinalResult(dng_image& mosaic, int rowOffset, int colOffset,
                                     engine::ProgressStatus& progress) {
    if (!WorkPlane) ThrowProgramError("No deblurred plane to transfer");
    const int32 H = static_cast<int32>(WorkPlane->Height());
    const int32 W = static_cast<int32>(WorkPlane->Width());
    if (mosaic.Height() != uint32(H) || mosaic.Width() != uint32(W))
        ThrowProgramError("Mosaic copy and deblurred plane differ in size");
    pipeline::RequirePassSize(H, W);

    // The deblurred plane is only read, so its windows come from its own rows;
    // the mosaic is written as it is read, so its rows are read from a copy.
    const dng_image_plane16 deblurred(*WorkPlane);
    dng_image_plane16 target(mosaic);
    pipeline::MosaicRows B(H, W);
    ReadMosaicRows(B, target, false);

    pipeline::ResetProgressBar(progress, H - 4);
    progress.SetStatus("Processing final result...");

    const engine::ClassFFT* linked = pipeline::LinkedEngine();
    // Without circles every site is inside: no question per site.
    const engine::ClassFFT* engine = linked && !linked->circles.empty() ? linked : nullptr;
    const ParityColours cfa = ColoursByParity();
    const auto transferRow = [&](int32 row) {
        SiteWindow window;
        const uint16* windowRows[5];
        for (int32 r = 0; r < 5; ++r) windowRows[r] = deblurred.Row(pipeline::MosaicRows::MapIndex(row + r - 2, H));
        const uint16* const mosaicRows[3] = {B.Row(row - 1), B.Row(row), B.Row(row + 1)};
        const uint16* green = deblurred.Row(row);
        uint16* out = target.MutableRow(row);
        for (int32 col = 1; col < W - 1; ++col) {
            if (engine && !engine->InDeblurArea(row + rowOffset, col + colOffset)) {
                out[col] = mosaicRows[1][col];
            } else if (cfa.At(col, row) == 1) {
                out[col] = green[col];
            } else {
                window.Load(windowRows, col, W);
                out[col] = pipeline::StoredSample(TransferredSite(window, mosaicRows, col));
            }
        }
    };
    // An abort leaves whole rows transferred.
    if (!pipeline::RunRows(1, H - 1, transferRow, progress, AbortFlag)) return;
    pipeline::ResetProgressBar(progress, H - 4);
}
