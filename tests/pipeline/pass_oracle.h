#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A second, deliberately plain reading of the full-size raw passes: every
// site's window, gradients and sums are worked out from term tables and
// explicit colour lookups, with nothing shared with the program's code. The
// tests compare whole planes against it for every layout and phase.
namespace pipelinetest::oracle {

using Plane = std::vector<std::vector<int>>;  // [row][col]

// A 2 x 2 pattern in colour codes (0 R, 1 G, 2 B), row by row, and the phase
// that shifts it: site (row, col) has the colour at ((row + rowPhase) & 1, (col + colPhase) & 1).
struct Layout {
    std::string codes;
    int rowPhase = 0;
    int colPhase = 0;
    int Colour(int row, int col) const { return codes[((row + rowPhase) & 1) * 2 + ((col + colPhase) & 1)] - '0'; }
};

// Rule constants a faulty program might get wrong; the tests prove that
// changing each one changes some result, so agreement really checks it.
struct Rules {
    int greenRaises = 20;
    int redBlueRaises = 50;
    bool redBlueZeroMinYields = false;
};

// The row table: a copy of `mosaic`, with blue-row greens balanced when `balance`.
Plane Balanced(const Plane& mosaic, const Layout& layout, uint32_t greenSplit, bool balance);
// The stage-1 image after the green-plane pass from (firstRow, firstCol) on.
Plane GreenPass(const Plane& mosaic, const Layout& layout, uint32_t greenSplit, const Rules& rules = {},
                int firstRow = 0, int firstCol = 0);
// The stage-1 image after the red (or blue) plane pass.
Plane RedBluePass(const Plane& mosaic, const Layout& layout, uint32_t greenSplit, bool blue,
                  const Rules& rules = {});
// The mosaic copy after the transfer of `deblurred` green, every site inside the deblur area.
Plane Transfer(const Plane& deblurred, const Plane& mosaic, const Layout& layout);
// The mosaic copy after taking over `deblurred` at the sites of `colour`.
Plane Merge(const Plane& deblurred, const Plane& mosaic, const Layout& layout, int colour);

}  // namespace pipelinetest::oracle
