#!/bin/bash
# Installs what the program needs, builds it and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh" run-deps.txt
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DCLARIVANE_BUILD_TESTS=OFF -DCLARIVANE_BUILD_BENCH=OFF
cmake --build "$root/build" -j"$(nproc)" --target clarivane
exec "$root/build/app/clarivane" "$@"
