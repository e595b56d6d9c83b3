#!/bin/bash
# Installs what the tests need, builds everything and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh" run-deps.txt test-deps.txt
cmake -S "$root" -B "$root/build-test" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build-test" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
cd "$root/build-test"
ctest --output-on-failure -j"$(nproc)" --timeout 900
