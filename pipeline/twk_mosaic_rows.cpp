#include <algorithm>
#include <cstdlib>

#include "dng/dng_exceptions.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/mosaic_rows.h"
#include "pipeline/twk_pass_support.h"
#include "platform/image_plane16.h"

void TWKNegative::ReadMosaicRows(pipeline::MosaicRows& rows, const platform::ImagePlane16& source,
                                 bool balanceGreens) {
    const int32 H = rows.Height();
    const int32 W = rows.Width();
    if (source.Height() < H || source.Width() < W) ThrowProgramError("Row table larger than the image");
    // BayerGreenSplit says how far the two greens may drift apart; 500 is taken as 300.
    const uint32 split = fMosaicInfo ? fMosaicInfo->fBayerGreenSplit : 0;
    const double t = split == 500 ? 300.0 : double(split);
    const ParityColours cfa = ColoursByParity();

    bool greenInBlueRow[2][2];  // [row & 1][col & 1]
    for (int32 r = 0; r < 2; ++r)
        for (int32 c = 0; c < 2; ++c) greenInBlueRow[r][c] = cfa.At(c, r) == 1 && cfa.At(c + 1, r) == 2;
    // The up-right neighbour is read from the table, which the row above has
    // filled. In a Bayer pattern that row balances nothing, so its image
    // samples stand for it and rows need not wait for each other.
    const bool rowsDepend = (greenInBlueRow[0][0] || greenInBlueRow[0][1]) &&
                            (greenInBlueRow[1][0] || greenInBlueRow[1][1]);

    const auto fillRow = [&](int32 row) {
        const uint16* image = source.Row(row);
        uint16* table = rows.Row(row);
        std::copy(image, image + W, table);
        if (!balanceGreens || row <= 2 || row >= H - 1) return;

        const uint16* above = source.Row(row - 1);
        const uint16* below = source.Row(row + 1);
        const uint16* upRight = rowsDepend ? rows.Row(row - 1) : above;
        const bool* balanced = greenInBlueRow[row & 1];
        for (int32 col = 3; col < W - 2; ++col) {
            if (!balanced[col & 1]) continue;
            const int32 v = image[col];
            const int32 a = upRight[col + 1];
            if (!(std::abs(v - a) < t && a <= v)) continue;
            const int32 u = above[col + 1];
            const bool neighboursAgree = std::abs(u - below[col + 1]) < 50 && std::abs(u - below[col - 1]) < 50 &&
                                         std::abs(u - below[col - 3]) < 50;
            if (!(neighboursAgree || v > 700)) continue;
            int32 sum = u;
            int32 count = 1;
            for (const int32 other : {int32(above[col - 1]), int32(below[col + 1]), int32(below[col - 1])}) {
                if (std::abs(other - v) < t) {
                    sum += other;
                    ++count;
                }
            }
            table[col] = static_cast<uint16>(sum / count);
        }
    };
    if (rowsDepend) {
        for (int32 row = 0; row < H; ++row) fillRow(row);
    } else {
        pipeline::RunRows(0, H, fillRow);
    }
}
