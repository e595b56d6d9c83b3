#include "dng/dng_linearization_info.h"

#include <algorithm>
#include <cmath>

#include "dng/dng_exceptions.h"
#include "dng/dng_info.h"
#include "dng/dng_tile_buffer.h"

namespace {

// Round half away from zero.
int64 RoundAway(real64 x) { return static_cast<int64>(std::llround(x)); }

struct PlaneTables {
    bool direct = false;            // single-table path
    std::vector<uint16> directMap;  // stage-1 value -> output
    std::vector<int64> scaled;      // stage-1 value -> linear value x K
    std::vector<int64> rowBlack;    // per row, indexed by row mod size
    std::vector<std::vector<int64>> blackGrid;  // [row mod rows][col mod cols]
};

}  // namespace

void dng_linearization_info::Parse(dng_host&, dng_stream&, const dng_info& info) {
    const dng_ifd& ifd = *info.fIFD[info.fMainIndex];
    fActiveArea = ifd.fActiveArea;
    fMaskedAreaCount = ifd.fMaskedAreaCount;
    std::copy(std::begin(ifd.fMaskedArea), std::end(ifd.fMaskedArea), std::begin(fMaskedArea));
    fLinearizationTable = ifd.fLinearizationTable;
    fBlackLevelRepeatRows = ifd.fBlackLevelRepeatRows;
    fBlackLevelRepeatCols = ifd.fBlackLevelRepeatCols;
    std::copy(&ifd.fBlackLevel[0][0][0], &ifd.fBlackLevel[0][0][0] + sizeof(fBlackLevel) / sizeof(real64),
              &fBlackLevel[0][0][0]);
    fBlackDeltaH = ifd.fBlackLevelDeltaH;
    fBlackDeltaV = ifd.fBlackLevelDeltaV;
    std::copy(std::begin(ifd.fWhiteLevel), std::end(ifd.fWhiteLevel), std::begin(fWhiteLevel));
}

void dng_linearization_info::PostParse(dng_host&, const dng_image* stage1) {
    if (fActiveArea.IsEmpty() && stage1) fActiveArea = stage1->Bounds();
}

real64 dng_linearization_info::MaxBlackLevel(uint32 plane) const {
    const uint32 rows = fBlackLevelRepeatRows;
    const uint32 cols = fBlackLevelRepeatCols;
    std::vector<real64> maxDH(cols, 0.0);
    std::vector<real64> maxDV(rows, 0.0);
    if (!fBlackDeltaH.empty()) {
        std::fill(maxDH.begin(), maxDH.end(), -INFINITY);
        for (size_t c = 0; c < fBlackDeltaH.size(); ++c) maxDH[c % cols] = std::max(maxDH[c % cols], fBlackDeltaH[c]);
        for (real64& m : maxDH) if (std::isinf(m)) m = 0.0;
    }
    if (!fBlackDeltaV.empty()) {
        std::fill(maxDV.begin(), maxDV.end(), -INFINITY);
        for (size_t r = 0; r < fBlackDeltaV.size(); ++r) maxDV[r % rows] = std::max(maxDV[r % rows], fBlackDeltaV[r]);
        for (real64& m : maxDV) if (std::isinf(m)) m = 0.0;
    }
    real64 result = -INFINITY;
    for (uint32 j = 0; j < rows; ++j)
        for (uint32 k = 0; k < cols; ++k) result = std::max(result, fBlackLevel[j][k][plane] + maxDH[k] + maxDV[j]);
    return result;
}

