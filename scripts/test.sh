#!/bin/bash
# Installs what the tests need, then builds everything twice and runs every test in each build:
# the Release build in build-test/, and the sanitized build (AddressSanitizer and
# UndefinedBehaviorSanitizer, stopping at the first report) in build-sanitize/, which also
# replays every fuzz corpus; then the fuzz targets are compiled with clang and libFuzzer in
# build-fuzz/. JOBS overrides the number of parallel jobs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${JOBS:-$(nproc)}"
bash "$root/scripts/install-deps.sh" run-deps.txt test-deps.txt

export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
export UBSAN_OPTIONS=print_stacktrace=1

# build_and_test FOLDER CMAKE-OPTIONS...
build_and_test() {
    local build="$root/$1"
    shift
    cmake -S "$root" -B "$build" "$@"
    cmake --build "$build" -j"$jobs"
    (cd "$build" && ctest --output-on-failure -j"$jobs" --timeout 900)
}

build_and_test build-test -DCMAKE_BUILD_TYPE=Release
build_and_test build-sanitize -DCMAKE_BUILD_TYPE=Release -DCLARIVANE_SANITIZE=ON -DCLARIVANE_BUILD_BENCH=OFF

# The fuzz targets built as the README's fuzzing section builds them (clang, libFuzzer and the
# sanitizers), compiled only: CI keeps that command working without spending time on fuzzing.
fuzz_targets=()
for target in "$root"/fuzz/*/; do fuzz_targets+=("$(basename "$target")_fuzzer"); done
cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCLARIVANE_FUZZ=ON -DCLARIVANE_SANITIZE=ON -DCLARIVANE_BUILD_BENCH=OFF
cmake --build "$root/build-fuzz" -j"$jobs" --target "${fuzz_targets[@]}"
