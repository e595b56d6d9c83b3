#include <algorithm>
#include <cstdlib>

#include "dng/dng_exceptions.h"
#include "engine/image_plane16.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/mosaic_rows.h"

void TWKNegative::ReadMosaicRows(pipeline::MosaicRows& rows, const engine::ImagePlane16& source,
                                 bool balanceGreens) {
    const int32 H = rows.Height();
    const int32 W = rows.Width();
    if (source.Height() < H || source.Width() < W) ThrowProgramError("Row table larger than the image");
    // BayerGreenSplit says how far the two greens may drift apart; 500 is taken as 300.
    const uint32 split = fMosaicInfo ? fMosaicInfo->fBayerGreenSplit : 0;
    const double t = split == 500 ? 300.0 : double(split);
    const ParityColours cfa = ColoursByParity();

    for (int32 row = 0; row < H; ++row) {
        const uint16* image = source.Row(row);
        uint16* table = rows.Row(row);
        std::copy(image, image + W, table);
        if (!balanceGreens || row <= 2 || row >= H - 1) continue;

        const uint16* above = source.Row(row - 1);
        const uint16* below = source.Row(row + 1);
        const uint16* tableAbove = rows.Row(row - 1);
        bool greenInBlueRow[2];
        for (int32 parity = 0; parity < 2; ++parity)
            greenInBlueRow[parity] = cfa.At(parity, row) == 1 && cfa.At(parity + 1, row) == 2;

        for (int32 col = 3; col < W - 2; ++col) {
            if (!greenInBlueRow[col & 1]) continue;
            const int32 v = image[col];
            const int32 a = tableAbove[col + 1];
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
    }
}
