#include "pass_oracle.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pipelinetest::oracle {
namespace {

struct Offset {
    int r, c;
};
// Unit steps of the directions 0 N, 1 E, 2 S, 3 W, 4 NE, 5 SE, 6 NW, 7 SW.
constexpr Offset kStep[8] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}, {-1, 1}, {1, 1}, {-1, -1}, {1, -1}};

// |S(a) - S(b)|, counted whole or half.
struct Term {
    Offset a, b;
    bool half;
};
using Gradient = std::vector<Term>;

// Green-plane pass gradients: two whole and four half terms each.
const Gradient kGreenGradients[8] = {
    {{{-2, 0}, {0, 0}, 0}, {{-1, 0}, {1, 0}, 0},
     {{-1, -1}, {1, -1}, 1}, {{-1, 1}, {1, 1}, 1}, {{-2, -1}, {0, -1}, 1}, {{-2, 1}, {0, 1}, 1}},
    {{{0, 2}, {0, 0}, 0}, {{0, -1}, {0, 1}, 0},
     {{-1, 1}, {-1, -1}, 1}, {{1, 1}, {1, -1}, 1}, {{-1, 2}, {-1, 0}, 1}, {{1, 2}, {1, 0}, 1}},
    {{{2, 0}, {0, 0}, 0}, {{-1, 0}, {1, 0}, 0},
     {{1, 1}, {-1, 1}, 1}, {{1, -1}, {-1, -1}, 1}, {{2, 1}, {0, 1}, 1}, {{2, -1}, {0, -1}, 1}},
    {{{0, -2}, {0, 0}, 0}, {{0, -1}, {0, 1}, 0},
     {{1, -1}, {1, 1}, 1}, {{-1, -1}, {-1, 1}, 1}, {{1, -2}, {1, 0}, 1}, {{-1, -2}, {-1, 0}, 1}},
    {{{-2, 2}, {0, 0}, 0}, {{-1, 1}, {1, -1}, 0},
     {{-2, 1}, {-1, 0}, 1}, {{-1, 2}, {0, 1}, 1}, {{-1, 0}, {0, -1}, 1}, {{0, 1}, {1, 0}, 1}},
    {{{2, 2}, {0, 0}, 0}, {{-1, -1}, {1, 1}, 0},
     {{2, 1}, {1, 0}, 1}, {{1, 2}, {0, 1}, 1}, {{-1, 0}, {0, 1}, 1}, {{0, -1}, {1, 0}, 1}},
    {{{-2, -2}, {0, 0}, 0}, {{-1, -1}, {1, 1}, 0},
     {{-2, -1}, {-1, 0}, 1}, {{-1, -2}, {0, -1}, 1}, {{-1, 0}, {0, 1}, 1}, {{0, -1}, {1, 0}, 1}},
    {{{2, -2}, {0, 0}, 0}, {{-1, 1}, {1, -1}, 0},
     {{2, -1}, {1, 0}, 1}, {{1, -2}, {0, -1}, 1}, {{-1, 0}, {0, -1}, 1}, {{0, 1}, {1, 0}, 1}},
};

// Red and blue pass: the same four orthogonal gradients, diagonals of four whole terms.
const Gradient kRedBlueDiagonals[4] = {
    {{{-1, 1}, {1, -1}, 0}, {{-2, 2}, {0, 0}, 0}, {{-2, 1}, {0, -1}, 0}, {{-1, 2}, {1, 0}, 0}},
    {{{1, 1}, {-1, -1}, 0}, {{2, 2}, {0, 0}, 0}, {{1, 2}, {-1, 0}, 0}, {{2, 1}, {0, -1}, 0}},
    {{{-1, -1}, {1, 1}, 0}, {{-2, -2}, {0, 0}, 0}, {{-1, -2}, {1, 0}, 0}, {{-2, -1}, {0, 1}, 0}},
    {{{1, -1}, {-1, 1}, 0}, {{2, -2}, {0, 0}, 0}, {{2, -1}, {0, 1}, 0}, {{1, -2}, {-1, 0}, 0}},
};

// Transfer gradients over the deblurred green: one whole and two half terms each.
const Gradient kTransferGradients[8] = {
    {{{-2, 0}, {0, 0}, 0}, {{-2, -1}, {0, -1}, 1}, {{-2, 1}, {0, 1}, 1}},
    {{{0, 2}, {0, 0}, 0}, {{-1, 2}, {-1, 0}, 1}, {{1, 2}, {1, 0}, 1}},
    {{{2, 0}, {0, 0}, 0}, {{2, 1}, {0, 1}, 1}, {{2, -1}, {0, -1}, 1}},
    {{{0, -2}, {0, 0}, 0}, {{1, -2}, {1, 0}, 1}, {{-1, -2}, {-1, 0}, 1}},
    {{{-2, 2}, {0, 0}, 0}, {{-1, 0}, {-2, 1}, 1}, {{0, 1}, {-1, 2}, 1}},
    {{{2, 2}, {0, 0}, 0}, {{1, 0}, {2, 1}, 1}, {{0, 1}, {1, 2}, 1}},
    {{{-2, -2}, {0, 0}, 0}, {{-1, 0}, {-2, -1}, 1}, {{0, -1}, {-1, -2}, 1}},
    {{{2, -2}, {0, 0}, 0}, {{1, 0}, {2, -1}, 1}, {{0, -1}, {1, -2}, 1}},
};

