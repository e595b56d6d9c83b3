#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pipeline {

// Private copy of a raw plane that the full-size passes read their 5 x 5
// windows from while they write into the image. Sized from the image.
class MosaicRows {
public:
    // Contents are undefined until filled.
    MosaicRows(int height, int width)
        : height_(height), width_(width), samples_(new uint16_t[std::size_t(height) * std::size_t(width)]) {}

    int Height() const { return height_; }
    int Width() const { return width_; }
    uint16_t* Row(int row) { return samples_.get() + std::size_t(row) * std::size_t(width_); }
    const uint16_t* Row(int row) const { return samples_.get() + std::size_t(row) * std::size_t(width_); }

    // Index of a window row or column up to two outside [0, n): taken from
    // inside with the same parity, so the CFA colour stays that of the site
    // it stands for (-2 -> 0, -1 -> 1, n -> n - 2, n + 1 -> n - 1).
    static int MapIndex(int i, int n) { return i < 0 ? i + 2 : (i >= n ? i - 2 : i); }

    // Rows row - 2 .. row + 2 of a site's window, edge rows mapped.
    void WindowRows(int row, const uint16_t* (&rows)[5]) const {
        for (int r = 0; r < 5; ++r) rows[r] = Row(MapIndex(row + r - 2, height_));
    }

private:
    int height_;
    int width_;
    std::unique_ptr<uint16_t[]> samples_;
};

// The 5 x 5 window of one site, addressed relative to the site: as reals for
// the estimates, as integers for gradients, whose sums of sample differences and
// their halves are exact in either.
struct SiteWindow {
    int32_t s[5][5];

    double operator()(int r, int c) const { return s[r + 2][c + 2]; }
    int32_t I(int r, int c) const { return s[r + 2][c + 2]; }
    // |window(r1, c1) - window(r2, c2)|
    int32_t Gap(int r1, int c1, int r2, int c2) const {
        const int32_t d = I(r1, c1) - I(r2, c2);
        return d < 0 ? -d : d;
    }

    // Columns col - 2 .. col + 2 of the given window rows, edge columns mapped.
    void Load(const uint16_t* const (&rows)[5], int col, int width) {
        if (col >= 2 && col + 2 < width) {
            for (int r = 0; r < 5; ++r) {
                const uint16_t* p = rows[r] + col - 2;
                for (int c = 0; c < 5; ++c) s[r][c] = p[c];
            }
            return;
        }
        int cols[5];
        for (int c = 0; c < 5; ++c) cols[c] = MosaicRows::MapIndex(col + c - 2, width);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 5; ++c) s[r][c] = rows[r][cols[c]];
    }
};

}  // namespace pipeline
