#!/usr/bin/env bash
# Builds Kestle (Release) and opens it on the bundled sample capture. Without
# a display, prints the sample's decode with kestle-dump instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
# The two programs only (with their data); scripts/test.sh builds the tests.
targets=(kestle-dump)
grep -q '^KESTLE_BUILD_GUI:BOOL=ON' build/default/CMakeCache.txt &&
  grep -q '^Qt6_DIR:PATH=/' build/default/CMakeCache.txt && targets+=(kestle)
cmake --build --preset default --target "${targets[@]}"
capture="${1:-data/sample.pcap}"
if [ -x build/default/src/kestle ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/default/src/kestle "$capture"
fi
exec build/default/src/kestle-dump --detail "$capture"
