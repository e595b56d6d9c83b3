#!/bin/bash
# Starts the program on a virtual X screen and saves a screenshot of it.
# Usage: tools/screenshot/screenshot.sh BUILD_FOLDER OUT.png [program arguments...]
#    or: tools/screenshot/screenshot.sh BUILD_FOLDER OUT_FOLDER --tour PHOTO.jpg PHOTO.dng
# The program runs with a fresh home and settings folder, as on a first start.
# With --tour, window-tour takes the main window through a JPEG and a DNG
# session and saves a screenshot of each stage into OUT_FOLDER.
set -euo pipefail
build="$(cd "$1" && pwd)"
out="$(realpath -m "$2")"
shift 2
sandbox="$(mktemp -d)"
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/home" "$sandbox/config" "$sandbox/runtime"
chmod 700 "$sandbox/runtime"
export HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/config" XDG_RUNTIME_DIR="$sandbox/runtime"
export QT_QPA_PLATFORM=xcb
if [ "${1:-}" = "--tour" ]; then
  xvfb-run -a -s "-screen 0 1100x760x24" "$build/tools/screenshot/window-tour" "$out" "$2" "$3"
  exit
fi
xvfb-run -a -s "-screen 0 1100x760x24" bash -c '
  "$0/app/clarivane" "${@:2}" &
  program=$!
  "$0/tools/screenshot/grab-screen" "$1"
  status=$?
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  exit $status
' "$build" "$out" "$@"
echo "saved $out"