void dng_linearization_info::Linearize(dng_host& host, const dng_image& srcImage, dng_image& dstImage) const {
    const dng_rect active = fActiveArea;
    if (active.IsEmpty() || !RectInside(active, srcImage.Bounds()))
        ThrowBadFormat("Active area outside the raw image");
    if (dstImage.PixelType() != ttShort || srcImage.PixelType() != ttShort)
        ThrowProgramError("Pixel type access mismatch");
    const uint32 activeW = active.W();
    const uint32 activeH = active.H();
    const uint32 rows = fBlackLevelRepeatRows;
    const uint32 cols = fBlackLevelRepeatCols;
    const bool hasDeltaH = !fBlackDeltaH.empty();
    const bool hasDeltaV = !fBlackDeltaV.empty();
    if ((hasDeltaH && fBlackDeltaH.size() < activeW) || (hasDeltaV && fBlackDeltaV.size() < activeH))
        ThrowBadFormat("Black level deltas do not cover the active area");
    const uint32 planes = std::min(srcImage.Planes(), dstImage.Planes());

    dng_const_tile_buffer src(srcImage, active);
    dng_dirty_tile_buffer dst(dstImage, dstImage.Bounds());
    const dng_rect dstBounds = dstImage.Bounds();
    const uint32 outRows = std::min(activeH, dstBounds.H());
    const uint32 outCols = std::min(activeW, dstBounds.W());

    for (uint32 p = 0; p < planes; ++p) {
        host.SniffForAbort();
        const real64 range = fWhiteLevel[p] - MaxBlackLevel(p);
        if (!(range > 0.0)) ThrowBadFormat("White level not above the black level");
        const real64 scale = 1.0 / range;
        auto lin = [&](uint32 x) -> real64 {
            if (fLinearizationTable.empty()) return x;
            return fLinearizationTable[std::min<size_t>(x, fLinearizationTable.size() - 1)];
        };

        PlaneTables t;
        const real64 K = scale * 65535.0 * 256.0;
        // The integer path works in 64 bits: every scaled level must stay far inside that range.
        real64 largest = 65535.0;
        for (uint32 j = 0; j < rows; ++j)
            for (uint32 k = 0; k < cols; ++k) largest = std::max(largest, std::fabs(fBlackLevel[j][k][p]));
        for (real64 d : fBlackDeltaH) largest = std::max(largest, std::fabs(d));
        for (real64 d : fBlackDeltaV) largest = std::max(largest, std::fabs(d));
        if (!(3.0 * largest * K < 0x1p60)) ThrowBadFormat("Black or white levels out of range");
        const bool has2D = hasDeltaH || cols > 1;
        if (has2D) {
            const uint32 gridCols = hasDeltaH ? activeW : cols;
            t.blackGrid.assign(rows, std::vector<int64>(gridCols));
            for (uint32 j = 0; j < rows; ++j)
                for (uint32 k = 0; k < gridCols; ++k)
                    t.blackGrid[j][k] =
                        RoundAway((fBlackLevel[j][k % cols][p] + (hasDeltaH ? fBlackDeltaH[k] : 0.0)) * K);
        }
        if (hasDeltaV) {
            t.rowBlack.resize(activeH);
            for (uint32 r = 0; r < activeH; ++r)
                t.rowBlack[r] = RoundAway(((has2D ? 0.0 : fBlackLevel[r % rows][0][p]) + fBlackDeltaV[r]) * K);
        } else if (!has2D && rows > 1) {
            t.rowBlack.resize(rows);
            for (uint32 j = 0; j < rows; ++j) t.rowBlack[j] = RoundAway(fBlackLevel[j][0][p] * K);
        }
        if (std::all_of(t.rowBlack.begin(), t.rowBlack.end(), [](int64 v) { return v == 0; })) t.rowBlack.clear();
        t.direct = !has2D && t.rowBlack.empty();

        if (t.direct) {
            const real64 black = fBlackLevel[0][0][p];
            t.directMap.resize(65536);
            for (uint32 x = 0; x < 65536; ++x) {
                const real64 y = std::min(std::max((lin(x) - black) * scale, 0.0), 1.0);
                t.directMap[x] = static_cast<uint16>(y * 65535.0 + 0.5);
            }
        } else {
            t.scaled.resize(65536);
            for (uint32 x = 0; x < 65536; ++x) t.scaled[x] = RoundAway(lin(x) * K);
        }

        for (uint32 r = 0; r < outRows; ++r) {
            const uint16* in = src.ConstPixel_uint16(active.t + static_cast<int32>(r), active.l, p);
            uint16* out = dst.DirtyPixel_uint16(dstBounds.t + static_cast<int32>(r), dstBounds.l, p);
            if (t.direct) {
                const uint16* map = t.directMap.data();
                for (uint32 c = 0; c < outCols; ++c) out[c] = map[in[c]];
                continue;
            }
            const int64 b1 = t.rowBlack.empty() ? 0 : t.rowBlack[hasDeltaV ? r : r % rows];
            const int64* grid = has2D ? t.blackGrid[r % rows].data() : nullptr;
            const uint32 gridCols = has2D ? static_cast<uint32>(t.blackGrid[r % rows].size()) : 1;
            const int64* scaled = t.scaled.data();
            for (uint32 c = 0; c < outCols; ++c) {
                const int64 b2 = grid ? grid[gridCols == activeW ? c : c % gridCols] : 0;
                const int64 v = (scaled[in[c]] + 128 - b1 - b2) >> 8;
                out[c] = static_cast<uint16>(v < 0 ? 0 : (v > 65535 ? 65535 : v));
            }
        }
    }
}
