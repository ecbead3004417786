#!/usr/bin/env bash
# Builds the sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci "$@"
