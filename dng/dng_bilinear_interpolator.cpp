#include "dng/dng_bilinear_interpolator.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "dng/dng_exceptions.h"
#include "dng/dng_mosaic_info.h"
#include "dng/dng_negative.h"

dng_suite gDNGSuite;

void RefBilinearRow16(const uint16* sPtr, uint16* dPtr, uint32 cols, uint32 patPhase, uint32 patCount,
                      const uint32* kernCounts, const int32 (*kernOffsets)[kMaxBilinearKernel],
                      const uint16 (*kernWeights)[kMaxBilinearKernel], uint32 sShift, dng_negative& negative,
                      uint32 plane, int32 row, int32 firstCol, uint32 H, uint32 W) {
    for (uint32 j = 0; j < cols; ++j) {
        const uint16* p = sPtr + (j >> sShift);
        const uint32 count = kernCounts[patPhase];
        const int32* offsets = kernOffsets[patPhase];
        const uint16* weights = kernWeights[patPhase];
        if (++patPhase == patCount) patPhase = 0;
        uint32 total = 128;
        for (uint32 k = 0; k < count; ++k) total += weights[k] * static_cast<uint32>(p[offsets[k]]);
        dPtr[j] = static_cast<uint16>(total >> 8);
    }
    negative.StoreRow(H, W, row, firstCol, plane, dPtr, cols);
}

namespace {

struct Tap {
    int32 dr;
    int32 dc;
    real64 weight;
};

// Taps of one kernel: the colour's sites among the neighbours, by the first rule that fits.
std::vector<Tap> KernelTaps(const dng_mosaic_info& info, uint32 pr, uint32 pc, uint8 colour) {
    const int32 rows = info.fCFAPatternSize.v;
    const int32 cols = info.fCFAPatternSize.h;
    auto has = [&](int32 dr, int32 dc) {
        const int32 r = ((static_cast<int32>(pr) + dr) % rows + rows) % rows;
        const int32 c = ((static_cast<int32>(pc) + dc) % cols + cols) % cols;
        return info.fCFAPattern[r][c] == colour;
    };
    if (has(0, 0)) return {{0, 0, 1.0}};
    const bool n = has(-1, 0), s = has(1, 0), w = has(0, -1), e = has(0, 1);
    const bool nw = has(-1, -1), ne = has(-1, 1), sw = has(1, -1), se = has(1, 1);
    if (n && s && w && e) return {{-1, 0, 0.25}, {1, 0, 0.25}, {0, -1, 0.25}, {0, 1, 0.25}};
    if (n && s) return {{-1, 0, 0.5}, {1, 0, 0.5}};
    if (w && e) return {{0, -1, 0.5}, {0, 1, 0.5}};
    if (n && sw && se) return {{-1, 0, 0.5}, {1, -1, 0.25}, {1, 1, 0.25}};
    if (s && nw && ne) return {{1, 0, 0.5}, {-1, -1, 0.25}, {-1, 1, 0.25}};
    if (w && ne && se) return {{0, -1, 0.5}, {-1, 1, 0.25}, {1, 1, 0.25}};
    if (e && nw && sw) return {{0, 1, 0.5}, {-1, -1, 0.25}, {1, -1, 0.25}};
    if (nw && ne && sw && se) return {{-1, -1, 0.25}, {-1, 1, 0.25}, {1, -1, 0.25}, {1, 1, 0.25}};
    if (nw && se) return {{-1, -1, 0.5}, {1, 1, 0.5}};
    if (ne && sw) return {{-1, 1, 0.5}, {1, -1, 0.5}};
    // Sparse colours: every site of the colour within the margin, nearer ones weighing more.
    std::vector<Tap> taps;
    real64 sum = 0.0;
    for (int32 dr = -kBilinearMargin; dr <= kBilinearMargin; ++dr)
        for (int32 dc = -kBilinearMargin; dc <= kBilinearMargin; ++dc)
            if (has(dr, dc)) {
                const real64 weight = 1.0 / (dr * dr + dc * dc);
                taps.push_back({dr, dc, weight});
                sum += weight;
            }
    if (taps.empty()) ThrowBadFormat("CFA pattern has a colour too sparse to interpolate");
    for (Tap& t : taps) t.weight /= sum;
    return taps;
}

}  // namespace

dng_bilinear_interpolator::dng_bilinear_interpolator(const dng_mosaic_info& info, int32 srcRowStep)
    : fPatRows(static_cast<uint32>(info.fCFAPatternSize.v)),
      fPatCols(static_cast<uint32>(info.fCFAPatternSize.h)),
      fPlanes(info.fColorPlanes) {
    if (fPatRows < 1 || fPatRows > 8 || fPatCols < 1 || fPatCols > 8 || fPlanes < 1 || fPlanes > 4)
        ThrowBadFormat("Bad CFA pattern for interpolation");
    for (uint32 pr = 0; pr < fPatRows; ++pr)
        for (uint32 plane = 0; plane < fPlanes; ++plane)
            for (uint32 pc = 0; pc < fPatCols; ++pc) {
                const std::vector<Tap> taps = KernelTaps(info, pr, pc, info.fCFAPlaneColor[plane]);
                // Weights in 1/256 steps; the largest takes the rounding so they sum to 256.
                uint32 largest = 0;
                int32 sum = 0;
                for (uint32 k = 0; k < taps.size(); ++k) {
                    const int32 w = static_cast<int32>(std::lround(taps[k].weight * 256.0));
                    fWeights[pr][plane][pc][k] = static_cast<uint16>(w);
                    fOffsets[pr][plane][pc][k] = taps[k].dr * srcRowStep + taps[k].dc;
                    sum += w;
                    if (taps[k].weight > taps[largest].weight) largest = k;
                }
                fWeights[pr][plane][pc][largest] = static_cast<uint16>(fWeights[pr][plane][pc][largest] + 256 - sum);
                fCounts[pr][plane][pc] = static_cast<uint32>(taps.size());
            }
}

void dng_bilinear_interpolator::Interpolate(const dng_pixel_buffer& srcBuffer, dng_pixel_buffer& dstBuffer,
                                            dng_negative& negative, uint32 H, uint32 W) const {
    const dng_rect area = dstBuffer.fArea;
    const uint32 cols = area.W();
    for (int32 row = area.t; row < area.b; ++row) {
        const uint32 pr = static_cast<uint32>(row) % fPatRows;
        const uint32 phase = static_cast<uint32>(area.l) % fPatCols;
        const uint16* s = srcBuffer.ConstPixel_uint16(row, area.l, 0);
        for (uint32 plane = 0; plane < fPlanes; ++plane) {
            uint16* d = dstBuffer.DirtyPixel_uint16(row, area.l, plane);
            gDNGSuite.BilinearRow16(s, d, cols, phase, fPatCols, fCounts[pr][plane], fOffsets[pr][plane],
                                    fWeights[pr][plane], 0, negative, plane, row, area.l, H, W);
        }
    }
}
