#include "engine/deblur_tiles.h"

#include <algorithm>

namespace engine {
namespace {

constexpr int N = TileTransforms::N;
constexpr int kHalfWidth = N / 2 + 1;
constexpr int kStride = TileTransforms::Stride();

// Where a tile's written window ends along one axis: where the next tile's
// window begins, so that every sample has exactly one writer, the tile that
// wrote it last when tiles ran one after the other.
int WindowEnd(int origin, int step, int extent) {
    const int end = std::min(origin + N, extent);
    const int nextStart = origin + step + N / 4;
    return origin + step < extent && nextStart < extent ? std::min(end, nextStart) : end;
}

// 5 x 5 minimum and maximum of I around columns first .. last of `row`
// (all at least two inside the plane): column extremes over the five rows
// first, then over five columns. low[i] and high[i] belong to column first + i.
void WindowExtremes(const SamplePlane& in, int row, int first, int last, TileScratch& s) {
    const int from = first - 2;
    const int count = last - first + 5;
    const uint16_t* rows[5];
    for (int i = 0; i < 5; ++i) rows[i] = in.Row(row - 2 + i) + from;
    int32_t* lo = s.low.data();
    int32_t* hi = s.high.data();
    for (int c = 0; c < count; ++c) {
        int32_t a = rows[0][c], b = rows[0][c];
        for (int i = 1; i < 5; ++i) {
            a = std::min<int32_t>(a, rows[i][c]);
            b = std::max<int32_t>(b, rows[i][c]);
        }
        lo[c] = a;
        hi[c] = b;
    }
    for (int c = 0; c + 4 < count; ++c) {
        int32_t a = lo[c], b = hi[c];
        for (int j = 1; j < 5; ++j) {
            a = std::min(a, lo[c + j]);
            b = std::max(b, hi[c + j]);
        }
        lo[c] = a;
        hi[c] = b;
    }
}

}  // namespace

void TileJob::Run(int tileRow, int tileCol, TileScratch& s) const {
        const int rows = std::min(N, height - tileRow);
        const int cols = std::min(N, width - tileCol);
        double* tile = s.tile.get();
        for (int r = 0; r < N; ++r) {
            double* dst = tile + std::size_t(r) * kStride;
            int c = 0;
            if (r < rows) {
                const uint16_t* src = in.Row(tileRow + r) + tileCol;
                for (; c < cols; ++c) dst[c] = src[c];
            }
            std::fill(dst + c, dst + N, 0.0);
        }

        transforms.Forward(tile);
        // A cancel leaves the tile being filtered unwritten; looking twice keeps the wait short.
        if (stopping.load(std::memory_order_relaxed)) return;
        const double* w = weights.data();
        const std::size_t halfCount = std::size_t(N) * kHalfWidth;
        for (std::size_t k = 0; k < halfCount; ++k) {
            tile[2 * k] *= w[k];
            tile[2 * k + 1] *= w[k];
        }
        transforms.Inverse(tile);

        if (stopping.load(std::memory_order_relaxed)) return;

        // Inner tiles keep from a quarter tile in; the first row and column of tiles start at 0.
        const int rStart = tileRow > 0 ? N / 4 : 0;
        const int cStart = tileCol > 0 ? N / 4 : 0;
        const int rEnd = WindowEnd(tileRow, step, height) - tileRow;
        const int cEnd = WindowEnd(tileCol, step, width) - tileCol;
        for (int r = rStart; r < rEnd; ++r)
            WriteRow(tileRow + r, tileCol, cStart, cEnd, tile + std::size_t(r) * kStride, s);
    }

    // Tile columns [cStart, cEnd) of `row`; result[c] is the unscaled inverse transform at tile column c.
void TileJob::WriteRow(int row, int tileCol, int cStart, int cEnd, const double* result, TileScratch& s) const {
        const int first = tileCol + cStart;
        const int end = tileCol + cEnd;
        const double inverseArea = 1.0 / (double(N) * double(N));
        const uint16_t* inRow = in.Row(row);
        const uint16_t* mask16Row = mask16 ? mask16->Row(row) : nullptr;
        const int32_t* mask32Row = mask32 ? mask32->Row(row) : nullptr;
        uint16_t* rawRow = plane.RawRow(row);
        // Columns with 5 x 5 bounds: two inside the plane on every side.
        const bool rowInside = localized && row >= 2 && row <= height - 3;
        const int boundFirst = std::max(first, 2);
        const int boundLast = std::min(end - 1, width - 3);
        const bool anyBounded = rowInside && boundFirst <= boundLast;
        if (anyBounded) WindowExtremes(in, row, boundFirst, boundLast, s);

        for (int col = first; col < end; ++col) {
            const int i = inRow[col];
            double v = result[col - tileCol] * inverseArea;

            v = std::max(v, 0.0);
            v = std::min(v, double(white));
            if (anyBounded && col >= boundFirst && col <= boundLast) {
                const int lo = std::max(s.low[std::size_t(col - boundFirst)] - margin, 0);
                const int hi = std::min(s.high[std::size_t(col - boundFirst)] + margin, white);
                if (lo < white) v = std::max(v, double(lo));
                if (hi > 0) v = std::min(v, double(hi));
            }

            if (mask16Row || mask32Row) {
                const int z = mask16Row ? mask16Row[col] : mask32Row[col];
                v = z > 0 ? i - (i - v) / white * z : i;
            }

            int depth = 0;
            for (const auto& circle : engine.circles) {
                depth = circle->Depth(row + rowOffset, col + columnOffset);
                const int tw = circle->transitionWidth;
                if (depth >= 0 && depth < tw) v = v + float(i - v) * (tw - depth) / tw;
                if (depth > -1) break;
            }
            if (depth <= -1) continue;

            if (rawRow) {
                // Samples above the white level can push the mask's blend out of range.
                rawRow[col] = uint16_t(std::min(std::max(v, 0.0), 65535.0));
            } else {
                plane.WriteBitmap(row, col, v);
            }
        }
    }

}  // namespace engine