int Inside(int i, int n) {
    if (i < 0) return i + 2;
    if (i >= n) return i - 2;
    return i;
}

// A site's 5 x 5 window; indices past an edge come from the same-parity index inside.
struct Window {
    const Plane& plane;
    int row, col;
    double operator()(int r, int c) const {
        const int rows = int(plane.size()), cols = int(plane[0].size());
        return plane[Inside(row + r, rows)][Inside(col + c, cols)];
    }
    double at(Offset o) const { return (*this)(o.r, o.c); }
};

double GradientOf(const Window& w, const Gradient& terms) {
    double whole = 0, half = 0;
    for (const Term& t : terms) (t.half ? half : whole) += std::fabs(w.at(t.a) - w.at(t.b));
    return whole + 0.5 * half;
}

// Directions chosen among g[0..n): the threshold walks up by 10 at most `raises` times.
std::vector<int> Choose(const std::vector<double>& g, bool zeroMinYields, int raises) {
    double lo = g[0], hi = g[0];
    for (std::size_t d = 1; d < g.size(); ++d) {
        if (g[d] < lo || (zeroMinYields && lo == 0)) lo = g[d];
        if (g[d] > hi) hi = g[d];
    }
    double threshold = 1.5 * lo + 0.5 * (hi - lo);
    for (int walk = 0; walk <= raises; ++walk) {
        std::vector<int> chosen;
        for (std::size_t d = 0; d < g.size(); ++d)
            if (g[d] != 0 && g[d] < threshold) chosen.push_back(int(d));
        if (!chosen.empty()) return chosen;
        threshold += 10;
    }
    std::vector<int> all;
    for (std::size_t d = 0; d < g.size(); ++d) all.push_back(int(d));
    return all;
}

int Stored(double v) {
    if (v <= 0 || std::isnan(v)) return 0;
    return v >= 65535 ? 65535 : int(v);
}

bool Diagonal(int d) { return d >= 4; }

}  // namespace

Plane Balanced(const Plane& s, const Layout& layout, uint32_t greenSplit, bool balance) {
    Plane table = s;
    if (!balance) return table;
    const double t = greenSplit == 500 ? 300.0 : double(greenSplit);
    const int rows = int(s.size()), cols = int(s[0].size());
    for (int row = 3; row < rows - 1; ++row) {
        for (int col = 3; col < cols - 2; ++col) {
            const bool blueRowGreen = layout.Colour(row, col) == 1 && layout.Colour(row, col + 1) == 2;
            if (!blueRowGreen) continue;
            const int v = s[row][col];
            const int a = table[row - 1][col + 1];
            if (!(a <= v && std::abs(v - a) < t)) continue;
            const int u = s[row - 1][col + 1];
            const bool agree = std::abs(u - s[row + 1][col + 1]) < 50 && std::abs(u - s[row + 1][col - 1]) < 50 &&
                               std::abs(u - s[row + 1][col - 3]) < 50;
            if (!agree && v <= 700) continue;
            double sum = u;
            int count = 1;
            for (int other : {s[row - 1][col - 1], s[row + 1][col + 1], s[row + 1][col - 1]})
                if (std::abs(other - v) < t) sum += other, ++count;
            table[row][col] = int(sum / count);
        }
    }
    return table;
}

Plane GreenPass(const Plane& mosaic, const Layout& layout, uint32_t greenSplit, const Rules& rules, int firstRow,
                int firstCol) {
    const Plane table = Balanced(mosaic, layout, greenSplit, true);
    const int rows = int(mosaic.size()), cols = int(mosaic[0].size());
    Plane out = mosaic;
    for (int row = firstRow; row < rows; ++row) {
        for (int col = firstCol; col < cols; ++col) {
            if (layout.Colour(row, col) == 1) {
                out[row][col] = table[row][col];
                continue;
            }
            const Window S{table, row, col};
            std::vector<double> g;
            for (const Gradient& terms : kGreenGradients) g.push_back(GradientOf(S, terms));
            double sumG = 0, sumC = 0;
            for (int d : Choose(g, true, rules.greenRaises)) {
                const Offset u = kStep[d];
                sumG += Diagonal(d) ? (S(u.r, 0) + S(0, u.c)) / 2 : S(u.r, u.c);
                sumC += (S(0, 0) + S(2 * u.r, 2 * u.c)) / 2;
            }
            double value = S(0, 0) * (sumC > 0 ? sumG / sumC : 1.0);
            if (row >= 2 && row <= rows - 3 && col >= 2 && col <= cols - 3) {
                double gmin = 16383, gmax = 0;
                for (int r = -2; r <= 2; ++r)
                    for (int c = -2; c <= 2; ++c)
                        if (layout.Colour(row + r, col + c) == 1) {
                            gmin = std::min(gmin, S(r, c));
                            gmax = std::max(gmax, S(r, c));
                        }
                if (gmin < 16383 && value < gmin) value = gmin;
                if (gmax > 0 && value > gmax) value = gmax;
            }
            out[row][col] = Stored(value);
        }
    }
    return out;
}

