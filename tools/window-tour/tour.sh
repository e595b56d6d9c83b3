#!/bin/bash
# Builds window-tour and runs it on a virtual X server; the screenshots go to
# the folder given (default: window-tour-shots in the build folder).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD:-$root/build-test}"
out="${1:-$build/window-tour-shots}"
data="${CLARIVANE_TESTDATA:-$root/../shared/testdata}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j4 --target window-tour
export XDG_CONFIG_HOME="$(mktemp -d)"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/tools/window-tour/window-tour" "$out" \
  "$data/jpeg/canon_eos_350d_rebel_xt_1728x1152.jpg" \
  "$data/dng/canon_eos_kiss_x4_550d_magiclantern_14bit_uncompressed.dng"