Plane RedBluePass(const Plane& mosaic, const Layout& layout, uint32_t greenSplit, bool blue, const Rules& rules) {
    const int target = blue ? 2 : 0;
    const int opposite = blue ? 0 : 2;
    const int rows = int(mosaic.size()), cols = int(mosaic[0].size());

    Plane table = Balanced(mosaic, layout, greenSplit, true);
    Plane out = table;
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < cols; ++col) {
            if (table[row][col] == 0 || layout.Colour(row, col) != 1) continue;
            const Window P{table, row, col};
            std::vector<double> g;
            for (int d = 0; d < 4; ++d) g.push_back(GradientOf(P, kGreenGradients[d]));
            for (const Gradient& terms : kRedBlueDiagonals) g.push_back(GradientOf(P, terms));
            double sv = 0, sh = 0, sg = 0;
            for (int d : Choose(g, rules.redBlueZeroMinYields, rules.redBlueRaises)) {
                const Offset u = kStep[d];
                if (Diagonal(d)) {
                    sv += (P(u.r, 0) + P(u.r, 2 * u.c)) / 2;
                    sh += (P(0, u.c) + P(2 * u.r, u.c)) / 2;
                } else if (u.c == 0) {
                    sv += P(u.r, 0);
                    sh += (P(0, -1) + P(0, 1) + P(2 * u.r, -1) + P(2 * u.r, 1)) / 4;
                } else {
                    sh += P(0, u.c);
                    sv += (P(-1, 0) + P(1, 0) + P(-1, 2 * u.c) + P(1, 2 * u.c)) / 4;
                }
                sg += (P(0, 0) + P(2 * u.r, 2 * u.c)) / 2;
            }
            // The target colour lies left and right of a green in a row that holds it.
            const bool targetInRow = layout.Colour(row, col + 1) == target;
            const double s = targetInRow ? sh : sv;
            double value = P(0, 0);
            if (s > 0) {
                const double ratio = sg / s;
                if (ratio > 0) value = value / ratio;
            }
            out[row][col] = Stored(value);
        }
    }

    table = out;
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < cols; ++col) {
            if (table[row][col] == 0 || layout.Colour(row, col) != opposite) continue;
            const Window P{table, row, col};
            std::vector<double> g;
            for (int d = 0; d < 4; ++d) g.push_back(GradientOf(P, kGreenGradients[d]));
            double st = 0, sc = 0;
            for (int d : Choose(g, rules.redBlueZeroMinYields, rules.redBlueRaises)) {
                st += P(kStep[d].r, kStep[d].c);
                sc += (P(0, 0) + P(2 * kStep[d].r, 2 * kStep[d].c)) / 2;
            }
            out[row][col] = Stored(sc > 0 ? P(0, 0) * (st / sc) : P(0, 0));
        }
    }
    return out;
}

Plane Transfer(const Plane& deblurred, const Plane& mosaic, const Layout& layout) {
    const int rows = int(mosaic.size()), cols = int(mosaic[0].size());
    Plane out = mosaic;
    for (int row = 1; row < rows - 1; ++row) {
        for (int col = 1; col < cols - 1; ++col) {
            if (layout.Colour(row, col) == 1) {
                out[row][col] = deblurred[row][col];
                continue;
            }
            const Window A{deblurred, row, col};
            std::vector<double> g;
            for (const Gradient& terms : kTransferGradients) g.push_back(GradientOf(A, terms));
            double sA = 0, sB = 0;
            for (int d : Choose(g, true, 0)) {
                const Offset u = kStep[d];
                if (Diagonal(d)) {
                    sA += (A(u.r, 0) + A(0, u.c)) / 2;
                    sB += (mosaic[row + u.r][col] + mosaic[row][col + u.c]) / 2;
                } else {
                    sA += A(u.r, u.c);
                    sB += mosaic[row + u.r][col + u.c];
                }
            }
            const double own = mosaic[row][col];
            const double r = sA > 0 ? sB / sA : 1.0;
            out[row][col] = Stored(r > 0 ? own / r : own);
        }
    }
    return out;
}

Plane Merge(const Plane& deblurred, const Plane& mosaic, const Layout& layout, int colour) {
    Plane out = mosaic;
    for (std::size_t row = 0; row < mosaic.size(); ++row)
        for (std::size_t col = 0; col < mosaic[row].size(); ++col)
            if (layout.Colour(int(row), int(col)) == colour) out[row][col] = deblurred[row][col];
    return out;
}

}  // namespace pipelinetest::oracle
